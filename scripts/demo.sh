#!/usr/bin/env bash
# The launcher's main job, shown without a screen: on a private Xvfb display the launcher starts in a
# fresh folder, the first tool's button gets a real mouse click (xdotool), the tool is written and
# started, pictures of the screen are saved, and EXIT (with " All Exit " set, as in a new settings
# file) ends the launcher and closes the tool. The script reports each step.
#
#   scripts/demo.sh BUILD_FOLDER   (a win32 tree with FunkelisTools and control_centre built)
#
# Uses the prefix and display of scripts/wine-env.sh. Exit status 0 when every step happened.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

demo=$root/build/demo
rm -rf "$demo"
mkdir -p "$demo/run"
cp "$build/FunkelisTools.exe" "$demo/run/"
centre_tool="$build/driver/control_centre.exe"
launcher_win="Z:${demo//\//\\}\\run\\FunkelisTools.exe"

# "x y" of a control's centre on the screen, once its window is there (each look is a Wine start).
centre_of() {
  local title=$1 id=$2 answer
  for _ in $(seq 1 60); do
    if answer=$(wine "$centre_tool" "$title" "$id" 2>/dev/null | tr -d '\r'); then
      echo "$answer"
      return 0
    fi
    sleep 1
  done
  return 1
}

click_at() {
  xdotool mousemove "$1" "$2" sleep 0.3 click 1
}

echo "demo: starting the launcher in $demo/run"
(cd "$demo/run" && wine "$launcher_win" >/dev/null 2>&1) &
launcher=$!
trap 'kill $launcher 2>/dev/null || true' EXIT

read -r x y < <(centre_of " Funkelis Tools" 9814) || { echo "demo: the launcher's window did not show" >&2; exit 1; }
import -window root "$demo/1-launcher.png"
echo "demo: the launcher's window is up; picture $demo/1-launcher.png"
[ -e "$demo/run/Marvolt.exe" ] && { echo "demo: Marvolt.exe was there before the click" >&2; exit 1; }

echo "demo: clicking the button of the first tool at $x,$y"
click_at "$x" "$y"
centre_of " Marvolt" 0 >/dev/null || { echo "demo: the tool's window did not show" >&2; exit 1; }
sleep 2
import -window root "$demo/2-tool-started.png"
size=$(stat -c %s "$demo/run/Marvolt.exe")
same="differs from"
cmp -s "$demo/run/Marvolt.exe" "$build/standin/Marvolt.exe" && same="equals"
echo "demo: Marvolt.exe was written ($size bytes, $same the built stand-in) and its window is up;" \
     "picture $demo/2-tool-started.png"

option=$(grep -a '^AllProgExit' "$demo/run/FunkelisTools.ini" | tr -d '\r' || true)
echo "demo: settings file says $option; clicking EXIT"
read -r x y < <(centre_of " Funkelis Tools" 9805)
click_at "$x" "$y"
for _ in $(seq 1 60); do
  kill -0 "$launcher" 2>/dev/null || break
  sleep 1
done
kill -0 "$launcher" 2>/dev/null && { echo "demo: the launcher did not end" >&2; exit 1; }
echo "demo: the launcher ended"
for _ in $(seq 1 30); do
  wine "$centre_tool" " Marvolt" 0 >/dev/null 2>&1 || { echo "demo: the tool was closed with it"; exit 0; }
  sleep 1
done
echo "demo: the tool is still running" >&2
exit 1
