#!/usr/bin/env bash
# tools/corvane-linux against fake Steam layouts in fake homes; a fake wine writes down how it
# was started, and no real Wine is ever reached.
set -euo pipefail
unset WINEPREFIX BUILD_DIR
tmp=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$tmp"' EXIT
export WINE_LOG=$tmp/wine.log
failures=0
fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }

nowine=$tmp/nowine bin=$tmp/bin app=$tmp/app repo=$tmp/repo
mkdir -p "$nowine" "$bin" "$app" "$repo/tools" "$repo/out/bin"
find /usr/bin -mindepth 1 -maxdepth 1 ! -type d ! -name 'wine*' -exec ln -s -t "$nowine" {} +
cat >"$bin/wine" <<'EOF'
#!/bin/bash
{ echo "wine=$0"; echo "cwd=$PWD"; echo "prefix=$WINEPREFIX"; printf 'arg=%s\n' "$@"; } >"$WINE_LOG"
EOF
chmod +x "$bin/wine"
for dir in "$app" "$repo/tools"; do cp "$(dirname "$0")/../tools/corvane-linux" "$dir/"; done
touch "$app/Corvane.exe" "$repo/out/bin/Corvane.exe"

# steam HOME ROOT LIBRARY ID SUB: a Steam root whose libraryfolders.vdf lists LIBRARY, where the
# game is app ID with a prefix made by a Proton keeping its wine under SUB. The root holds another
# game that has a prefix and a T3.exe outside System, which must not be taken for the game.
steam() {
  local root=$1/$2 lib=$3 proton="$3/steamapps/common/Proton 8.0" game="$3/steamapps/common/Thief DS"
  mkdir -p "$root/steamapps/common/Other/Bin" "$root/steamapps/compatdata/1/pfx" "$game/sYsTeM" \
    "$lib/steamapps/compatdata/$4/pfx" "$proton/$5/bin"
  { printf '"libraryfolders"\n{\n'; printf '\t"%s"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n' 0 "$root" 1 "$lib"; echo '}'; } \
    >"$root/steamapps/libraryfolders.vdf"
  touch "$root/steamapps/common/Other/Bin/T3.exe" "$game/sYsTeM/t3.EXE"
  printf '"AppState"\n{\n\t"installdir"\t\t"Other"\n}\n' >"$root/steamapps/appmanifest_1.acf"
  printf '"AppState"\n{\n\t"appid"\t\t"%s"\n\t"installdir"\t\t"Thief DS"\n}\n' "$4" \
    >"$lib/steamapps/appmanifest_$4.acf"
  printf '8.0-5\n%s/%s/share/fonts/\n' "$proton" "$5" >"$lib/steamapps/compatdata/$4/config_info"
  cp "$bin/wine" "$proton/$5/bin/wine"
}
# A library under a folder named "files" tells Proton's own files/ apart from the path above it.
steam "$tmp/native" .local/share/Steam "$tmp/files/steam library" 4000 files
mkdir "$tmp/native/.steam" && ln -s ../.local/share/Steam "$tmp/native/.steam/steam"
flat=$tmp/flat/.var/app/com.valvesoftware.Steam/data/Steam
steam "$tmp/flat" "${flat#"$tmp/flat/"}" "$flat" 4001 dist
steam "$tmp/noprefix" .steam/steam "$tmp/noprefix/lib" 4002 files
rm -r "$tmp/noprefix/lib/steamapps/compatdata/4002"
steam "$tmp/noproton" .steam/root "$tmp/noproton/lib" 4003 files
rm -r "$tmp/noproton/lib/steamapps/common/Proton 8.0"
mkdir -p "$tmp/nogame/.local/share/Steam/steamapps" "$tmp/nogame/.steam" "$tmp/empty" "$tmp/other"
ln -s ../.local/share/Steam "$tmp/nogame/.steam/root"
proton8="$tmp/files/steam library/steamapps/common/Proton 8.0/files/bin/wine"
native_pfx="$tmp/files/steam library/steamapps/compatdata/4000/pfx"

# run HOME PATH ARGS...: the script in $script (the copy next to Corvane.exe unless set).
run() {
  local home=$1 path=$2
  shift 2
  rm -f "$WINE_LOG"
  rc=0
  out=$(HOME=$home PATH=$path "${script:-$app/corvane-linux}" "$@" 2>"$tmp/err") || rc=$?
  err=$(<"$tmp/err")
}
log() { printf 'wine=%s\ncwd=%s\nprefix=%s\n' "$1" "$2" "$3"; printf 'arg=%s\n' "${@:4}"; }
# expect_run NAME EXPECTED-LOG HOME PATH ARGS...
expect_run() {
  run "${@:3}"
  [ "$rc" = 0 ] && [ "$(cat "$WINE_LOG" 2>/dev/null)" = "$2" ] ||
    fail "$1: exit $rc, $err, wine saw: $(cat "$WINE_LOG" 2>/dev/null)"
}

expect_run "Proton of a game in a second library, arguments kept" \
  "$(log "$proton8" "$app" "$native_pfx" "$app/Corvane.exe" /setgamepath 'D:\Games\T3 Mod\')" \
  "$tmp/native" "$nowine" /setgamepath 'D:\Games\T3 Mod\'
expect_run "Flatpak Steam, an older Proton keeping wine in dist" \
  "$(log "$flat/steamapps/common/Proton 8.0/dist/bin/wine" "$app" "$flat/steamapps/compatdata/4001/pfx" \
    "$app/Corvane.exe" /rungame)" "$tmp/flat" "$nowine" /rungame
expect_run "--prefix and --wine win over Steam" \
  "$(log "$bin/wine" "$app" "$tmp/other" "$app/Corvane.exe" /rungame)" \
  "$tmp/native" "$nowine" --prefix "$tmp/other" --wine "$bin/wine" /rungame
WINEPREFIX=$tmp/mine expect_run "no Steam: wine from PATH in WINEPREFIX" \
  "$(log "$bin/wine" "$app" "$tmp/mine" "$app/Corvane.exe" /runeditor)" "$tmp/empty" "$bin:$nowine" /runeditor
expect_run "no Steam, no WINEPREFIX: ~/.wine" \
  "$(log "$bin/wine" "$app" "$tmp/empty/.wine" "$app/Corvane.exe")" "$tmp/empty" "$bin:$nowine"
script=$repo/tools/corvane-linux BUILD_DIR=out expect_run "in the repository: BUILD_DIR/bin/Corvane.exe" \
  "$(log "$bin/wine" "$repo/out/bin" "$tmp/empty/.wine" "$repo/out/bin/Corvane.exe")" "$tmp/empty" "$bin:$nowine"

# --print runs nothing, and the command it prints does what a run does.
run "$tmp/native" "$nowine" --print /rungame 'two words'
[ ! -e "$WINE_LOG" ] || fail "--print ran wine"
shown=$(printf 'prefix:  %s\nwine:    %s\nfolder:  %s' "$native_pfx" "$proton8" "$app")
[ "$(sed -n 1,3p <<<"$out")" = "$shown" ] || fail "--print shows: $out"
(cd / && eval "${out##*command: }")
ran=$(log "$proton8" "$app" "$native_pfx" "$app/Corvane.exe" /rungame 'two words')
[ "$(cat "$WINE_LOG" 2>/dev/null)" = "$ran" ] || fail "--print's command does not run what a run does: $out"

# Errors: SCRIPT|HOME|PATH|MESSAGE, an empty SCRIPT being the copy next to Corvane.exe.
while IFS='|' read -r script home path message; do
  BUILD_DIR=missing run "$home" "$path" --print
  [ "$rc" = 1 ] && [[ $err == *"$message"* ]] && [ -z "$out" ] ||
    fail "wanted \"$message\", got exit $rc: $err"
done <<EOF
|$tmp/empty|$nowine|No Wine found: install Wine or pass --wine.
|$tmp/nogame|$bin:$nowine|Thief: Deadly Shadows was not found in any Steam library ($tmp/nogame/.local/share/Steam).
|$tmp/noprefix|$bin:$nowine|has no Wine prefix yet: start the game once from Steam
|$tmp/noproton|$bin:$nowine|(8.0-5) is no longer installed: install it in Steam
$repo/tools/corvane-linux|$tmp/empty|$bin:$nowine|Corvane.exe not found next to this script ($repo/tools) nor in $repo/missing/bin:
EOF

[ "$failures" = 0 ] || exit 1
echo "corvane-linux: all checks passed"
