#!/bin/sh
# full_disk.sh mount DIR [FILE]: a small tmpfs at DIR for the tests' full-disk cases, or for file times
#     that ext4 cannot keep: 64 KiB, or, with FILE, room for a copy of FILE and 8 KiB more (the
#     launcher's copy and its settings file).
# full_disk.sh unmount DIR: removes it again.
# Without the right to mount, DIR is left absent and the tests skip the cases that need it.
set -u
action=$1
dir=$2
case $action in
mount)
  size=64k
  if [ $# -ge 3 ]; then
    bytes=$(stat -c %s "$3") || exit 0
    size=$(( (bytes + 4095) / 4096 * 4 + 8 ))k
  fi
  mkdir -p "$dir"
  mountpoint -q "$dir" && umount "$dir"
  if ! mount -t tmpfs -o size="$size" tmpfs "$dir" 2>/dev/null; then
    rmdir "$dir"
    echo "full_disk: cannot mount a tmpfs at $dir (root only); the cases that need it are skipped"
  fi
  ;;
unmount)
  mountpoint -q "$dir" && umount "$dir"
  [ -d "$dir" ] && rmdir "$dir"
  ;;
esac
exit 0
