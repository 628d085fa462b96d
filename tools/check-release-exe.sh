#!/usr/bin/env bash
# The Corvane.exe that players get, as its headers tell: a 32-bit GUI program with ASLR and DEP,
# relocatable, needing no DLL beyond Windows' own, and naming its version and commit.
#   tools/check-release-exe.sh EXE   (run by tools/make-dist.sh, for make dist and for every make test)
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/.." && pwd)
failures=0
fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }
headers=$(i686-w64-mingw32-objdump -p "$exe" 2>&1) || true
has() { grep -Eq "$1" <<<"$headers" || fail "$2"; }

has 'file format pei-i386' "not a PE32 file for i386"
has '^Magic[[:space:]]+010b' "not PE32"
has '^Subsystem[[:space:]]+00000002' "not a Windows GUI program"
has '^[[:space:]]+DYNAMIC_BASE$' "no ASLR (DYNAMIC_BASE)"
has '^[[:space:]]+NX_COMPAT$' "no DEP (NX_COMPAT)"
# ASLR needs the relocations: a stripped table makes Windows load the exe at its fixed base.
has '^Entry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory' "no relocation table"
! grep -q 'relocations stripped' <<<"$headers" || fail "relocations stripped"
# Windows' own DLLs only: the C++ runtime and the threads library are linked in.
while read -r dll; do
  case ${dll,,} in kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|advapi32.dll|msvcrt.dll) ;;
    *) fail "imports $dll, which Windows does not have" ;; esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
grep -qi 'DLL Name: kernel32.dll' <<<"$headers" || fail "no import table read"

version=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
# The exe's texts are read whole before any grep: under pipefail, a grep -q that stops at its first
# match would kill the writer with SIGPIPE and fail the check on some runs and not on others.
wide=$(strings -el "$exe") narrow=$(strings "$exe")
for name in FileVersion ProductVersion; do
  given=$(grep -A1 -x "$name" <<<"$wide" || true) given=${given#*$'\n'}
  [[ $given =~ ^"$version ($commit"(-dirty)?")"$ ]] ||
    fail "the version resource's $name is not \"$version ($commit)\": $given"
done
minor=$((10#${version#*.}))
grep -qF "name=\"Pellworth.Corvane\" version=\"${version%%.*}.$minor.0.0\"" <<<"$narrow" ||
  fail "the manifest does not carry version ${version%%.*}.$minor.0.0"

[ "$failures" = 0 ] || exit 1
echo "$exe: PE32 i386 GUI, ASLR, DEP, relocations, system DLLs only, version $version ($commit)"
