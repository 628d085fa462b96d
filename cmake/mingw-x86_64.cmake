# 64-bit Windows, for the tests alone, on a machine that runs no 32-bit programs (tools/wine-env.sh).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVANE_TESTS_ONLY_64 ON)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
