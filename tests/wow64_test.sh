#!/usr/bin/env bash
# In a 64-bit prefix, as Proton and current Wine make them: Corvane, a 32-bit program, writes
# ION_ROOT and GameSysModder where the 32-bit game reads them, the registry's 32-bit view. Where
# no 32-bit program runs, the 64-bit build's test prefix is a 64-bit one: corvane_exe_test checks
# both views there.
set -euo pipefail
export WINEPREFIX=$BUILD_DIR/wine-tests64 T3_STANDIN_SILENT=1
unset WINEARCH  # the prefix says what it is
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }
[ -f "$WINEPREFIX/system.reg" ] || { WINEARCH=win64 /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 && wineserver -w; }
trap 'wineserver -k 2>/dev/null || true' EXIT
game=$WINEPREFIX/drive_c/Game work=$WINEPREFIX/drive_c/work
mkdir -p "$game/System" "$work"
cp "$BUILD_DIR/bin/T3.exe" "$game/System/"
printf 'C:\\Game\\\r\nC:\\Game\\\r\nX.t3u\r\n' >"$work/Corvane.ini"
key='HKLM\Software\Ion Storm\Thief - Deadly Shadows'
values() { wine reg query "$key" "/reg:$1" </dev/null 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ {print $1 "=" $3}' || true; }

for view in 32 64; do wine reg delete "$key" /f "/reg:$view" </dev/null >/dev/null 2>&1 || true; done
rm -f "$game/System/T3-report.txt"
(cd "$work" && wine "$BUILD_DIR/bin/Corvane.exe" /rungame </dev/null >/dev/null 2>&1) || fail "/rungame ended with $?"
[ "$(values 32)" = "$(printf 'GameSysModder=C:\\Game\\System\\X.t3u\nION_ROOT=C:\\Game')" ] ||
  fail "the 32-bit view holds: $(values 32)"
[ -z "$(values 64)" ] || fail "the 64-bit view holds: $(values 64)"
# The stand-in game writes its report and ends: the prefix's server ends after its last program,
# however long a loaded machine takes (ctest's limit catches a hang).
wineserver -w
grep -q $'ION_ROOT=C:\\\\Game\tGameSysModder=C:\\\\Game\\\\System\\\\X.t3u' "$game/System/T3-report.txt" ||
  fail "the 32-bit game read: $(cat "$game/System/T3-report.txt" 2>/dev/null)"
echo "64-bit prefix: the game's values are in the 32-bit view, where the game reads them"
