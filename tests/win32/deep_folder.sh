#!/bin/sh
# deep_folder.sh RUNNER PROGRAM DIR: starts a copy of the Windows test program PROGRAM, named FunkelisTools.exe,
# from folders under DIR (seen by Wine as Z:\...) that make the copy's full path 262 and 266
# characters long, with --use-settings-deep LENGTH; fails when a copy fails.
set -eu
runner=$1
program=$2
dir=$3
for length in 262 266; do
  rm -rf "$dir"
  folder=$dir
  # "Z:" and "/FunkelisTools.exe" take 20 characters; no folder name is longer than 100 or empty.
  while [ $((${#folder} + 20)) -lt "$length" ]; do
    name=$((length - 20 - ${#folder} - 1))
    [ "$name" -gt 100 ] && name=100
    [ $((length - 20 - ${#folder} - 1 - name)) -eq 1 ] && name=$((name - 1))
    folder=$folder/$(printf "%${name}s" "" | tr ' ' d)
  done
  mkdir -p "$folder"
  cp "$program" "$folder/FunkelisTools.exe"
  # Started from its own folder, as from the Explorer: where cut paths used to put their files.
  (cd "$folder" && "$runner" ./FunkelisTools.exe --use-settings-deep "$length")
done
rm -rf "$dir"
