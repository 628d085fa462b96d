#!/usr/bin/env bash
# Runs the test programs under Wine on a virtual display, one after another.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX=$BUILD_DIR/wine-tests
CORVANE_TEST_PREFIX=1
source "$(dirname "$0")/wine-session.sh"

cd "$BUILD_DIR"
ctest --output-on-failure "$@"
