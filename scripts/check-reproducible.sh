#!/usr/bin/env bash
# Builds the release target (FunkelisTools.exe, the unsigned release zip, the distributor's kit and
# their SHA256SUMS, which holds the kit's sum too) twice, each time from a fresh copy of the sources
# in a different folder into a fresh build tree, and fails
# unless both give the same bytes. The copy is the working tree's tracked and untracked, not ignored
# files: on a clean checkout exactly the commit, and while work is in progress what ./test.sh builds
# too. Only the release and what it needs are built (host payload-tool, payload-tool.exe, stand-ins,
# libraries, launcher).
#
#   FUNKELIS_JOBS  parallel build jobs (default 2)
#   KEEP=1         keep the temporary folders for a look at a difference
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${FUNKELIS_JOBS:-2}
commit=$(git -C "$root" rev-parse HEAD)
epoch=$(git -C "$root" log -1 --format=%ct "$commit")
work=$(mktemp -d "${TMPDIR:-/tmp}/funkelis-reproducible.XXXXXX")
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT

echo "check-reproducible: commit $commit, SOURCE_DATE_EPOCH=$epoch, in $work"
if [ -n "$(git -C "$root" status --porcelain)" ]; then
  echo "check-reproducible: note: the working tree has uncommitted changes; they are built too"
fi

build_once() {
  local side=$1 src=$work/$1/source-$1 build=$work/$1/build-$1
  mkdir -p "$src"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
    tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null) | tar -x -C "$src"
  if ! SOURCE_DATE_EPOCH=$epoch cmake -S "$src" -B "$build" --preset win32 -Wno-dev >"$work/$side.log" 2>&1 ||
    ! cmake --build "$build" --target release -j "$jobs" >>"$work/$side.log" 2>&1; then
    tail -n 30 "$work/$side.log"
    echo "check-reproducible: build $side failed"
    return 1
  fi
}

build_once a
build_once b

exe_a=$work/a/build-a/FunkelisTools.exe
exe_b=$work/b/build-b/FunkelisTools.exe
hash_a=$(sha256sum "$exe_a" | cut -d' ' -f1)
hash_b=$(sha256sum "$exe_b" | cut -d' ' -f1)
echo "build a: $hash_a  $(stat -c %s "$exe_a") bytes"
echo "build b: $hash_b  $(stat -c %s "$exe_b") bytes"
if [ "$hash_a" != "$hash_b" ]; then
  echo "check-reproducible: FunkelisTools.exe differs between the two builds; differing inputs:"
  (cd "$work/a/build-a" && find standin resources/payloads -type f \( -name '*.exe' -o -name '*.bin' \)) |
    while read -r file; do
      cmp -s "$work/a/build-a/$file" "$work/b/build-b/$file" || echo "  $file"
    done
  exit 1
fi
for file in SHA256SUMS $(cd "$work/a/build-a/release" && ls ./*.zip); do
  file=${file#./}
  for side in a b; do
    echo "release $side: $(sha256sum "$work/$side/build-$side/release/$file" | cut -d' ' -f1)  $file"
  done
  if ! cmp -s "$work/a/build-a/release/$file" "$work/b/build-b/release/$file"; then
    echo "check-reproducible: $file differs between the two builds"
    exit 1
  fi
done
echo "check-reproducible: identical"
