#!/usr/bin/env bash
# Installs, only when missing, every Debian package that the build and the tests need, and the user
# who runs Wine for them (scripts/wine-env.sh). Safe to run again and again; needs root (or sudo) only
# when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format git
  googletest libfwnt-dev zlib1g-dev libz-mingw-w64-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 wine64 fonts-wine
  xvfb xauth x11-utils x11-apps xdotool imagemagick acl
  python3-pefile
  osslsigncode openssl
)

# Some virtual machines run 64-bit user code only: the kernel refuses every i386 program, Wine's
# 32-bit loader included. There the i386 programs run under qemu's user-mode emulation, registered
# for i386 ELF files through binfmt_misc. Slower, but it is the real 32-bit Wine. qemu 7.2 (Debian 12)
# spends about a CPU-minute starting each Wine process; the version from bookworm-backports starts
# one in about a second, so that is the one installed.
ensure_i386_programs_run() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  install_backports_qemu
  local misc=/proc/sys/fs/binfmt_misc
  [ -f "$misc/register" ] || mount -t binfmt_misc binfmt_misc "$misc"
  if [ ! -f "$misc/qemu-i386" ]; then
    echo "setup: this kernel cannot run i386 programs; registering qemu-i386 for them"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FP' \
      > "$misc/register"
  fi
  /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "setup: 32-bit Wine cannot run here" >&2; return 1; }
}

install_packages() {
  echo "setup: installing $*"
  local as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
    "${as_root[@]}" apt-get update -qq
  fi
  [ -n "${apt_updated:-}" ] || { "${as_root[@]}" apt-get update -qq; apt_updated=1; }
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

install_backports_qemu() {
  local version
  version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
  case "$version" in 1:[89].* | 1:[1-9][0-9].*) return 0 ;; esac
  local list=/etc/apt/sources.list.d/bookworm-backports.list
  if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" > "$list"
    apt_updated=
  fi
  install_packages -t bookworm-backports qemu-user-static
  # A registration made with the F flag keeps the old interpreter open: make it anew.
  [ -f /proc/sys/fs/binfmt_misc/qemu-i386 ] && echo -1 > /proc/sys/fs/binfmt_misc/qemu-i386
  return 0
}

# Wine never runs as root (scripts/wine-env.sh): root opens files Windows refuses to an elevated
# administrator too. This user runs it when the tests run as root.
ensure_wine_user() {
  [ "$(id -u)" -eq 0 ] || return 0
  local user=${FUNKELIS_WINE_USER:-funkelis-wine}
  getent passwd "$user" >/dev/null && return 0
  echo "setup: adding the user $user, who runs Wine for the tests"
  useradd --system --create-home --home-dir "/var/lib/$user" --shell /usr/sbin/nologin \
    --comment "Funkelis Tools Wine runs" "$user"
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || install_packages "${missing[@]}"
ensure_i386_programs_run
ensure_wine_user
