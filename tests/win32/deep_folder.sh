#!/bin/sh
# deep_folder.sh RUNNER PROGRAM DIR: starts a copy of the Windows test program PROGRAM as
# FunkelisTools.exe from its own folder under DIR, at full paths (Z:\...) of 262 and 266 characters,
# with --use-settings-deep; fails when the copy fails or leaves anything beside itself.
set -eu
for length in 262 266; do
  rm -rf "$3"
  folder=$3/$(printf "%$((length - ${#3} - 122))s" | tr ' ' d)/$(printf "%100s" | tr ' ' e)
  mkdir -p "$folder" && cp "$2" "$folder/FunkelisTools.exe"
  (cd "$folder" && "$1" ./FunkelisTools.exe --use-settings-deep)
  [ "$(ls -A "$folder")" = FunkelisTools.exe ]
done
rm -rf "$3"
