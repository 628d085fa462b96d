#!/usr/bin/env bash
# launcher/corvane-linux in fake homes with fake Steam layouts; fake programs (wine, proton, Steam's
# reaper, zenity) log how they were started.
# shellcheck disable=SC2034  # steam, t3 and args are used by the tables' rows, through eval
set -euo pipefail
unset WINEPREFIX BUILD_DIR STEAM_COMPAT_DATA_PATH XDG_STATE_HOME
tmp=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$tmp"' EXIT
export LOG=$tmp/log
failures=0
fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }

sys=$tmp/sys bin=$tmp/bin app="$tmp/my games/corvane" repo=$tmp/repo id=6980
mkdir -p "$sys" "$app" "$repo/launcher" "$repo/out/bin" "$tmp/empty"
# No wine and no dialog of the machine's own may answer.
find /usr/bin -mindepth 1 -maxdepth 1 ! -type d ! -name 'wine*' ! -name zenity ! -name kdialog ! -name notify-send \
  -exec ln -s -t "$sys" {} +
printf '%s\n' '#!/bin/bash' 'printf "%s\n" "$0" "$PWD" "${STEAM_COMPAT_DATA_PATH-}" \
  "${STEAM_COMPAT_CLIENT_INSTALL_PATH-}" "${WINEPREFIX-}" "$@" >>"$LOG"' >"$tmp/fake" && chmod +x "$tmp/fake"
fake() { local file; for file; do mkdir -p "${file%/*}" && cp "$tmp/fake" "$file"; done; }
fake "$bin/wine" "$tmp/dialog/zenity" "$tmp/own/wine"
for dir in "$app" "$repo/launcher"; do cp "$(dirname "$0")/../launcher/corvane-linux" "$dir/"; done
touch "$app/Corvane.exe" "$repo/out/bin/Corvane.exe"

# root DIR FORM LIBRARY...: a Steam root listing the libraries in libraryfolders.vdf's FORM (new or old,
# "1" "DIR"), with a decoy game that has a T3.exe outside System and a prefix.
root() {
  local apps=$1/steamapps at=0 lib
  mkdir -p "$apps/common/Other/Bin" "$apps/compatdata/1/pfx"
  touch "$apps/common/Other/Bin/T3.exe" "$apps/compatdata/1/pfx/system.reg"
  printf '"AppState"\n{\n\t"installdir"\t\t"Other"\n}\n' >"$apps/appmanifest_1.acf"
  { echo '"libraryfolders"'; echo '{'
    for lib in "${@:3}"; do
      if [ "$2" = new ]; then printf '\t"%s"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n' $at "$lib"; else printf '\t"%s"\t\t"%s"\n' $at "$lib"; fi
      at=$((at + 1))
    done; echo '}'; } >"$apps/libraryfolders.vdf"
}
game() {
  mkdir -p "$1/steamapps/common/Thief DS/sYsTeM"
  touch "$1/steamapps/common/Thief DS/sYsTeM/t3.EXE"
  printf '"AppState"\n{\n\t"installdir"\t\t"Thief DS"\n}\n' >"$1/steamapps/appmanifest_$id.acf"
}
# prefix LIBRARY [PROTON [AS]]: the game's prefix, made by PROTON, whose files config_info names as AS.
prefix() {
  local compat=$1/steamapps/compatdata/$id
  mkdir -p "$compat/pfx" && touch "$compat/pfx/system.reg"
  [ -z "${2:-}" ] || printf '8.0-5\n%s/share/fonts/\n' "${3:-$2/files}" >"$compat/config_info"
  [ -z "${2:-}" ] || fake "$2/proton"
}
fp=.var/app/com.valvesoftware.Steam sl=.local/share/Steam
R=$tmp/native/$sl F=$tmp/flat/$fp/$sl G=$tmp/flatge/$fp/data/Steam
ext=$tmp/flatge/.local/share/flatpak/runtime/com.valvesoftware.Steam.CompatibilityTool.GE-Proton/x86_64/stable/active/files
# A game moved to the SD card keeps its prefix on internal storage.
root "$R" new "$R" "$tmp/native/sd card" && game "$tmp/native/sd card" && prefix "$R" "$R/steamapps/common/Proton 8.0"
# Flatpak Steam writes its sandbox's paths; the native Steam beside it has a Proton of the same name.
root "$F" old "$tmp/flat/$sl" "$tmp/flat/lib" && game "$tmp/flat/$fp/lib"
prefix "$F" "$F/steamapps/common/Proton 8.0" "$tmp/flat/$sl/steamapps/common/Proton 8.0/files"
root "$tmp/flat/$sl" new && fake "$tmp/flat/$sl/steamapps/common/Proton 8.0/proton"
root "$G" new && game "$G" && prefix "$G" "$ext" /app/share/steam/compatibilitytools.d/GE-Proton/dist  # as older Protons
# Native and Flatpak Steam both have the game.
for dir in "$tmp/both/$sl" "$tmp/both/$fp/$sl"; do root "$dir" new && game "$dir" && prefix "$dir" "$dir/p"; done
for home in noprefix gone noconfig nogame; do root "$tmp/$home/$sl" new; done
mkdir -p "$tmp/nogame/.steam" && ln -s ../$sl "$tmp/nogame/.steam/root"  # the same root, as Steam links it
for home in noprefix gone noconfig; do game "$tmp/$home/$sl"; done
prefix "$tmp/gone/$sl" "$tmp/gone/p" && rm -r "$tmp/gone/p" && prefix "$tmp/noconfig/$sl"
mkdir -p "$tmp/wineonly/.wine" "$tmp/rel/pfx" && touch "$tmp/wineonly/.wine/system.reg" "$tmp/rel/pfx/system.reg"
ln -s "$R/steamapps/compatdata/$id/pfx" "$tmp/link"
# What Steam's %command% holds for a Proton game.
fake "$R/ubuntu12_32/reaper" && mkdir -p "$R/steamapps/common/SteamLinuxRuntime_sniper"
touch "$R/ubuntu12_32/steam-launch-wrapper" "$R/steamapps/common/SteamLinuxRuntime_sniper/_v2-entry-point"
steam=("$R/ubuntu12_32/reaper" SteamLaunch "AppId=$id" -- "$R/ubuntu12_32/steam-launch-wrapper" --
  "$R/steamapps/common/SteamLinuxRuntime_sniper/_v2-entry-point" --verb=waitforexitandrun --
  "$R/steamapps/common/Proton 8.0/proton" waitforexitandrun)
t3="$tmp/native/sd card/steamapps/common/Thief DS/sYsTeM/t3.EXE"

# run HOME VARIABLES ARGS...: the script beside Corvane.exe, or in the repository for BUILD_DIR, from $tmp.
run() {
  local script=$app/corvane-linux
  [[ $2 != *BUILD_DIR* ]] || script=$repo/launcher/corvane-linux
  rm -f "$LOG"
  eval "local variables=($2)"
  out=$(cd "$tmp" && env HOME="$tmp/$1" PATH="$bin:$sys:$tmp/dialog" "${variables[@]}" "$script" "${@:3}" 2>"$tmp/err") && rc=0 || rc=$?
}
args=(/setgamepath 'D:\Games\T3 Mod\' "it's two")
# Each row: a run, and --print's command (while it runs nothing), start RUNNER in FOLDER with the
# compat paths and WINEPREFIX, handing on the arguments as they are. The command and what the runner
# gets after them are arrays of shell words.
while IFS='|' read -r what home variables command runner folder compat client wineprefix expected; do
  eval "command=($command) expected=($expected)"
  want=$(printf '%s\n' "$runner" "$folder" "$compat" "$client" "$wineprefix" "${expected[@]}")
  run "$home" "$variables" "${command[@]}"
  [ "$rc" = 0 ] && [ "$(<"$LOG")" = "$want" ] || fail "$what: exit $rc, $(<"$tmp/err"), ran: $(<"$LOG")"
  run "$home" "$variables" --print "${command[@]}"
  [ ! -e "$LOG" ] && [ "$(sed -n 2,3p <<<"$out")" = "$(printf 'runner:  %s\nfolder:  %s' "$runner" "$folder")" ] ||
    fail "$what: --print ran something or shows: $out"
  (eval "export LOG $variables"; cd / && eval "${out##*command: }") || true
  [ "$(<"$LOG")" = "$want" ] || fail "$what: --print's command does not run what a run does: $out"
done <<EOF
Proton of the prefix on internal storage, game on the SD card|native||"\${args[@]}"|$R/steamapps/common/Proton 8.0/proton|$app|$R/steamapps/compatdata/$id|$R||run "\$app/Corvane.exe" "\${args[@]}"
Flatpak sandbox paths, old libraryfolders.vdf|flat||"\${args[@]}"|$F/steamapps/common/Proton 8.0/proton|$app|$F/steamapps/compatdata/$id|$F||run "\$app/Corvane.exe" "\${args[@]}"
A Proton from a Flatpak extension|flatge||"\${args[@]}"|$ext/proton|$app|$G/steamapps/compatdata/$id|$G||run "\$app/Corvane.exe" "\${args[@]}"
--prefix through a link|native||--prefix "\$tmp/link" "\${args[@]}"|$R/steamapps/common/Proton 8.0/proton|$app|$R/steamapps/compatdata/$id|$R||run "\$app/Corvane.exe" "\${args[@]}"
--wine wins over the prefix's Proton|native||--wine "\$tmp/own/wine" "\${args[@]}"|$tmp/own/wine|$app|||$R/steamapps/compatdata/$id/pfx|"\$app/Corvane.exe" "\${args[@]}"
No Steam: wine in ~/.wine|wineonly||"\${args[@]}"|$bin/wine|$app|||$tmp/wineonly/.wine|"\$app/Corvane.exe" "\${args[@]}"
A relative WINEPREFIX, in the repository|empty|WINEPREFIX=rel/pfx BUILD_DIR=out|"\${args[@]}"|$bin/wine|$repo/out/bin|||$tmp/rel/pfx|"\$repo/out/bin/Corvane.exe" "\${args[@]}"
Steam's command, a switch before it|native|STEAM_COMPAT_DATA_PATH=/c|/rungame "\${steam[@]}" "\$t3"|$R/ubuntu12_32/reaper|$app|/c|||"\${steam[@]:1}" "\$app/Corvane.exe" /rungame
Steam's command and the game's arguments|empty||"\${steam[@]}" "\$t3" -x|$R/ubuntu12_32/reaper|$app||||"\${steam[@]:1}" "\$app/Corvane.exe" -x
EOF

# Errors: HOME|VARIABLES|COMMAND|MESSAGE, on stderr, in zenity's box (stderr is no terminal) and in the log.
while IFS='|' read -r home variables command message; do
  eval "command=($command) message=$message"
  run "$home" "$variables" --print "${command[@]}"
  box=$(sed -n '/^--text=/,$p' "$LOG" 2>/dev/null || true)
  [ "$rc" = 1 ] && [[ $(<"$tmp/err") == *"$message"* ]] && [ -z "$out" ] && [ "$box" = "--text=$(<"$tmp/err")" ] &&
    grep -qF "$(head -n 1 "$tmp/err")" "$tmp/$home/.local/state/corvane/corvane-linux.log" ||
    fail "wanted \"$message\", got exit $rc: $(<"$tmp/err"), box: $box"
done <<EOF
wineonly|PATH=\$sys:\$tmp/dialog||"No Wine found: install Wine or pass --wine."
nogame|||"was not found in any Steam library (\$tmp/nogame/\$sl)."
noprefix|||"has no Wine prefix yet: start the game once from Steam"
gone|||"(8.0-5) is no longer installed: install it in Steam"
noconfig|||"(\$tmp/noconfig/\$sl/steamapps/compatdata/\$id/pfx) does not say which Proton made it"
both|||"has more than one Wine prefix:"\$'\n  '"\$tmp/both/\$sl/steamapps/compatdata/\$id/pfx"\$'\n  '"\$tmp/both/\$fp/\$sl/steamapps/compatdata/\$id/pfx"
native||--prefix "\$tmp/none"|"\$tmp/none (given with --prefix) is no Wine prefix: pass the folder that holds system.reg"
native||--prefix "\$R/steamapps/compatdata/\$id"|"is the folder above the Wine prefix: pass \$R/steamapps/compatdata/\$id/pfx."
native||/rungame "\${steam[@]}" "\$R/steamapps/common/Other/Bin/T3.exe"|"Set the game's launch options in Steam to: \"\$app/corvane-linux\" %command%"
empty|BUILD_DIR=missing||"not found next to this script (\$repo/launcher) nor in \$repo/missing/bin:"
EOF

[ "$failures" = 0 ] && echo "corvane-linux: all checks passed"
