#!/usr/bin/env bash
# Sets up the machine, builds both trees and runs every test; ends with one summary line and a
# non-zero exit code when anything failed.
set -uo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
not_run=()
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
  # CTest counts a skipped test as passed; the summary names it.
  local skipped
  skipped=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$log")
  [ -z "$skipped" ] || not_run+=($(printf "$name:%s " $skipped))
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

# The private displays and Wine servers that the Windows tests start for themselves (one of each per
# prefix) end with this run, unless one was running before or FUNKELIS_KEEP_DISPLAY is set.
stop_wine=1
{ [ -n "${FUNKELIS_KEEP_DISPLAY:-}" ] || scripts/wine-stop --running; } && stop_wine=0
trap '[ "$stop_wine" -eq 0 ] || scripts/wine-stop' EXIT

# A check that cannot run fails: a script that lost its run bit would otherwise drop out unseen.
run_check() {
  local name=$1 script=$2
  shift 2
  if [ -x "$script" ]; then
    stage "$name" "$script" "$@"
  else
    stage "$name" sh -c "echo '$script is not executable'; exit 1"
  fi
}

finish() {
  echo
  [ ${#not_run[@]} -eq 0 ] || echo "NOT RUN (skipped, counted as passed): ${not_run[*]}"
  echo "Summary: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

stage setup ./scripts/setup.sh || finish

stage host-configure cmake --preset host -Wno-dev &&
  stage host-build cmake --build --preset host -j "$jobs" &&
  stage host-tests ctest --preset host

# The Windows tests run as an unprivileged user, in a 32-bit prefix and then, the module and E2E
# tests again, in a 64-bit one (WoW64).
scripts/wine-run --describe
FUNKELIS_WINEARCH=win64 scripts/wine-run --describe
if stage win32-configure cmake --preset win32 -Wno-dev &&
  stage win32-build cmake --build --preset win32 -j "$jobs"; then
  stage win32-tests ctest --preset win32
  stage wow64-tests ctest --preset wow64
fi

for check in scripts/check-*.sh; do
  run_check "$(basename "$check" .sh)" "$check"
done
run_check fuzz-short scripts/run-fuzzers.sh 5

finish
