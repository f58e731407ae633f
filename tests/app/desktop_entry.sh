#!/usr/bin/env bash
# The desktop entry passes the desktop's own validator and offers the program for audio
# CDs. Usage: desktop_entry.sh ENTRY
set -euo pipefail
entry=$1
if ! command -v desktop-file-validate >/dev/null; then
    [[ ${CI:-} == true ]] && { echo "FAIL: desktop-file-validate is missing" >&2; exit 1; }
    echo "SKIP: desktop-file-validate is missing" >&2
    exit 0
fi
out=$(desktop-file-validate "$entry" 2>&1) || { echo "FAIL: $out" >&2; exit 1; }
[[ -z $out ]] || { echo "FAIL: the validator warns: $out" >&2; exit 1; }
grep -qx 'MimeType=x-content/audio-cdda;' "$entry" ||
    { echo "FAIL: no audio-CD content type in $entry" >&2; exit 1; }
echo PASS
