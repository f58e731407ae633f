#!/usr/bin/env bash
# Makes sure the Debian packages that the given needs call for are installed.
# Usage: tools/deps.sh NEED...
#   build   compile and link the program
#   test    build the tests and benchmarks, and the tools the tests drive (Xvfb, openbox,
#           xdotool, trayer, ...; GNOME's and KDE's compositors with Xwayland and Qt's
#           Wayland plugin for a Wayland session; a session bus, playerctl and dbus-monitor
#           for the media controls; desktop-file-validate; the accessibility bus)
#   run     what the bar uses when it runs: its Japanese fonts, and for tools/run.sh
#           without a display a virtual screen, a window manager and a screenshot
#   format  clang-format, which the CI run checks the sources with
#   bench   build and run the benchmarks (the start-up one on Xvfb with openbox, digital
#           play through a private PulseAudio beside aplay from alsa-utils)
#   fuzz    build and run the libFuzzer targets (clang)
#   package build the Debian package (dpkg-shlibdeps, file)
#   check-package  check the package (lintian, appstreamcli, desktop-file-validate) and
#           test it in a fresh Debian system (debootstrap) on a virtual screen, watched
#           with xdotool, xprop and ImageMagick's import
# As root the missing packages are installed with apt-get; otherwise the exact
# apt-get line is printed and the script fails, so make stops before building.
set -euo pipefail

# dpkg-dev for dpkg-buildflags, which gives the program's build Debian's hardening flags.
build=(cmake make g++ pkg-config dpkg-dev qt6-base-dev libcdio-dev libcdio-paranoia-dev
       libasound2-dev libxcb1-dev libfontconfig-dev libdiscid-dev)
# Qt's private GUI headers let the accessibility tests switch on what a screen reader's
# bridge would switch on.
test_libs=(libgtest-dev libgmock-dev libbenchmark-dev qt6-base-private-dev)
# The bar's Japanese fonts and Qt's own texts in Japanese; Xvfb, openbox, xdotool, xprop
# (x11-utils) and ImageMagick's import for a run without a display. The tests use all of
# them and a tray (trayer).
run=(fonts-ipafont-gothic qt6-translations-l10n xvfb openbox xdotool x11-utils imagemagick)

# Wayland sessions of GNOME and KDE, and the desktop's view of the player on its bus.
sessions=(mutter kwin-wayland xwayland qt6-wayland dbus-daemon dbus-bin playerctl
          desktop-file-utils)

# The accessibility bus beside the session bus, and a reader of it, for the test that
# reads the bar as a screen reader does.
a11y=(at-spi2-core python3-pyatspi)

usage="usage: $0 build|test|run|format|bench|fuzz|package|check-package..."
[[ $# -gt 0 ]] || { echo "$usage" >&2; exit 2; }
wanted=()
for need in "$@"; do
    case "$need" in
        build) wanted+=("${build[@]}") ;;
        test) wanted+=("${build[@]}" "${test_libs[@]}" "${run[@]}" trayer pulseaudio
                       "${sessions[@]}" "${a11y[@]}" hicolor-icon-theme man-db) ;;
        run) wanted+=("${run[@]}") ;;
        format) wanted+=(clang-format) ;;
        bench) wanted+=("${build[@]}" "${test_libs[@]}" fonts-ipafont-gothic xvfb openbox pulseaudio
                        alsa-utils) ;;
        fuzz) wanted+=("${build[@]}" clang libclang-rt-dev) ;;
        package) wanted+=("${build[@]}" file) ;;
        check-package) wanted+=(lintian appstream desktop-file-utils debootstrap xvfb openbox
                                xdotool x11-utils imagemagick) ;;
        *) echo "$usage" >&2; exit 2 ;;
    esac
done

missing=()
for pkg in $(printf '%s\n' "${wanted[@]}" | sort -u); do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

line="apt-get install -y ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
    echo "Missing Debian packages. Install them as root with:" >&2
    echo "  $line" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
