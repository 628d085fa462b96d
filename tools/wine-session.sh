# shellcheck shell=bash
# Sourced: a display and a ready Wine prefix for one session; ends both on exit.
# Expects WINEPREFIX to be set by the caller; CORVANE_TEST_PREFIX=1 for the tests' prefix.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

corvane_xvfb=
corvane_end_session() {
  # Only a session on a display of its own ends the prefix's programs: on a person's desktop the
  # game that Corvane started goes on after Corvane.
  if [ -n "$corvane_xvfb" ]; then
    wineserver -k 2>/dev/null || true
    kill "$corvane_xvfb" 2>/dev/null
  fi
  if [ -n "${CORVANE_TEST_PREFIX:-}" ] && mountpoint -q "$BUILD_DIR/drive-f"; then
    umount -l "$BUILD_DIR/drive-f" 2>/dev/null
  fi
  return 0
}
trap corvane_end_session EXIT

# The tests always get a virtual display of their own: their key presses and clicks must never
# reach a person's desktop. Anything else uses the display it has, if any.
# Xvfb picks a free display itself and names it only once it takes connections: no two sessions
# race for one number, and a slow start on a loaded machine is waited for, however long it takes.
if [ -z "${DISPLAY:-}" ] || [ -n "${CORVANE_TEST_PREFIX:-}" ]; then
  coproc corvane_xvfb_pipe { exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null; }
  # shellcheck disable=SC2154  # coproc sets NAME_PID
  corvane_xvfb=$corvane_xvfb_pipe_PID
  read -r corvane_display <&"${corvane_xvfb_pipe[0]}" ||
    { echo "Xvfb could not start a virtual display" >&2; exit 1; }
  export DISPLAY=:$corvane_display
fi

# First creation up front: parallel first runs of wine race over the prefix.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  # A crash must fail a test, not wait on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # For the tests, windows that no window manager looks after: with none running, Wine would
  # otherwise wait two seconds for one at every window shown or hidden.
  if [ -n "${CORVANE_TEST_PREFIX:-}" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  fi
  wineserver -w
fi
if [ -n "${CORVANE_TEST_PREFIX:-}" ]; then
  # Drive T: is the tests' own: they build folder trees on it with names and case of their choosing.
  mkdir -p "$BUILD_DIR/drive-t"
  ln -sfn "$BUILD_DIR/drive-t" "$WINEPREFIX/dosdevices/t:"
  # Drive A: shows T:'s folders too: a drive at the start of the alphabet, as Z: is one at its end.
  ln -sfn "$BUILD_DIR/drive-t" "$WINEPREFIX/dosdevices/a:"
  # Drive F: is a small file system of its own that the tests fill up, where root may mount one.
  mkdir -p "$BUILD_DIR/drive-f"
  rm -f "$WINEPREFIX/dosdevices/f:"
  if mountpoint -q "$BUILD_DIR/drive-f" ||
     { [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=256k corvane-full "$BUILD_DIR/drive-f" 2>/dev/null; }; then
    ln -sfn "$BUILD_DIR/drive-f" "$WINEPREFIX/dosdevices/f:"
  else
    echo "No small drive F: for the full-disk test (it needs root to mount one): that test is skipped." >&2
  fi
  # Drive S: for the slow-drive benchmark, which mounts a slow file system on it later.
  rm -f "$WINEPREFIX/dosdevices/s:"
  if [ -n "${CORVANE_SLOW_DRIVE:-}" ]; then
    mkdir -p "$CORVANE_SLOW_DRIVE"
    ln -sfn "$CORVANE_SLOW_DRIVE" "$WINEPREFIX/dosdevices/s:"
  fi
fi
# One server for the whole session: each program then starts in a tenth of a second.
if [ -n "$corvane_xvfb" ]; then
  wineserver -p </dev/null >/dev/null 2>&1
fi
# Start the prefix's services now, detached from our output and after the drives are in place:
# started by the first program, they would inherit its output pipe and hold it open, and whoever
# reads that pipe (ctest) would wait for its timeout.
wine wineboot </dev/null >/dev/null 2>&1
