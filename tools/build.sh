#!/usr/bin/env bash
# Configures and builds everything in BUILD_DIR: Corvane's 32-bit build, or on a machine that runs
# no 32-bit programs the 64-bit build that the tests run there (tools/wine-env.sh).
#   tools/build.sh [--release]   (--release: the 32-bit build whatever the machine runs)
set -euo pipefail
if [ "${1:-}" = --release ]; then export CORVANE_HOST64=; fi
source "$(dirname "$0")/wine-env.sh"
arch=i686
if [ -n "$CORVANE_HOST64" ]; then
  arch=x86_64
  echo "This machine runs no 32-bit programs: the tests run a 64-bit build of the same sources, in $BUILD_DIR."
fi
cmake -S "$corvane_root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$corvane_root/cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" -j2
