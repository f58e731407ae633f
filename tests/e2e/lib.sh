# Helpers of the end-to-end tests: a private X display with a window manager, a scratch
# home and program folder, and looking at the bar's windows from outside.
# Every wait is bounded; the test fails with a message when a bound passes.

set -euo pipefail

E2E_PIDS=()
E2E_SCRATCH=""

fail() {
    echo "FAIL: $*" >&2
    if [[ -s "$E2E_SCRATCH/lintel.err" ]]; then
        echo "-- what the bar wrote on standard error:" >&2
        cat "$E2E_SCRATCH/lintel.err" >&2
    fi
    exit 1
}

# require WHAT COMMAND...: goes on when COMMAND succeeds; else the test is skipped on a
# developer's machine and fails in CI (CI=true), so a green CI run means it ran.
require() {
    local what=$1
    shift
    "$@" >/dev/null 2>&1 && return 0
    [[ ${CI:-} == true ]] && fail "$what is missing, and CI must run this test"
    echo "SKIP: $what is missing" >&2
    exit 0
}

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [[ -n "$E2E_SCRATCH" ]]; then rm -rf "$E2E_SCRATCH"; fi
}
trap e2e_cleanup EXIT

# wait_for CONDITION TENTHS: true once CONDITION (evaluated) holds within TENTHS x 0.1 s.
wait_for() {
    local i
    for ((i = 0; i < $2; i++)); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    return 1
}

# Starts Xvfb on a free display, with a screen of $1 ("WxH", default 1024x600), and
# openbox on it; exports DISPLAY.
e2e_display() {
    E2E_SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/lintel-e2e.XXXXXX")
    Xvfb -displayfd 3 -screen 0 "${1:-1024x600}x24" -nolisten tcp 3>"$E2E_SCRATCH/display" \
        2>"$E2E_SCRATCH/xvfb.log" &
    E2E_PIDS+=($!)
    wait_for '[[ -s "$E2E_SCRATCH/display" ]]' 100 || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$E2E_SCRATCH/display")"
    # On a busy machine openbox now and then ends before it manages the screen; it is
    # started again then, and its own words are shown should it never come up.
    local try
    for try in 1 2 3; do
        openbox --sm-disable >>"$E2E_SCRATCH/openbox.log" 2>&1 &
        E2E_PIDS+=($!)
        wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' 100 &&
            return 0
        kill "${E2E_PIDS[-1]}" 2>/dev/null || true
    done
    cat "$E2E_SCRATCH/openbox.log" "$E2E_SCRATCH/xvfb.log" >&2
    fail "openbox did not start"
}

# Makes the scratch home: $SYS (system folder, with drives.ini declaring V: on $1, a
# sample disc name) and $PROG (program folder holding a copy of the binary $LINTEL).
e2e_home() {
    HOME_DIR="$E2E_SCRATCH/home"
    SYS="$HOME_DIR/.config/lintel"
    PROG="$E2E_SCRATCH/prog"
    RUNDIR="$E2E_SCRATCH/run"
    mkdir -p "$SYS" "$PROG" "$RUNDIR"
    chmod 700 "$HOME_DIR" "$HOME_DIR/.config" "$SYS" "$RUNDIR"
    cp "$SOURCE_DIR/samples/$1" "$SYS/"
    printf '[Drives]\nV=%s\n' "$1" >"$SYS/drives.ini"
    cp "$LINTEL" "$PROG/lintel"
}

# Starts a sound server as a desktop has one: PulseAudio with a null sink, in the program's
# runtime folder, where ALSA's pulse plugin (the program's mixer) finds it.
e2e_sound_server() {
    command -v pulseaudio >/dev/null || fail "pulseaudio is missing"
    HOME="$HOME_DIR" XDG_RUNTIME_DIR="$RUNDIR" pulseaudio -n --daemonize=no \
        --exit-idle-time=-1 --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=nul" >"$E2E_SCRATCH/pulse.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for 'HOME="$HOME_DIR" XDG_RUNTIME_DIR="$RUNDIR" pactl info >/dev/null 2>&1' 100 || {
        cat "$E2E_SCRATCH/pulse.log" >&2
        fail "the sound server did not start"
    }
}

# Starts PulseAudio with a null sink "nul" in $RUNDIR (where the bar's XDG_RUNTIME_DIR
# finds it) and points ALSA's default device at its file plugin in front of that sink:
# play is paced as on a sound card, and $E2E_SCRATCH/heard.raw holds every byte played.
e2e_sound() {
    e2e_sound_server
    printf 'pcm.!default {\n type file\n slave.pcm { type pulse device nul }\n file "%s"\n format raw\n}\n' \
        "$E2E_SCRATCH/heard.raw" >"$E2E_SCRATCH/asound.conf"
    export ALSA_CONFIG_PATH="$E2E_SCRATCH/asound.conf"
}

# Writes a disc image of noise, tracks of 3 s and 2 s, to $SYS/disc.bin and disc.cue, and
# declares it as I:, the drive the bar opens, with the disc played as soon as it is seen.
e2e_image_drive() {
    head -c $((375 * 2352)) /dev/urandom >"$SYS/disc.bin"
    printf 'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' >"$SYS/disc.cue"
    printf '  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n' >>"$SYS/disc.cue"
    printf '[Drives]\nI=disc.cue\n' >"$SYS/drives.ini"
    printf '[Config]\r\nDrive=I:\r\nAutoPlay=1\r\n' >"$PROG/lintel.ini"
}

# Shows another window, has $MAXIMISE ask for it maximised, waits until it is wider than
# MIN_WIDTH, and sets OTHER_BOTTOM to the y where it ends (from xwininfo, as xdotool counts
# a frame's decoration twice in its y).
maximise_other() {
    local min_width=$1 other info top height WIDTH HEIGHT X Y SCREEN WINDOW
    xmessage -name lintel-e2e-other "another window, maximised" &
    E2E_PIDS+=($!)
    wait_for 'other=$(xdotool search --onlyvisible --name "^lintel-e2e-other$" | head -n1);
              [[ -n "$other" ]]' 100 || fail "the other window did not show"
    "$MAXIMISE" "$other" || fail "could not ask for the maximised state"
    wait_for 'eval "$(xdotool getwindowgeometry --shell "$other")"; ((WIDTH > min_width))' 50 ||
        fail "the other window was not maximised"
    sleep 0.5
    info=$(xwininfo -id "$other")
    top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    height=$(sed -n 's/^ *Height: *//p' <<<"$info")
    OTHER_BOTTOM=$((top + height))
}

# True when the sound device got AUDIO's bytes in HEARD from the first, then at most
# silence: after the last sample it is given silence until that sample was heard.
heard_is() {
    local heard=$1 audio=$2 size
    size=$(stat -c %s "$audio")
    [[ $(stat -c %s "$heard" 2>/dev/null || echo 0) -ge $size ]] || return 1
    cmp -n "$size" "$heard" "$audio" >&2 || return 1
    [[ $(tail -c +$((size + 1)) "$heard" | tr -d '\0' | wc -c) == 0 ]]
}

# Starts a private session bus and the accessibility bus beside it, as a desktop session
# has them, and switches accessibility on there as a screen reader does; exports the bus.
e2e_accessibility_bus() {
    require "dbus-daemon (dbus)" command -v dbus-daemon
    require "at-spi-bus-launcher (at-spi2-core)" test -x /usr/libexec/at-spi-bus-launcher
    dbus-daemon --session --nofork --print-address=3 3>"$E2E_SCRATCH/bus" \
        2>"$E2E_SCRATCH/bus.log" &
    E2E_PIDS+=($!)
    wait_for '[[ -s "$E2E_SCRATCH/bus" ]]' 100 || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$E2E_SCRATCH/bus")
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_SCRATCH/a11y.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for 'dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress >/dev/null 2>&1' 100 || fail "the accessibility bus did not start"
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.freedesktop.DBus.Properties.Set string:org.a11y.Status \
        string:ScreenReaderEnabled variant:boolean:true >/dev/null ||
        fail "accessibility could not be switched on"
}

# Starts the program from $PROG; its pid in BAR_PID. Without a session bus of the case's
# own the program gets an address that leads nowhere, so no bus is started for it.
e2e_launch() {
    env -u QT_QPA_PLATFORM HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" \
        XDG_RUNTIME_DIR="$RUNDIR" \
        DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-unix:path=$E2E_SCRATCH/no-bus}" \
        "$PROG/lintel" 2>>"$E2E_SCRATCH/lintel.err" &
    BAR_PID=$!
    E2E_PIDS+=("$BAR_PID")
}

# The visible windows of process $1, one id a line.
windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; }

# Width and height of window $1, as "WxH".
size_of() {
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "${WIDTH}x${HEIGHT}"
}

# Whether window size $1 ("WxH") is the bar's: docked, it spans the screen (at least its
# designed 792 pixels) and is only as thick as its labels need.
is_bar_size() {
    local w=${1%x*} h=${1#*x}
    ((w >= 792 && h < 200))
}

# The bar of process $1, or nothing.
bar_of() {
    local w
    for w in $(windows_of "$1"); do
        is_bar_size "$(size_of "$w")" && echo "$w"
    done
    return 0
}

# The other visible windows of process $1: its message boxes.
boxes_of() {
    local w
    for w in $(windows_of "$1"); do
        is_bar_size "$(size_of "$w")" || echo "$w"
    done
    return 0
}

# Whether process $1 still runs (a zombie waiting for this shell has ended).
running() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ ${stat:0:1} != Z ]]
}

count() { [[ -z "$1" ]] && echo 0 || echo "$1" | wc -l; }

wait_bar() { wait_for '[[ -n "$(bar_of "$BAR_PID")" ]]' 150 || fail "the bar did not show"; }
wait_box() { wait_for '[[ -n "$(boxes_of "$BAR_PID")" ]]' 150 || fail "no message box showed"; }

# Answers the message box of the bar with Return, as a user at the keyboard would. The
# key goes to the focused window, so the box is activated first; a box that was not yet
# ready for keys gets the key again.
answer_box() {
    local try box
    for try in 1 2 3 4 5; do
        box=$(boxes_of "$BAR_PID" | head -n1)
        [[ -z "$box" ]] && return 0
        xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
        xdotool key Return >/dev/null 2>&1 || true
        wait_for '[[ -z "$(boxes_of "$BAR_PID")" ]]' 10 && return 0
    done
    fail "the box did not close"
}

# Sends signal $1 to the bar and waits for the process to end; its status in STATUS.
end_with() {
    kill -"$1" "$BAR_PID"
    wait_for '! running "$BAR_PID"' 100 ||
        fail "the bar did not end after SIG$1"
    STATUS=0
    wait "$BAR_PID" || STATUS=$?
}

# Starts a private session bus as a desktop session has one; exports its address.
e2e_session_bus() {
    require "dbus-daemon" command -v dbus-daemon
    dbus-daemon --session --nofork --print-address=3 3>"$E2E_SCRATCH/bus" \
        >"$E2E_SCRATCH/bus.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for '[[ -s "$E2E_SCRATCH/bus" ]]' 100 || fail "the session bus did not start"
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$E2E_SCRATCH/bus")
    export DBUS_SESSION_BUS_ADDRESS
}
