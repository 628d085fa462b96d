# shellcheck shell=bash
# Sourced: the Wine settings shared by the tests, the benchmarks and the demo.
# BUILD_DIR picks the build tree; the test prefix always lives inside it, never in ~/.wine.
corvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$corvane_root/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$corvane_root/$BUILD_DIR ;; esac
# Where the 32-bit Corvane.exe, the one players get, is built on every machine.
CORVANE_RELEASE_DIR=${CORVANE_RELEASE_DIR:-$BUILD_DIR}
# shellcheck disable=SC2034  # read by the scripts that source this one
# qemu-user's qemu-i386, which runs 32-bit Wine where Linux runs no 32-bit programs (tools/wine32.sh).
corvane_qemu=$CORVANE_RELEASE_DIR/qemu/qemu-i386
# Some virtual machines run no 32-bit Linux programs, and so no 32-bit Wine. There the tests, the
# demo and the benchmarks run a 64-bit build of the same sources, made in BUILD_DIR/host64, with
# Wine's 64-bit part; Corvane itself and its release package stay 32-bit (tools/build.sh).
if [ -z "${CORVANE_HOST64+set}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    CORVANE_HOST64=
  else
    CORVANE_HOST64=1 BUILD_DIR=$BUILD_DIR/host64
  fi
fi
export BUILD_DIR CORVANE_HOST64 CORVANE_RELEASE_DIR
if [ -n "$CORVANE_HOST64" ]; then
  # Debian's wine and wineboot would pick the 32-bit loader because it is installed.
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  case ":$PATH:" in *":$corvane_root/tools/wine64:"*) ;; *) PATH=$corvane_root/tools/wine64:$PATH ;; esac
else
  export WINEARCH=win32
fi
export WINEDEBUG=-all
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The stand-in game stays silent unless the demo asks it to speak.
export T3_STANDIN_SILENT=${T3_STANDIN_SILENT-1}
