#!/usr/bin/env bash
# Builds the fuzz tree (clang, libFuzzer, ASan, UBSan) and runs every target under fuzz/ for
# SECONDS seconds each, starting from its committed seed corpus; inputs it finds go to a scratch
# folder under the build tree, never into the sources. Exits non-zero when any target fails.
#
#   scripts/run-fuzzers.sh SECONDS
#
# FUNKELIS_FUZZ_BUILD names another build folder (default build/fuzz). A target's optional file
# fuzz/<target>/flags holds extra libFuzzer options on one line.
set -euo pipefail
seconds=${1:?usage: run-fuzzers.sh SECONDS}
cd "$(dirname "$0")/.."
build=${FUNKELIS_FUZZ_BUILD:-build/fuzz}

targets=()
for dir in fuzz/*/; do targets+=("$(basename "$dir")"); done
cmake --preset fuzz -B "$build" -Wno-dev >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]}"

status=0
for dir in fuzz/*/; do
  name=$(basename "$dir")
  program="$build/fuzz/$name"
  if [ ! -x "$program" ]; then
    echo "run-fuzzers: $name was not built" >&2
    status=1
    continue
  fi
  work="$build/fuzz-work/$name"
  rm -rf "$work"
  mkdir -p "$work/new"
  flags=()
  [ -f "$dir/flags" ] && read -r -a flags < "$dir/flags"
  echo "run-fuzzers: $name for $seconds s"
  if ! "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
      "${flags[@]}" "$work/new" "$dir/corpus" > "$work/log" 2>&1; then
    tail -n 40 "$work/log"
    echo "run-fuzzers: $name FAILED (log: $work/log)" >&2
    status=1
    continue
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/log" | tr '\n' ' '
  echo
done
exit $status
