#!/usr/bin/env bash
# ctest's emulator: runs one Windows program in the project's test prefix.
source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX=$BUILD_DIR/wine-tests
exec wine "$@"
