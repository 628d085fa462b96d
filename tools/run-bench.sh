#!/usr/bin/env bash
# Runs every benchmark program under Wine in the test prefix; each prints its own figures.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX=$BUILD_DIR/wine-tests
CORVANE_TEST_PREFIX=1
source "$(dirname "$0")/wine-session.sh"
for bench in "$BUILD_DIR"/bin/*_bench.exe; do
  [ -e "$bench" ] || continue
  echo "== $(basename "$bench" .exe)"
  wine "$bench"
done
