#!/bin/sh
# full_disk.sh mount|unmount DIR: a 64 KiB tmpfs at DIR for the deployment test's full-disk case.
# Without the right to mount, DIR is left absent and the test skips that case.
set -u
action=$1
dir=$2
case $action in
mount)
  mkdir -p "$dir"
  mountpoint -q "$dir" && exit 0
  if ! mount -t tmpfs -o size=64k tmpfs "$dir" 2>/dev/null; then
    rmdir "$dir"
    echo "full_disk: cannot mount a tmpfs here; the full-disk case will be skipped"
  fi
  ;;
unmount)
  mountpoint -q "$dir" && umount "$dir"
  [ -d "$dir" ] && rmdir "$dir"
  ;;
esac
exit 0
