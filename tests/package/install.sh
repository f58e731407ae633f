#!/usr/bin/env bash
# The Debian package as a Debian user meets it. lintian checks it first: an error fails
# the test, and each warning left must be listed in the README's packaging section. Then
# `apt-get install ./lintel*.deb` puts it into a fresh Debian 12 system (debootstrap, from
# the mirror this machine's apt uses) without recommended packages, so only the
# dependencies it declares come along. There an ordinary user, made with useradd, plays a
# CUE/BIN image through the installed program on a private X display: the user's
# ~/.asoundrc sends ALSA's default device into a file, which must end up holding the
# image's audio, and the bar's gauge must move meanwhile. Last the package is removed and
# purged, and nothing of it may be left but the user's own settings. The X server and
# window manager run outside that system, so nothing the test itself needs can stand in
# for a dependency the package forgot. Nothing of the system is left afterwards; outside CI
# the base system is cached in the build folder.
# Usage: tests/package/install.sh BUILD_DIR SOURCE_DIR
BUILD=$(cd "$1" && pwd)
SOURCE_DIR=$(cd "$2" && pwd)
source "$SOURCE_DIR/tests/e2e/lib.sh"

WORK="$BUILD/package-test"
ROOT="$WORK/root"
BASE="$WORK/bookworm-base.tar.gz"
START=$SECONDS

require "root's rights (debootstrap and chroot)" test "$(id -u)" -eq 0
for tool in debootstrap unshare chroot dpkg-deb lintian appstreamcli desktop-file-validate Xvfb \
    openbox xdotool xprop import; do
    require "$tool" command -v "$tool"
done
deb=$(ls -t "$BUILD"/lintel_*.deb 2>/dev/null | head -n1 || true)
[[ -n "$deb" ]] || fail "no lintel_*.deb in $BUILD; run 'make package' first"
# apt's own reading of its sources, so either file format will do.
mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Release: bookworm' 'Target-Of: deb' |
    head -n1)
require "a bookworm source in /etc/apt/sources.list*" test -n "$mirror"

# The rest runs in a mount namespace of its own, with the new system on a tmpfs mounted
# there: however the test ends, the system and its mounts end with the namespace, and the
# host only ever sees the empty mount point, removed at the end.
if [[ ${LINTEL_PACKAGE_NAMESPACE:-} != 1 ]]; then
    mkdir -p "$ROOT"
    status=0
    LINTEL_PACKAGE_NAMESPACE=1 unshare --mount --propagation private bash "$0" "$@" ||
        status=$?
    rmdir "$ROOT" || fail "the new system was not removed"
    exit "$status"
fi
mount -t tmpfs -o mode=755 tmpfs "$ROOT"
e2e_display 1024x200

# What Debian's own checker says. A warning is accepted only with its reason given in the
# README's packaging section, so one that appears later cannot pass unseen.
status=0
lintian --display-info "$deb" >"$E2E_SCRATCH/lintian.txt" 2>&1 || status=$?
echo "-- lintian:"
cat "$E2E_SCRATCH/lintian.txt"
# It ends with 1 when it found an error, 2 when it could not check at all.
[[ $status == 0 || $status == 1 ]] || fail "lintian did not run (status $status)"
[[ $status == 0 ]] && ! grep -q '^E: ' "$E2E_SCRATCH/lintian.txt" || fail "lintian reports errors"
packaging=$(sed -n '/^### The Debian package/,/^##[^#]/p' "$SOURCE_DIR/README.md")
[[ -n "$packaging" ]] || fail "the README has no section 'The Debian package'"
for tag in $(awk '/^W: / { print $3 }' "$E2E_SCRATCH/lintian.txt" | sort -u); do
    grep -qF "\`$tag\`" <<<"$packaging" ||
        fail "lintian's warning $tag is not listed with its reason in the README"
done

# The package holds every installed part; its desktop entry and its metainfo are valid.
listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for f in bin/lintel share/lintel/help/ja/bar.html share/lintel/help/en/bar.html \
    share/applications/lintel.desktop share/icons/hicolor/scalable/apps/lintel.svg \
    share/icons/hicolor/{16x16,32x32,64x64}/apps/lintel.png share/man/man1/lintel.1.gz \
    share/doc/lintel/copyright share/doc/lintel/changelog.Debian.gz; do
    grep -qxF "./usr/$f" <<<"$listing" || fail "the package lacks /usr/$f"
done
metainfo=$(grep -x '\./usr/share/metainfo/.*\.metainfo\.xml' <<<"$listing") ||
    fail "the package has no AppStream metainfo"
mkdir "$E2E_SCRATCH/deb"
dpkg-deb -x "$deb" "$E2E_SCRATCH/deb"
desktop-file-validate "$E2E_SCRATCH/deb/usr/share/applications/lintel.desktop" ||
    fail "the desktop entry is not valid"
appstreamcli validate --no-net "$E2E_SCRATCH/deb/$metainfo" || fail "the metainfo is not valid"

# A fresh base system: the cached one, else a new one from the mirror.
if [[ -s "$BASE" ]]; then
    tar -xzf "$BASE" -C "$ROOT" --numeric-owner
else
    echo "Making a Debian 12 base system from $mirror"
    debootstrap --variant=minbase bookworm "$ROOT" "$mirror" >"$WORK/debootstrap.log" 2>&1 ||
        { tail -n 20 "$WORK/debootstrap.log" >&2; fail "debootstrap failed"; }
    # CI starts from a fresh clone every time, where a cache would only cost time.
    if [[ ${CI:-} != true ]]; then
        tar -czf "$BASE.part" -C "$ROOT" --numeric-owner . && mv "$BASE.part" "$BASE"
    fi
fi
echo "deb $mirror bookworm main" >"$ROOT/etc/apt/sources.list"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
cp "$deb" "$ROOT/tmp/"
echo "Base system ready after $((SECONDS - START)) s"

# The system gets its own /proc and the host's X sockets. A command run in the background
# in it keeps the process id of the launch, as chroot and env exec the next step.
mount -t proc proc "$ROOT/proc"
mkdir -p "$ROOT/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$ROOT/tmp/.X11-unix"
IN_ROOT=(chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin)

"${IN_ROOT[@]}" apt-get update -qq || fail "apt-get update failed in the new system"
"${IN_ROOT[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "/tmp/$(basename "$deb")" >"$WORK/apt.log" 2>&1 ||
    { tail -n 20 "$WORK/apt.log" >&2; fail "the package did not install"; }
rm "$ROOT/tmp/$(basename "$deb")"
echo "Package installed after $((SECONDS - START)) s"
# Qt's own texts in Japanese, which the program loads at start, came along.
[[ -f "$ROOT/usr/share/qt6/translations/qtbase_ja.qm" ]] ||
    fail "Qt's Japanese translation did not come with the package"

# An ordinary user with a disc image of noise (tracks of 3 s and 2 s) declared as drive I:,
# played as soon as the bar sees it, and ALSA's default device writing into a file.
"${IN_ROOT[@]}" useradd --create-home --shell /bin/bash listener ||
    fail "useradd failed in the new system"
USER_HOME=/home/listener
HOME_DIR="$ROOT$USER_HOME"
SYS="$HOME_DIR/.config/lintel"
mkdir -p "$HOME_DIR/Music" "$SYS"
head -c $((375 * 2352)) /dev/urandom >"$HOME_DIR/Music/disc.bin"
printf 'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' \
    >"$HOME_DIR/Music/disc.cue"
printf '  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n' >>"$HOME_DIR/Music/disc.cue"
printf '[Drives]\nI=%s/Music/disc.cue\n' "$USER_HOME" >"$SYS/drives.ini"
printf '[Config]\r\nDrive=I:\r\nAutoPlay=1\r\n' >"$SYS/lintel.ini"
printf 'pcm.!default {\n type file\n slave.pcm null\n file "%s"\n format raw\n}\n' \
    "$USER_HOME/heard.raw" >"$HOME_DIR/.asoundrc"
"${IN_ROOT[@]}" chown -R listener:listener "$USER_HOME" || fail "chown failed"

"${IN_ROOT[@]}" HOME="$USER_HOME" USER=listener LOGNAME=listener DISPLAY="$DISPLAY" \
    LANG=C.UTF-8 setpriv --reuid=listener --regid=listener --init-groups /usr/bin/lintel \
    2>>"$E2E_SCRATCH/lintel.err" &
BAR_PID=$!
E2E_PIDS+=("$BAR_PID")
wait_for '[[ -n "$(bar_of "$BAR_PID")" ]] || ! running "$BAR_PID"' 150 ||
    fail "the bar did not show"
running "$BAR_PID" || fail "the installed program ended before its bar showed"
[[ $(stat -c %u "/proc/$BAR_PID") == "$(stat -c %u "$HOME_DIR")" ]] ||
    fail "the program does not run as the ordinary user"
bar=$(bar_of "$BAR_PID")
[[ $(count "$(boxes_of "$BAR_PID")") == 0 ]] || fail "the installed program showed a message"

# The gauge and its time text move from tick to tick while the disc plays.
import -window "$bar" "$E2E_SCRATCH/tick1.png"
sleep 1.1
import -window "$bar" "$E2E_SCRATCH/tick2.png"
cmp -s "$E2E_SCRATCH/tick1.png" "$E2E_SCRATCH/tick2.png" &&
    fail "the gauge did not move while the image played"
# The disc lasts 5 s, and the bar notices its end at the next tick.
sleep 6
end_with TERM
[[ $STATUS == 0 ]] || fail "exit status $STATUS"
# The device gets the image's bytes from the first, then at most silence until the last
# sample was heard.
AUDIO_SIZE=$(stat -c %s "$HOME_DIR/Music/disc.bin")
{ cmp -n "$AUDIO_SIZE" "$HOME_DIR/heard.raw" "$HOME_DIR/Music/disc.bin" >&2 &&
    [[ $(stat -c %s "$HOME_DIR/heard.raw") -ge $AUDIO_SIZE ]] &&
    [[ $(tail -c +$((AUDIO_SIZE + 1)) "$HOME_DIR/heard.raw" | tr -d '\0' | wc -c) == 0 ]]; } ||
    fail "the sound device did not get the image's audio ($(stat -c %s "$HOME_DIR/heard.raw" \
        2>/dev/null || echo no) bytes)"
grep -q $'^Position=1\r$' "$SYS/lintel.ini" || fail "lintel.ini was not written back"
echo "Image played after $((SECONDS - START)) s"

# Removed, the package leaves nothing but what dpkg keeps for a purge; purged, nothing at
# all: no file of its own, and nothing named after it outside the user's home. The
# user's settings stay theirs.
"${IN_ROOT[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq lintel \
    >>"$WORK/apt.log" 2>&1 || fail "the package could not be removed"
for f in $listing; do
    f=${f#.}
    [[ -d "$ROOT$f" && ! -L "$ROOT$f" ]] && continue
    [[ ! -e "$ROOT$f" && ! -L "$ROOT$f" ]] || fail "$f is left after removal"
done
# apt knows a package from a file only while it is installed; dpkg purges what is left.
"${IN_ROOT[@]}" dpkg --purge lintel >>"$WORK/apt.log" 2>&1 || fail "the package could not be purged"
"${IN_ROOT[@]}" dpkg-query -W -f='${db:Status-Abbrev}' lintel 2>/dev/null | grep -qv '^un' &&
    fail "dpkg still knows the package after purge"
left=$(cd "$ROOT" && find . -path ./proc -prune -o -path ./tmp/.X11-unix -prune \
    -o -path ".$USER_HOME" -prune -o -iname '*lintel*' -print)
[[ -z "$left" ]] || fail "left after purge: $left"
[[ -s "$SYS/lintel.ini" ]] || fail "the user's settings went with the package"

echo "Package test passed in $((SECONDS - START)) s"
