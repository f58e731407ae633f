#!/usr/bin/env bash
# Starts the bar built in the folder given as $1 (default: build).
#
# With a display the bar simply starts. Without one, the bar is shown on a virtual screen
# (Xvfb with openbox, started as the end-to-end tests start theirs) in a scratch home with
# a virtual CD drive holding a sample disc; a screenshot is saved in the build folder, the
# bar is ended with SIGTERM as a session would end it, and the lintel.ini it wrote is
# printed.
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
LINTEL="$build/src/app/lintel"
SOURCE_DIR="$root"
source "$root/tests/e2e/lib.sh"

# The scratch home: system folder with the drive declaration and the disc, and the
# program folder with a lintel.ini that points at the virtual drive, so the first disc
# check already finds the disc.
e2e_display 1024x200
e2e_home "${LINTEL_RUN_DISC:-twelve-tracks.disc}"
printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"

e2e_launch
wait_bar
sleep 1.5  # one poll tick and the first paint
shot="$build/lintel-run.png"
import -window root "$shot"

kill -TERM "$BAR_PID"
status=0
wait "$BAR_PID" || status=$?
echo "The bar ended with exit code $status after SIGTERM."
if [[ -s "$E2E_SCRATCH/lintel.err" ]]; then
    echo "--- what it wrote on standard error:"
    cat "$E2E_SCRATCH/lintel.err"
fi
echo "--- lintel.ini it wrote (code page 932 shown as UTF-8):"
iconv -f CP932 -t UTF-8 "$PROG/lintel.ini" | tr -d '\r'
echo "---"
echo "Screenshot: $shot"
