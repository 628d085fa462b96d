#!/usr/bin/env bash
# Starts Corvane under Wine. Without WINEPREFIX: in a demo prefix with a stand-in game at
# C:\Games\Demo. Without a display: on a virtual one, saving a picture of the window.
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

if [ -n "$demo" ]; then
  game=$WINEPREFIX/drive_c/Games/Demo
  mkdir -p "$game/System" "$WINEPREFIX/drive_c/Games/Editor/System"
  cp "$bin/T3.exe" "$game/System/T3.exe"
  cp "$bin/T3.exe" "$WINEPREFIX/drive_c/Games/Editor/System/T3.exe"
  touch "$game/System/T3Gamesys.t3u"
  wine reg add 'HKLM\Software\Ion Storm\Thief - Deadly Shadows' /v ION_ROOT /t REG_SZ \
    /d 'C:\Games\Demo' /f >/dev/null 2>&1
  # On the virtual display no window manager draws the frame: Wine draws it itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$([ -n "$headless" ] && echo N || echo Y)" \
    /f >/dev/null 2>&1
fi

workdir=$BUILD_DIR/demo
mkdir -p "$workdir"
cd "$workdir"
# The demo's editor works on an installation of its own.
if [ -n "$demo" ] && [ ! -s Corvane.ini ]; then
  printf 'C:\\Games\\Editor\\\r\n\r\n\r\n' > Corvane.ini
fi
if [ -z "$headless" ]; then
  wine "$bin/Corvane.exe" "$@"
  exit 0
fi

wine "$bin/Corvane.exe" "$@" &
corvane=$!
sleep 4
picture=$BUILD_DIR/corvane.png
if command -v import >/dev/null; then
  import -window root png:- | convert - -trim +repage "$picture"
  echo "The window as it looked: $picture"
else
  echo "No ImageMagick 'import' here: no picture taken" >&2
fi
wineserver -k 2>/dev/null || true
wait "$corvane" 2>/dev/null || true
