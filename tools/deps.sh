#!/usr/bin/env bash
# Makes sure the Debian packages a make target needs are installed.
# Usage: tools/deps.sh build|test|run|bench|fuzz
# As root the missing packages are installed with apt-get; otherwise the exact
# apt-get line is printed and the script fails, so make stops before building.
set -euo pipefail

build=(cmake make g++ pkg-config qt6-base-dev libcdio-dev libiso9660-dev libasound2-dev
       libxcb1-dev libgtest-dev libgmock-dev libbenchmark-dev)
desktop=(xvfb openbox xdotool x11-utils imagemagick fonts-ipafont-gothic trayer)

case "${1:-}" in
    build|bench) wanted=("${build[@]}") ;;
    test|run) wanted=("${build[@]}" "${desktop[@]}") ;;
    fuzz) wanted=("${build[@]}" clang libclang-rt-dev) ;;
    *) echo "usage: $0 build|test|run|bench|fuzz" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
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
