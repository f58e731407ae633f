#!/usr/bin/env bash
# Starts the bar from the build folder given as $1.
set -euo pipefail
build=${1:-build}
if [[ -x "$build/src/app/lintel" ]]; then
    exec "$build/src/app/lintel"
fi
echo "The bar is not built yet: this tree holds its libraries and tests."
echo "Once it exists, 'make run' starts $build/src/app/lintel."
