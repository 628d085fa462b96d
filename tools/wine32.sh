#!/usr/bin/env bash
# shellcheck disable=SC2034,SC2154  # variables set for, and by, the sourced wine-env.sh and wine-session.sh
# ctest's runner for the 32-bit test programs: runs one in a 64-bit prefix of its own, as 64-bit
# Windows, Proton and current Wine run Corvane, on a display of its own. Where Linux runs no 32-bit
# programs, 32-bit Wine runs through qemu-user's qemu-i386 (tools/install-deps.sh fetches it), which
# a binfmt_misc entry hands every i386 program; that entry lives in a user and mount namespace of
# this run's own, so no other program on the machine, another test run's included, sees it.
#   tools/wine32.sh PROGRAM [ARGUMENTS...]   (exit code 77: it can't run here, as one line says)
# Expects BUILD_DIR (a folder of the 32-bit build's for the prefix and its drives), CORVANE_RELEASE_DIR
# (the 32-bit build) and CORVANE_HOST64=1: Wine's 64-bit settings (tools/wine-env.sh).
set -euo pipefail
tools=$(cd "$(dirname "$0")" && pwd)
source "$tools/wine-env.sh"
skip() { echo "Skipped: the 32-bit Corvane.exe can't run on this machine: $*."; exit 77; }

if [ "${1:-}" = --in-namespace ]; then
  shift
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
    skip "a user namespace gets no binfmt_misc of its own before Linux 6.7"
  # qemu's own pattern for i386 programs. F: the kernel opens qemu-i386 now, once.
  echo ":corvane-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$corvane_qemu:F" \
    >/proc/sys/fs/binfmt_misc/register
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  [ -x "$corvane_qemu" ] || skip "no 32-bit Wine, and no $corvane_qemu (tools/install-deps.sh fetches it)"
  unshare --user --map-root-user --mount true 2>/dev/null || skip "no 32-bit Wine, and no user namespaces for qemu-user"
  exec unshare --user --map-root-user --mount bash "$0" --in-namespace "$@"
fi

# Made where i386 programs run: made elsewhere, the prefix's 32-bit half stays empty.
export WINEPREFIX=$BUILD_DIR/wine-tests
CORVANE_TEST_PREFIX=1
source "$tools/wine-session.sh"
# Under ctest's own limit, so that the session still ends its server and display.
timeout -k 10 840 wine "$@"
