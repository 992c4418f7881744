#!/usr/bin/env bash
# Installs a build and records exactly what it added, for scripts/uninstall.sh: the files it
# wrote and the directories it had to create. DESTDIR, when set, is honoured as by
# `cmake --install`.
#   scripts/install.sh BUILD-DIR PREFIX RECORD      (writes RECORD.files and RECORD.dirs)
set -euo pipefail
build=${1:?usage: install.sh BUILD-DIR PREFIX RECORD}
prefix=${2:?usage: install.sh BUILD-DIR PREFIX RECORD}
record=${3:?usage: install.sh BUILD-DIR PREFIX RECORD}
case "$prefix" in /*) ;; *) echo "install: PREFIX must be an absolute path, not '$prefix'" >&2; exit 2 ;; esac
destdir=${DESTDIR:-}
[ -z "$destdir" ] || destdir=$(realpath -m -- "$destdir")

# A dry run into a scratch root tells which directories the real one will need.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null
mkdir -p "$(dirname -- "$record")"
{
  # DESTDIR itself and the directories above it that it lacks,
  dir=$destdir
  while [ -n "$dir" ] && [ "$dir" != / ] && [ ! -d "$dir" ]; do
    echo "$dir"
    dir=$(dirname -- "$dir")
  done
  # then those below it.
  (cd "$stage" && find . -mindepth 1 -type d | sed 's|^\.||') | while IFS= read -r dir; do
    [ -d "$destdir$dir" ] || echo "$destdir$dir"
  done
} | sort > "$record.dirs"

DESTDIR=$destdir cmake --install "$build" --prefix "$prefix"
sed "s|^|$destdir|" <(cd "$stage" && find . -type f -o -type l | sed 's|^\.||' | sort) > "$record.files"
echo "install: $(wc -l < "$record.files") files under $destdir$prefix (recorded in $record.files)"
