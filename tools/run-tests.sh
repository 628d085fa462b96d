#!/usr/bin/env bash
# Runs the test programs under Wine on a virtual display, one after another.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX=$BUILD_DIR/wine-tests
source "$(dirname "$0")/wine-session.sh"

# Drive T: is the tests' own: they build folder trees on it with names and case of their choosing.
mkdir -p "$BUILD_DIR/drive-t"
ln -sfn "$BUILD_DIR/drive-t" "$WINEPREFIX/dosdevices/t:"

cd "$BUILD_DIR"
ctest --output-on-failure "$@"
