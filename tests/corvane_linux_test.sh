#!/usr/bin/env bash
# launcher/corvane-linux in fake homes with fake Steam layouts; a fake wine logs how it was started.
set -euo pipefail
unset WINEPREFIX BUILD_DIR
tmp=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$tmp"' EXIT
export WINE_LOG=$tmp/wine.log
failures=0
fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }

nowine=$tmp/nowine bin=$tmp/bin app=$tmp/app repo=$tmp/repo flatpak=.var/app/com.valvesoftware.Steam/data/Steam
mkdir -p "$nowine" "$bin" "$app" "$repo/launcher" "$repo/out/bin" "$tmp/empty" "$tmp/other" "$tmp/own"
find /usr/bin -mindepth 1 -maxdepth 1 ! -type d ! -name 'wine*' -exec ln -s -t "$nowine" {} +
printf '%s\n' '#!/bin/bash' 'printf "%s\n" "$0" "$PWD" "$WINEPREFIX" "$@" >"$WINE_LOG"' >"$bin/wine"
chmod +x "$bin/wine" && cp "$bin/wine" "$tmp/own/wine"
for dir in "$app" "$repo/launcher"; do cp "$(dirname "$0")/../launcher/corvane-linux" "$dir/"; done
touch "$app/Corvane.exe" "$repo/out/bin/Corvane.exe"

# steam HOME ROOT LIBRARY SUB [GONE]: a Steam root listing LIBRARY (both under HOME), where the game is app
# 7000 with a prefix made by a Proton keeping its wine under SUB, less GONE. A decoy game in the root has a
# prefix and a T3.exe outside System; a library in a folder named "files" must not pass for Proton's files/.
steam() {
  local root=$1/$2/steamapps lib=$1/$3/steamapps acf='"AppState"\n{\n\t"installdir"\t\t"%s"\n}\n'
  mkdir -p "$root/common/Other/Bin" "$root/compatdata/1/pfx" "$lib/common/Thief DS/sYsTeM" \
    "$lib/compatdata/7000/pfx" "$lib/common/Proton 8.0/$4/bin"
  touch "$root/common/Other/Bin/T3.exe" "$lib/common/Thief DS/sYsTeM/t3.EXE"
  printf "$acf" Other >"$root/appmanifest_1.acf"
  printf "$acf" "Thief DS" >"$lib/appmanifest_7000.acf"
  { printf '"libraryfolders"\n{\n'; printf '\t"%s"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n' 0 "$1/$2" 1 "$1/$3"; echo '}'; } \
    >"$root/libraryfolders.vdf"
  printf '8.0-5\n%s/%s/share/fonts/\n' "$lib/common/Proton 8.0" "$4" >"$lib/compatdata/7000/config_info"
  cp "$bin/wine" "$lib/common/Proton 8.0/$4/bin/"
  [ -z "${5:-}" ] || rm -r "$lib/$5"
}
steam "$tmp/native" .local/share/Steam "files/steam library" files
steam "$tmp/flat" "$flatpak" "$flatpak" dist
steam "$tmp/noprefix" .steam/steam lib files compatdata/7000
steam "$tmp/noproton" .steam/root lib files "common/Proton 8.0"
mkdir -p "$tmp/nogame/.local/share/Steam/steamapps" "$tmp/nogame/.steam"
ln -s ../.local/share/Steam "$tmp/nogame/.steam/root"

# run HOME PATH ARGS...: the script in $script (the copy next to Corvane.exe unless set).
run() {
  : >"$WINE_LOG"
  out=$(HOME=$1 PATH=$2 "${script:-$app/corvane-linux}" "${@:3}" 2>"$tmp/err") && rc=0 || rc=$?
}
# expect_run NAME HOME WINE FOLDER PREFIX [OPTIONS...]: both a run and the command --print shows (while
# running nothing) start WINE in FOLDER and PREFIX on FOLDER/Corvane.exe, handing on $args as they are.
args=(/setgamepath 'D:\Games\T3 Mod\' "it's two")
expect_run() {
  want=$(printf '%s\n' "$3" "$4" "$5" "$4/Corvane.exe" "${args[@]}")
  run "$2" "$bin:$nowine" "${@:6}" "${args[@]}"
  [ "$rc" = 0 ] && [ "$(<"$WINE_LOG")" = "$want" ] || fail "$1: exit $rc, $(<"$tmp/err"), wine saw: $(<"$WINE_LOG")"
  run "$2" "$bin:$nowine" --print "${@:6}" "${args[@]}"
  shown=$(printf 'prefix:  %s\nwine:    %s\nfolder:  %s' "$5" "$3" "$4")
  [ ! -s "$WINE_LOG" ] && [ "$(head -n 3 <<<"$out")" = "$shown" ] || fail "$1: --print ran wine or shows: $out"
  (cd / && eval "${out##*command: }") || true
  [ "$(<"$WINE_LOG")" = "$want" ] || fail "$1: --print's command does not run what a run does: $out"
}

lib="$tmp/native/files/steam library/steamapps" flat=$tmp/flat/$flatpak/steamapps
expect_run "Proton of the game in a second library" "$tmp/native" "$lib/common/Proton 8.0/files/bin/wine" "$app" \
  "$lib/compatdata/7000/pfx"
expect_run "Flatpak Steam, an older Proton keeping wine in dist" "$tmp/flat" \
  "$flat/common/Proton 8.0/dist/bin/wine" "$app" "$flat/compatdata/7000/pfx"
expect_run "--prefix and --wine win over Steam" "$tmp/native" "$tmp/own/wine" "$app" "$tmp/other" \
  --prefix "$tmp/other" --wine "$tmp/own/wine"
WINEPREFIX=$tmp/mine expect_run "no Steam: wine from PATH in WINEPREFIX" "$tmp/empty" "$bin/wine" "$app" "$tmp/mine"
script=$repo/launcher/corvane-linux BUILD_DIR=out expect_run "in the repository, no Steam nor WINEPREFIX" \
  "$tmp/empty" "$bin/wine" "$repo/out/bin" "$tmp/empty/.wine"

# Errors: SCRIPT|HOME|PATH|MESSAGE, an empty SCRIPT being the copy next to Corvane.exe.
while IFS='|' read -r script home path message; do
  BUILD_DIR=missing run "$home" "$path" --print
  [ "$rc" = 1 ] && [[ $(<"$tmp/err") == *"$message"* ]] && [ -z "$out" ] ||
    fail "wanted \"$message\", got exit $rc: $(<"$tmp/err")"
done <<EOF
|$tmp/empty|$nowine|No Wine found: install Wine or pass --wine.
|$tmp/nogame|$bin:$nowine|was not found in any Steam library ($tmp/nogame/.local/share/Steam).
|$tmp/noprefix|$bin:$nowine|has no Wine prefix yet: start the game once from Steam
|$tmp/noproton|$bin:$nowine|(8.0-5) is no longer installed: install it in Steam
$repo/launcher/corvane-linux|$tmp/empty|$bin:$nowine|not found next to this script ($repo/launcher) nor in $repo/missing/bin:
EOF

[ "$failures" = 0 ] && echo "corvane-linux: all checks passed"
