# Sourced, not run: puts the caller into one of the project's own Wine prefixes on an X display.
#
#   FUNKELIS_WINEARCH    win32 (default): a 32-bit prefix, build/wineprefix; win64: a 64-bit prefix in
#                        which the 32-bit programs run under WoW64, as on nearly every Windows 10/11
#                        machine, build/wineprefix64
#   FUNKELIS_WINEPREFIX  prefix to use instead (of the kind FUNKELIS_WINEARCH names); give each
#                        parallel job its own
#   FUNKELIS_WINE_USER   the user Wine runs as when the caller is root (default: funkelis-wine, which
#                        scripts/setup.sh makes). Wine run as root opens files that Windows refuses
#                        even to an elevated administrator (read-only ones), so root never runs it
#   DISPLAY              used when it names a live X server (which must let that user in); otherwise a
#                        private Xvfb is started once and reused by every later caller of the same
#                        prefix, until scripts/wine-stop ends it (its display and process id are kept
#                        in $WINEPREFIX.display)
#
# Then `wine PROGRAM...` (a shell function) or "${funkelis_wine[@]}" PROGRAM... runs a program there,
# as that user, after handing it the current folder when that lies in the checkout's build folder or
# a temporary folder (the tests' programs write beside themselves). The prefix is created on first
# use without the Mono and Gecko installers.
#
# FUNKELIS_WINE_DESCRIBE set: only the variables are set (funkelis_wine_user, WINEPREFIX, WINEARCH,
# funkelis_as_wine_user, funkelis_wine); nothing is started or created.

funkelis_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The programs are 32-bit: Debian's wine command runs them with the 32-bit loader in either prefix, in
# a 64-bit one under WoW64 (the 64-bit loader would hand them on through start.exe, which fails on long
# paths). Only the 64-bit loader makes a 64-bit prefix.
case ${FUNKELIS_WINEARCH:-win32} in
win32)
  export WINEARCH=win32
  export WINEPREFIX=${FUNKELIS_WINEPREFIX:-$funkelis_root/build/wineprefix}
  funkelis_prefix_loader=wine
  ;;
win64)
  export WINEARCH=win64
  export WINEPREFIX=${FUNKELIS_WINEPREFIX:-$funkelis_root/build/wineprefix64}
  funkelis_prefix_loader=/usr/lib/wine/wine64
  ;;
*)
  echo "wine-env: FUNKELIS_WINEARCH is win32 or win64, not '$FUNKELIS_WINEARCH'" >&2
  return 1
  ;;
esac
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

funkelis_as_wine_user=()
funkelis_wine_user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  funkelis_wine_user=${FUNKELIS_WINE_USER:-funkelis-wine}
  if ! funkelis_wine_home=$(getent passwd "$funkelis_wine_user" | cut -d: -f6) || [ -z "$funkelis_wine_home" ]; then
    echo "wine-env: the user $funkelis_wine_user, who runs Wine, is missing; scripts/setup.sh makes it" >&2
    return 1
  fi
  if [ "$funkelis_wine_user" = root ]; then
    echo "wine-env: Wine does not run as root here (FUNKELIS_WINE_USER=root)" >&2
    return 1
  fi
  funkelis_as_wine_user=(setpriv "--reuid=$funkelis_wine_user" "--regid=$(id -g "$funkelis_wine_user")"
    --init-groups env "HOME=$funkelis_wine_home" "USER=$funkelis_wine_user" "LOGNAME=$funkelis_wine_user")
fi
funkelis_wine=("${funkelis_as_wine_user[@]}" wine)
[ -z "${FUNKELIS_WINE_DESCRIBE:-}" ] || return 0

# Hands the current folder to the Wine user when it cannot write there, but only a folder of the
# checkout's build tree or below the temporary folder: never the caller's home or the system's.
funkelis_wine_folder_ready() {
  [ ${#funkelis_as_wine_user[@]} -gt 0 ] || return 0
  "${funkelis_as_wine_user[@]}" test -w . && return 0
  local here temp
  here=$(pwd -P)
  temp=$(cd "${TMPDIR:-/tmp}" && pwd -P)
  case $here/ in
  "$funkelis_root"/build/?* | "$temp"/?*) chown "$funkelis_wine_user:" "$here" ;;
  *) echo "wine-env: note: $funkelis_wine_user cannot write in $here" >&2 ;;
  esac
}

wine() {
  funkelis_wine_folder_ready
  "${funkelis_wine[@]}" "$@"
}

funkelis_display_ready() {
  [ -n "${1:-}" ] && xdpyinfo -display "$1" >/dev/null 2>&1
}

# The private Xvfb of the prefix, started once: a recorded one is reused while its process lives,
# however long it takes to answer under load. Prints the display.
funkelis_private_display() {
  local state="$WINEPREFIX.display" display pid n
  if [ -f "$state" ] && read -r display pid < "$state" && [ -n "${pid:-}" ] &&
    { tr '\0' ' ' < "/proc/$pid/cmdline"; } 2>/dev/null | grep -q "^Xvfb $display "; then
    funkelis_await_display "$display" "$pid" && return 0
    echo "wine-env: the prefix's Xvfb $display (process $pid) does not answer" >&2
    return 1
  fi
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    # The prefix is in the environment, so that scripts/wine-stop finds every display started for it.
    FUNKELIS_XVFB_PREFIX=$WINEPREFIX setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -dpi 96 \
      >/dev/null 2>&1 </dev/null 9>&- &
    pid=$!
    echo ":$n $pid" > "$state"
    funkelis_await_display ":$n" "$pid" && return 0
    # Gone: another program took the number in the same moment. Alive: it never answered.
    kill "$pid" 2>/dev/null && break
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

# Waits up to two minutes for the display while its process lives; prints it once it answers.
funkelis_await_display() {
  for _ in $(seq 1 600); do
    funkelis_display_ready "$1" && { echo "$1"; return 0; }
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

# The Wine user reads the build (programs, fixtures) where it lies: a checkout below /root, say, is
# opened to it by an access-control entry that lets it pass each folder on the way (on a file system
# without them, every user may pass).
funkelis_wine_reaches_checkout() {
  [ ${#funkelis_as_wine_user[@]} -gt 0 ] || return 0
  "${funkelis_as_wine_user[@]}" test -r "$funkelis_root/CMakeLists.txt" && return 0
  local folder=$funkelis_root
  while [ "$folder" != / ]; do
    if ! "${funkelis_as_wine_user[@]}" test -x "$folder"; then
      echo "wine-env: letting $funkelis_wine_user pass $folder" >&2
      setfacl -m "u:$funkelis_wine_user:x" "$folder" 2>/dev/null || chmod o+x "$folder" || return 1
    fi
    folder=$(dirname "$folder")
  done
}

funkelis_wine_reaches_checkout || return 1
mkdir -p "$(dirname "$WINEPREFIX")"
if ! funkelis_display_ready "${DISPLAY:-}"; then
  # One caller at a time looks at the state and starts the display; the lock must not leak into the
  # long-lived Xvfb.
  DISPLAY=$( (
    flock 9
    funkelis_private_display
  ) 9> "$WINEPREFIX.lock") || return 1
  export DISPLAY
fi

(
  flock 9
  mkdir -p "$WINEPREFIX"
  # Wine refuses a prefix that another user owns; one made before by root is handed over whole.
  if [ ${#funkelis_as_wine_user[@]} -gt 0 ] && [ "$(stat -c %U "$WINEPREFIX")" != "$funkelis_wine_user" ]; then
    chown -R "$funkelis_wine_user:" "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/.funkelis-ready" ]; then
    echo "wine-env: creating the ${WINEARCH#win}-bit Wine prefix $WINEPREFIX for $funkelis_wine_user" >&2
    # The lock must not leak into the long-lived wineserver.
    # A program that crashes then ends with winedbg's backtrace on stderr, not with Wine's crash dialog,
    # which waits for a click that never comes and keeps a test's output open until its time runs out.
    if "${funkelis_as_wine_user[@]}" "$funkelis_prefix_loader" wineboot -i >/dev/null 2>&1 9>&- &&
      "${funkelis_as_wine_user[@]}" "$funkelis_prefix_loader" reg add 'HKCU\Software\Wine\WineDbg' \
        /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 9>&-; then
      "${funkelis_as_wine_user[@]}" wineserver -w 9>&-
      "${funkelis_as_wine_user[@]}" touch "$WINEPREFIX/.funkelis-ready"
    fi
  fi
  # This Wine does not find its own fonts in its data folder, so "MS Sans Serif" and the Marlett
  # caption-button glyphs fell back to other fonts; the prefix's font folder is always searched.
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d "$fonts" ] && [ ! -e "$fonts/ms_sans_serif.ttf" ] && [ -d /usr/share/wine/fonts ]; then
    "${funkelis_as_wine_user[@]}" cp /usr/share/wine/fonts/* "$fonts/"
  fi
) 9> "$WINEPREFIX.lock"
