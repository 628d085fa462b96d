#!/usr/bin/env bash
# Starts Corvane under Wine. Without WINEPREFIX: in a demo prefix with a stand-in game at
# C:\Games\Demo. Without a display: on a virtual one, saving a picture of the window once it is
# ready. A prefix of the user's own is never changed.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
bin=$BUILD_DIR/bin
headless=
[ -z "${DISPLAY:-}" ] && headless=1
demo=
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$BUILD_DIR/wine-demo
  demo=1
fi
# In the demo the stand-in game shows what it was started with.
export T3_STANDIN_SILENT=
source "$(dirname "$0")/wine-session.sh"

workdir=$BUILD_DIR/demo
if [ -n "$demo" ]; then
  c=$WINEPREFIX/drive_c
  mkdir -p "$c/Games/Demo/System" "$c/Games/Editor/System" "$c/Corvane"
  cp "$bin/T3.exe" "$c/Games/Demo/System/T3.exe"
  cp "$bin/T3.exe" "$c/Games/Editor/System/T3.exe"
  touch "$c/Games/Demo/System/T3Gamesys.t3u"
  # Corvane lives on drive C: like the game: drive Z: (the whole Linux file system) only adds a
  # drive whose name Wine can't read, and says so on the terminal.
  cp "$bin/Corvane.exe" "$c/Corvane/"
  rm -f "$WINEPREFIX/dosdevices/z:"
  workdir=$c/Corvane
  # Wine draws the caption buttons with its Marlett font, which it finds only among the prefix's.
  [ -f "$c/windows/Fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$c/windows/Fonts/" 2>/dev/null || true
  wine reg add 'HKLM\Software\Ion Storm\Thief - Deadly Shadows' /reg:32 /v ION_ROOT /t REG_SZ \
    /d 'C:\Games\Demo' /f >/dev/null 2>&1
  # On the virtual display no window manager draws the frame: Wine draws it itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$([ -n "$headless" ] && echo N || echo Y)" \
    /f >/dev/null 2>&1
  # The demo's editor works on an installation of its own.
  [ -s "$workdir/Corvane.ini" ] || printf 'C:\\Games\\Editor\\\r\n\r\n\r\n' >"$workdir/Corvane.ini"
fi
mkdir -p "$workdir"
cd "$workdir"
corvane=$bin/Corvane.exe
[ -n "$demo" ] && corvane=$workdir/Corvane.exe
if [ -z "$headless" ]; then
  wine "$corvane" "$@"
  exit 0
fi
if ! command -v import >/dev/null; then
  echo "No ImageMagick 'import' here: no picture taken" >&2
  wine "$corvane" "$@"
  exit 0
fi
wine "$corvane" "$@" &
running=$!
# Ready is when the picture stops changing: the window is drawn, and the drives have their names.
picture=$BUILD_DIR/corvane.png
shot=$BUILD_DIR/corvane-shot.png
last= same=0
for _ in $(seq 100); do
  sleep 0.2
  import -window root png:- 2>/dev/null | convert - -trim +repage "$shot" 2>/dev/null || continue
  now=$(convert "$shot" -format '%#' info: 2>/dev/null)
  if [ "$now" = "$last" ] && [ "$(identify -format '%w' "$shot")" -gt 300 ]; then
    same=$((same + 1))
    [ "$same" -ge 5 ] && break
  else
    same=0
  fi
  last=$now
done
mv "$shot" "$picture"
echo "The window as it looked: $picture"
wineserver -k 2>/dev/null || true
wait "$running" 2>/dev/null || true
