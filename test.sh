#!/usr/bin/env bash
# Sets up the machine, builds both trees and runs every test; ends with one summary line and a
# non-zero exit code when anything failed.
set -uo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
log_dir=build/test-logs
mkdir -p "$log_dir"

# stage NAME COMMAND...: runs one step, counting it as one check unless it is a CTest run, whose
# own test counts are added instead.
stage() {
  local name=$1
  shift
  echo "==> $name"
  local log="$log_dir/$name.log"
  "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local counts
  counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\1 \2/p' "$log" | tail -n 1)
  if [ -n "$counts" ]; then
    set -- $counts
    failed=$((failed + $1))
    passed=$((passed + $2 - $1))
    [ "$rc" -eq 0 ] || [ "$1" -gt 0 ] || failed=$((failed + 1))
  elif [ "$rc" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "==> $name FAILED (exit code $rc)"
  fi
  return "$rc"
}

# The private display and Wine server that the Windows tests start for themselves end with this run,
# unless one was running before or FUNKELIS_KEEP_DISPLAY is set.
stop_wine=1
{ [ -n "${FUNKELIS_KEEP_DISPLAY:-}" ] || scripts/wine-stop --running; } && stop_wine=0
trap '[ "$stop_wine" -eq 0 ] || scripts/wine-stop' EXIT

finish() {
  echo
  echo "Summary: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

stage setup ./scripts/setup.sh || finish

stage host-configure cmake --preset host -Wno-dev &&
  stage host-build cmake --build --preset host -j "$jobs" &&
  stage host-tests ctest --preset host

stage win32-configure cmake --preset win32 -Wno-dev &&
  stage win32-build cmake --build --preset win32 -j "$jobs" &&
  stage win32-tests ctest --preset win32

for check in scripts/check-*.sh; do
  [ -x "$check" ] && stage "$(basename "$check" .sh)" "$check"
done
[ -x scripts/run-fuzzers.sh ] && stage fuzz-short scripts/run-fuzzers.sh 5

finish
