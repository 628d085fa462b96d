#!/usr/bin/env bash
# shellcheck disable=SC2034  # CORVANE_TEST_PREFIX is read by the sourced wine-session.sh
# Runs the test programs under Wine on a virtual display, one after another.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
# One locale for every run: Wine takes its code page from it, and the tests name files outside ASCII.
export LC_ALL=C.UTF-8
export WINEPREFIX=$BUILD_DIR/wine-tests
CORVANE_TEST_PREFIX=1
source "$(dirname "$0")/wine-session.sh"

cd "$BUILD_DIR"
status=0
ctest --output-on-failure "$@" || status=$?
# ctest says that a test was skipped; the test's own line says why.
grep -h '^Skipped: ' Testing/Temporary/LastTest.log || true
exit "$status"
