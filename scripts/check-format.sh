#!/usr/bin/env bash
# Fails when any C++ source differs from the committed .clang-format style; lists the differences.
# `clang-format -i FILE...` applies the style.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h')
else
  mapfile -t sources < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
clang-format --dry-run --Werror "${sources[@]}"
echo "check-format: ${#sources[@]} files follow .clang-format"
