#!/usr/bin/env bash
# The real program in the Wayland sessions of GNOME (mutter) and KDE (kwin_wayland), each
# compositor headless with Xwayland and the program started as a client of the session:
# WAYLAND_DISPLAY, DISPLAY and XDG_SESSION_TYPE=wayland set, no Qt platform named, and
# Qt's Wayland plugin installed. The bar must dock at the bottom through Xwayland.
# Usage: wayland.sh CASE LINTEL_BINARY SOURCE_DIR MAXIMISE
# The compositor runs the script again inside the session (a fifth argument "inside").
CASE=$1
LINTEL=$2
SOURCE_DIR=$3
MAXIMISE=$4
source "$(dirname "$0")/lib.sh"

W=1280
H=800

# ---- inside the session: the checks, with their verdict in $E2E_SCRATCH/verdict

# Bottom of the work area Xwayland reports.
workarea_bottom() {
    local a
    read -r _ a _ <<<"$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= //p' | tr -d ',' |
        awk '{ print $1, $2 + $4, $3 }')"
    echo "${a:-none}"
}

inside() {
    [[ -n ${WAYLAND_DISPLAY:-} && -n ${DISPLAY:-} ]] ||
        fail "the session gave no WAYLAND_DISPLAY ($WAYLAND_DISPLAY) or DISPLAY ($DISPLAY)"
    export XDG_SESSION_TYPE=wayland
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\n' >"$PROG/lintel.ini"
    e2e_launch
    # xdotool sees X11 clients only: a bar that went to Wayland is never found.
    wait_bar
    local bar WIDTH HEIGHT X Y SCREEN WINDOW
    bar=$(bar_of "$BAR_PID")
    eval "$(xdotool getwindowgeometry --shell "$bar")"
    ((WIDTH == W && Y + HEIGHT == H)) ||
        fail "the bar is ${WIDTH}x$HEIGHT at y=$Y, not docked at the bottom of ${W}x$H"
    local top=$Y
    if [[ $CASE == gnome ]]; then
        wait_for '[[ $(workarea_bottom) == "$top" ]]' 50 ||
            fail "the work area ends at $(workarea_bottom), not above the bar at $top"
    fi
    # A maximised X11 window ends above the bar.
    maximise_other $((W / 2))
    ((OTHER_BOTTOM <= top && OTHER_BOTTOM >= top - 60)) ||
        fail "the maximised window ends at y=$OTHER_BOTTOM, the bar starts at $top"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    echo PASS >"$E2E_SCRATCH/verdict"
}

if [[ ${5:-} == inside ]]; then
    # The scratch folder is the outer run's; this run only ends its own processes.
    E2E_SCRATCH=$INSIDE_SCRATCH
    trap 'for p in "${E2E_PIDS[@]}"; do kill -KILL "$p" 2>/dev/null || true; done' EXIT
    HOME_DIR="$E2E_SCRATCH/home"
    SYS="$HOME_DIR/.config/lintel"
    PROG="$E2E_SCRATCH/prog"
    RUNDIR="$E2E_SCRATCH/run"
    inside 2>>"$E2E_SCRATCH/inside.log"
    exit 0
fi

# ---- outside: the compositor, in a mount namespace with a /tmp/.X11-unix of its own, so
# Xwayland finds a free display whatever other X servers the machine runs

platform_plugin() { ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so; }
require "Qt's Wayland platform plugin (qt6-wayland)" platform_plugin
require "Xwayland" command -v Xwayland
require "a private mount namespace (unshare -m, as root)" unshare -m true
E2E_SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/lintel-e2e.XXXXXX")
e2e_home twelve-tracks.disc
export INSIDE_SCRATCH=$E2E_SCRATCH
self=$(readlink -f "$0")
child=(bash "$self" "$CASE" "$LINTEL" "$SOURCE_DIR" "$MAXIMISE" inside)
socket="lintel-e2e-$$"
case $CASE in
    gnome)
        require "mutter" command -v mutter
        session=(mutter --wayland --headless --virtual-monitor "${W}x$H" --wayland-display="$socket"
                 -- "${child[@]}")
        ;;
    kde)
        require "kwin_wayland (kwin-wayland)" command -v kwin_wayland
        # The installed file carries a capability a container refuses to run; a copy has
        # none. kwin insists on its own file name.
        mkdir -p "$E2E_SCRATCH/kwin"
        cp "$(command -v kwin_wayland)" "$E2E_SCRATCH/kwin/kwin_wayland"
        { echo '#!/bin/bash'; printf 'exec'; printf ' %q' "${child[@]}"; echo; } \
            >"$E2E_SCRATCH/session.sh"
        chmod +x "$E2E_SCRATCH/session.sh"
        session=("$E2E_SCRATCH/kwin/kwin_wayland" --virtual --xwayland --socket "$socket"
                 --width "$W" --height "$H" --exit-with-session "$E2E_SCRATCH/session.sh")
        ;;
    *) fail "no such case: $CASE" ;;
esac
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$RUNDIR" \
    timeout 80 unshare -m sh -c 'mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix && exec "$@"' \
    sh dbus-run-session -- "${session[@]}" >"$E2E_SCRATCH/session.log" 2>&1 || true
if [[ $(cat "$E2E_SCRATCH/verdict" 2>/dev/null) != PASS ]]; then
    echo "-- the session:" >&2
    tail -n 20 "$E2E_SCRATCH/session.log" >&2
    echo "-- the checks:" >&2
    cat "$E2E_SCRATCH/inside.log" >&2 2>/dev/null
    fail "$CASE: the bar did not dock in the Wayland session"
fi
echo "PASS: $CASE"
