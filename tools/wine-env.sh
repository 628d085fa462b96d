# Sourced: the Wine settings shared by the tests, the benchmarks and the demo.
# BUILD_DIR picks the build tree; the test prefix always lives inside it, never in ~/.wine.
corvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$corvane_root/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$corvane_root/$BUILD_DIR ;; esac
export BUILD_DIR
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The stand-in game stays silent unless the demo asks it to speak.
export T3_STANDIN_SILENT=${T3_STANDIN_SILENT-1}
