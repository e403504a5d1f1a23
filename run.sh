#!/usr/bin/env bash
# Builds the launcher and starts it under Wine.
#
# With a live X server in DISPLAY the window opens there and the script waits until it is closed.
# Without one the launcher runs on a private Xvfb display: a picture of its window is saved under
# build/ and the window is closed again.
#
#   FUNKELIS_WIN32_BUILD  build folder of the Windows tree (default: build/win32)
#   FUNKELIS_WINEPREFIX   Wine prefix (default: build/wineprefix, made on first use)
#   FUNKELIS_KEEP_DISPLAY set: leave the private Xvfb display and Wine server running afterwards
set -euo pipefail
cd "$(dirname "$0")"
build=${FUNKELIS_WIN32_BUILD:-build/win32}

echo "run: checking the packages the build needs"
scripts/setup.sh
echo "run: building the launcher in $build"
cmake --preset win32 -B "$build" >/dev/null
cmake --build "$build" -j2 --target FunkelisTools
launcher=$build/FunkelisTools.exe

if [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  echo "run: starting $launcher under Wine on display $DISPLAY; close its window to end"
  status=0
  # In its own folder, which Wine's user is given: the launcher keeps its settings file there.
  (cd "$build" && "$OLDPWD/scripts/wine-run" ./FunkelisTools.exe) || status=$?
  echo "run: the launcher ended with exit code $status"
  exit "$status"
fi

unset DISPLAY
# The private display and Wine server end with this script unless one was running before or
# FUNKELIS_KEEP_DISPLAY is set.
if [ -z "${FUNKELIS_KEEP_DISPLAY:-}" ] && ! scripts/wine-stop --running; then
  trap 'scripts/wine-stop' EXIT
fi
picture=build/main-window.png
echo "run: no X display; starting $launcher under Wine on a private Xvfb display (this takes a while)"
scripts/screenshot.sh "$launcher" "$picture"
echo "run: the launcher's window was shown, saved to $picture and closed again"
echo "run: now the main job, driven by a real mouse on the same private display"
cmake --build "$build" -j2 --target control_centre
scripts/demo.sh "$build"
