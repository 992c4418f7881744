#!/usr/bin/env bash
# Gathers the Windows zip's files: each module in its own folder with the manual beside it, so
# that the editor's link finds the manual wherever the module is copied with it.
#   scripts/stage-windows-zip.sh STAGE WIN32-DLL WIN64-DLL MANUAL
set -euo pipefail
stage=$1 dll32=$2 dll64=$3 manual=$4
for f in "$dll32" "$dll64" "$manual"; do
  [ -f "$f" ] || { echo "stage-windows-zip: missing $f" >&2; exit 1; }
done
rm -rf "$stage"
mkdir -p "$stage/32-bit" "$stage/64-bit"
cp "$dll32" "$manual" "$stage/32-bit/"
cp "$dll64" "$manual" "$stage/64-bit/"
