#!/usr/bin/env bash
# shellcheck disable=SC2154  # corvane_root is set by the sourced wine-env.sh
# Configures and builds everything in BUILD_DIR. The 32-bit Corvane.exe that players get is built
# on every machine, in the 32-bit build folder; a machine that runs no 32-bit programs builds the
# tests, the demo and the benchmarks a second time for 64 bits, in BUILD_DIR (tools/wine-env.sh).
#   tools/build.sh [--release]   (--release: the 32-bit Corvane.exe alone)
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

configure() {
  cmake -S "$corvane_root" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$corvane_root/cmake/mingw-$2.cmake" \
    -DCMAKE_BUILD_TYPE=Release "${@:3}" >/dev/null
}

configure "$CORVANE_RELEASE_DIR" i686
if [ "${1:-}" = --release ]; then
  cmake --build "$CORVANE_RELEASE_DIR" -j2 --target Corvane
  exit 0
fi
if [ -n "$CORVANE_HOST64" ]; then
  # Beside it, the 32-bit end-to-end test and stand-in game that run it through qemu-user (tools/wine32.sh).
  cmake --build "$CORVANE_RELEASE_DIR" -j2 --target Corvane corvane_exe_test T3
  echo "This machine runs no 32-bit programs: the tests run a 64-bit build of the same sources, in $BUILD_DIR."
  configure "$BUILD_DIR" x86_64 -DCORVANE_RELEASE_EXE="$CORVANE_RELEASE_DIR/bin/Corvane.exe"
fi
cmake --build "$BUILD_DIR" -j2
