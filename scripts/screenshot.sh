#!/usr/bin/env bash
# Saves a picture of a Windows program's window: the program runs in a Wine virtual desktop (where
# Wine draws the frame and caption itself), the desktop is captured once the picture is stable,
# trimmed to the window, and the program is closed by a real mouse click on its close box.
#
#   scripts/screenshot.sh PROGRAM.exe OUTPUT.png [TIMEOUT_SECONDS]
#
# Uses the prefix and display of scripts/wine-env.sh. Exit status 0 when the picture was saved.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 PROGRAM.exe OUTPUT.png [TIMEOUT_SECONDS]" >&2; exit 2; }
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
output=$2
timeout=${3:-240}
source "$(dirname "$0")/wine-env.sh"

desktop="funkelis-shot-$$"
windows_path="Z:${program//\//\\}"
work=$(mktemp -d)
# Started in its own folder, which the Wine user is then given (scripts/wine-env.sh): a launcher keeps its
# settings file there.
(cd "$(dirname "$program")" && funkelis_wine_folder_ready &&
  exec "${funkelis_wine[@]}" explorer "/desktop=$desktop,1024x768" "$windows_path" >/dev/null 2>&1) &
runner=$!
finish() {
  kill "$runner" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

# The window counts as drawn when the trimmed desktop is window-sized and the same on two looks.
previous=""
saved=0
deadline=$((SECONDS + timeout))
while [ $SECONDS -lt $deadline ]; do
  sleep 2
  id=$(xdotool search --name "^$desktop - Wine desktop\$" 2>/dev/null | head -n1 || true)
  [ -n "$id" ] || continue
  import -window "$id" "$work/desktop.png" 2>/dev/null || continue
  convert "$work/desktop.png" -trim +repage "$work/window.png" 2>/dev/null || continue
  read -r width height left top < <(convert "$work/desktop.png" -trim -format '%w %h %X %Y\n' info: 2>/dev/null)
  [ "$width" -gt 200 ] && [ "$height" -gt 200 ] || continue
  current=$(convert "$work/window.png" rgb:- | md5sum)
  if [ "$current" = "$previous" ]; then
    mkdir -p "$(dirname "$output")"
    cp "$work/window.png" "$output"
    saved=1
    break
  fi
  previous=$current
done

# The close box sits at the right end of the caption bar.
closed=0
if [ "$saved" = 1 ]; then
  xdotool mousemove --window "$id" $((left + width - 12)) $((top + 11)) click 1 2>/dev/null || true
  for _ in $(seq 1 60); do
    kill -0 "$runner" 2>/dev/null || { closed=1; break; }
    sleep 1
  done
fi

if [ "$saved" = 1 ]; then
  echo "screenshot: saved ${width}x${height} picture to $output"
  [ "$closed" = 1 ] || { echo "screenshot: the program did not end after a click on its close box" >&2; exit 1; }
else
  echo "screenshot: no stable window picture within ${timeout}s" >&2
  exit 1
fi
