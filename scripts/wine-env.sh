# Sourced, not run: puts the caller into the project's own 32-bit Wine prefix on an X display.
#
#   FUNKELIS_WINEPREFIX  prefix to use (default: build/wineprefix); give each parallel job its own
#   DISPLAY              used when it names a live X server; otherwise a private Xvfb is started
#                        once and reused by every later caller of the same prefix, until
#                        scripts/wine-stop ends it (its display and process id are kept in
#                        $WINEPREFIX.display)
#
# The prefix is created on first use without the Mono and Gecko installers.

funkelis_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${FUNKELIS_WINEPREFIX:-$funkelis_root/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$(dirname "$WINEPREFIX")"

funkelis_display_alive() {
  [ -n "${1:-}" ] && xdpyinfo -display "$1" >/dev/null 2>&1
}

funkelis_start_xvfb() {
  local state="$WINEPREFIX.display" n
  if [ -f "$state" ] && funkelis_display_alive "$(cut -d' ' -f1 "$state")"; then
    export DISPLAY=$(cut -d' ' -f1 "$state")
    return
  fi
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -dpi 96 >/dev/null 2>&1 </dev/null 9>&- &
    local pid=$!
    for _ in $(seq 1 50); do
      funkelis_display_alive ":$n" && { echo ":$n $pid" > "$state"; export DISPLAY=":$n"; return; }
      sleep 0.1
    done
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

(
  flock 9
  funkelis_display_alive "${DISPLAY:-}" || funkelis_start_xvfb
  if [ ! -f "$WINEPREFIX/.funkelis-ready" ]; then
    echo "wine-env: creating the Wine prefix $WINEPREFIX" >&2
    # The lock must not leak into the long-lived Xvfb and wineserver processes.
    if wineboot -i >/dev/null 2>&1 9>&-; then
      wineserver -w 9>&-
      touch "$WINEPREFIX/.funkelis-ready"
    fi
  fi
  # This Wine does not find its own fonts in its data folder, so "MS Sans Serif" and the Marlett
  # caption-button glyphs fell back to other fonts; the prefix's font folder is always searched.
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d "$fonts" ] && [ ! -e "$fonts/ms_sans_serif.ttf" ] && [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/* "$fonts/"
  fi
) 9> "$WINEPREFIX.lock"
funkelis_display_alive "${DISPLAY:-}" || funkelis_start_xvfb
