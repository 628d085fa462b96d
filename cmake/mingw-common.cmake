# Cross build for Windows with Debian's MinGW-w64 (posix thread model), for the processor that
# the including toolchain file names.
set(CMAKE_SYSTEM_NAME Windows)
set(corvane_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${corvane_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${corvane_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${corvane_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${corvane_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine, in the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-exec.sh)
