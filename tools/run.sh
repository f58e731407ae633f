#!/usr/bin/env bash
# Starts the bar built in the folder given as $1 (default: build).
#
# With a display the bar simply starts. Without one, the bar is shown on a virtual screen
# (Xvfb with openbox) in a scratch home with a virtual CD drive holding a sample disc; a
# screenshot is saved in the build folder, the bar is ended with SIGTERM as a session
# would end it, and the lintel.ini it wrote is printed.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/src/app/lintel"
if [[ ! -x "$exe" ]]; then
    echo "The bar is not built: $exe is missing. Run 'make run' from the top folder." >&2
    exit 1
fi
if [[ -n "${DISPLAY:-}" ]]; then
    exec "$exe"
fi

build=$(cd "$build" && pwd)
disc=${LINTEL_RUN_DISC:-twelve-tracks.disc}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lintel-run.XXXXXX")
xvfb_pid=""
wm_pid=""
bar_pid=""
cleanup() {
    for pid in $bar_pid $wm_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
    local i
    for ((i = 0; i < $2; i++)); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    return 1
}

# The scratch home: system folder with the drive declaration and the disc, and the
# program folder with a lintel.ini that points at the virtual drive, so the first disc
# check already finds the disc.
home="$scratch/home"
system="$home/.config/lintel"
program="$scratch/program"
mkdir -p "$system" "$program" "$scratch/run"
chmod 700 "$scratch/run" "$home" "$home/.config" "$system"
cp "$root/samples/$disc" "$system/"
printf '[Drives]\nV=%s\n' "$disc" > "$system/drives.ini"
printf '[Config]\r\nDrive=V:\r\n' > "$program/lintel.ini"
cp "$exe" "$program/lintel"

Xvfb -displayfd 3 -screen 0 1024x200x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
if ! wait_for '[[ -s "$scratch/display" ]]' 100; then
    echo "Xvfb did not start:" >&2
    cat "$scratch/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$scratch/display")"
openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wm_pid=$!
wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' 100 || true

env -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_RUNTIME_DIR="$scratch/run" "$program/lintel" 2>"$scratch/lintel.err" &
bar_pid=$!
if ! wait_for 'xdotool search --onlyvisible --pid "$bar_pid" >/dev/null 2>&1' 150; then
    echo "The bar did not show within 15 seconds." >&2
    cat "$scratch/lintel.err" >&2
    exit 1
fi
sleep 1.5  # one poll tick and the first paint
shot="$build/lintel-run.png"
import -window root "$shot"

kill -TERM "$bar_pid"
status=0
wait "$bar_pid" || status=$?
bar_pid=""
echo "The bar ended with exit code $status after SIGTERM."
if [[ -s "$scratch/lintel.err" ]]; then
    echo "--- what it wrote on standard error:"
    cat "$scratch/lintel.err"
fi
echo "--- lintel.ini it wrote (code page 932 shown as UTF-8):"
iconv -f CP932 -t UTF-8 "$program/lintel.ini" | tr -d '\r'
echo "---"
echo "Screenshot: $shot"
