#!/usr/bin/env bash
# The Debian package, installed as a user would install it: `apt-get install ./lintel*.deb`
# into a fresh Debian 12 system (debootstrap, from the mirror this machine's apt uses),
# without recommended packages, so only the dependencies it declares come along. The
# installed program is then started there, as root, on a private X display: its bar must
# show, and at its end it must have kept lintel.ini in the user's system folder, not beside
# /usr/bin/lintel. The X server and window manager run outside that system, so nothing the
# test itself needs can stand in for a dependency the package forgot. Nothing of the
# system is left afterwards; outside CI the base system is cached in the build folder.
# Usage: tests/package/install.sh BUILD_DIR SOURCE_DIR
BUILD=$(cd "$1" && pwd)
SOURCE_DIR=$(cd "$2" && pwd)
source "$SOURCE_DIR/tests/e2e/lib.sh"

WORK="$BUILD/package-test"
ROOT="$WORK/root"
BASE="$WORK/bookworm-base.tar.gz"
START=$SECONDS

require "root's rights (debootstrap and chroot)" test "$(id -u)" -eq 0
for tool in debootstrap unshare chroot dpkg-deb desktop-file-validate Xvfb openbox xdotool xprop; do
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

# The package holds every installed part, and its desktop entry is valid.
e2e_display 1024x200
listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for f in bin/lintel share/lintel/help/ja/bar.html share/lintel/help/en/bar.html \
    share/applications/lintel.desktop share/icons/hicolor/scalable/apps/lintel.svg \
    share/icons/hicolor/{16x16,32x32,64x64}/apps/lintel.png; do
    grep -qxF "./usr/$f" <<<"$listing" || fail "the package lacks /usr/$f"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/lintel.desktop \
    >"$E2E_SCRATCH/lintel.desktop"
desktop-file-validate "$E2E_SCRATCH/lintel.desktop" || fail "the desktop entry is not valid"

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
echo "Package installed after $((SECONDS - START)) s"

# As root, whose /usr/bin is writable: the settings still go to the system folder.
SYS="$ROOT/root/.config/lintel"
mkdir -p "$SYS"
cp "$SOURCE_DIR/samples/twelve-tracks.disc" "$SYS/"
printf '[Drives]\nV=twelve-tracks.disc\n' >"$SYS/drives.ini"
"${IN_ROOT[@]}" env HOME=/root DISPLAY="$DISPLAY" LANG=C.UTF-8 /usr/bin/lintel \
    2>>"$E2E_SCRATCH/lintel.err" &
BAR_PID=$!
E2E_PIDS+=("$BAR_PID")
wait_for '[[ -n "$(bar_of "$BAR_PID")" ]] || ! running "$BAR_PID"' 150 ||
    fail "the bar did not show"
running "$BAR_PID" || fail "the installed program ended before its bar showed"
[[ $(count "$(boxes_of "$BAR_PID")") == 0 ]] || fail "the installed program showed a message"
end_with TERM
[[ $STATUS == 0 ]] || fail "exit status $STATUS"
grep -q $'^Position=1\r$' "$SYS/lintel.ini" 2>/dev/null ||
    fail "no lintel.ini with the dock edge in the system folder"
[[ ! -e "$ROOT/usr/bin/lintel.ini" ]] || fail "lintel.ini was written beside /usr/bin/lintel"

echo "Package install test passed in $((SECONDS - START)) s"
