#!/bin/sh
# full_disk.sh mount DIR [FILE]: a tmpfs at DIR that every user may write (full-disk cases, file times ext4
#     cannot keep): 64 KiB, or, with FILE, room for a copy of FILE and 8 KiB more.
# full_disk.sh unmount DIR: removes it again.
# Without root or password-less sudo, DIR stays absent and the step ends with 77: CTest reports it skipped.
set -u
action=$1
dir=$2
as_root=
[ "$(id -u)" -eq 0 ] || as_root="sudo -n"
case $action in
mount)
  size=64k
  if [ $# -ge 3 ]; then
    bytes=$(stat -c %s "$3") || exit 1
    size=$(( (bytes + 4095) / 4096 * 4 + 8 ))k
  fi
  mkdir -p "$dir"
  mountpoint -q "$dir" && $as_root umount "$dir"
  if ! $as_root mount -t tmpfs -o size="$size",mode=1777 tmpfs "$dir" 2>/dev/null; then
    rmdir "$dir"
    echo "full_disk: NOT RUN: no tmpfs can be mounted here (needs root); the cases that need it do not run"
    exit 77
  fi
  ;;
unmount)
  if mountpoint -q "$dir" && ! $as_root umount "$dir"; then
    echo "full_disk: NOT RUN: $dir cannot be unmounted"
    exit 77
  fi
  [ ! -d "$dir" ] || rmdir "$dir"
  ;;
esac
exit 0
