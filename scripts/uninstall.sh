#!/usr/bin/env bash
# Removes exactly what scripts/install.sh recorded: its files, then the directories it created
# once they are empty (deepest first). Directories that were there before are left alone.
#   scripts/uninstall.sh RECORD
set -euo pipefail
record=${1:?usage: uninstall.sh RECORD}
if [ ! -f "$record.files" ]; then
  echo "uninstall: nothing recorded as installed ($record.files does not exist)" >&2
  exit 1
fi
removed=0
while IFS= read -r file; do
  if [ -e "$file" ] || [ -L "$file" ]; then
    rm -f -- "$file"
    removed=$((removed + 1))
  fi
done < "$record.files"
kept=()
if [ -f "$record.dirs" ]; then
  while IFS= read -r dir; do
    [ -d "$dir" ] || continue
    rmdir -- "$dir" 2>/dev/null || kept+=("$dir")
  done < <(sort -r "$record.dirs")
fi
rm -f -- "$record.files" "$record.dirs"
echo "uninstall: removed $removed files"
for dir in "${kept[@]}"; do echo "uninstall: kept $dir: it holds files installed by something else"; done
