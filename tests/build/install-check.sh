#!/usr/bin/env bash
# The install as a user or a packager runs it: `cmake --install` into a scratch prefix, and
# with DESTDIR; the module loads from there and its editor's link finds the manual; the
# installed korvane-render finds the installed module by itself; uninstalling leaves nothing.
#   install-check.sh SOURCE-DIR BUILD-DIR INSTALLED-MODULE-TEST VSTDIR BINDIR MANDIR
set -euo pipefail
source_dir=$1 build=$2 module_test=$3 vstdir=$4 bindir=$5 mandir=$6
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install-check: $*" >&2; exit 1; }
# A destination as the install rules compute it: relative ones are below the prefix.
under() { case "$2" in /*) echo "$2" ;; *) echo "$1/$2" ;; esac; }

check_tree() {  # ROOT PREFIX: what an install below ROOT (DESTDIR + PREFIX) must hold
  local root=$1 prefix=$2
  local vst bin man
  vst=$root$(under "$prefix" "$vstdir") bin=$root$(under "$prefix" "$bindir")
  man=$root$(under "$prefix" "$mandir")/man1
  for f in "$vst/KorvaneFilter.so" "$vst/KorvaneFilter_manual.pdf" "$bin/korvane-render" \
           "$bin/korvane-snapshot" "$man/korvane-render.1.gz" "$man/korvane-snapshot.1.gz"; do
    [ -f "$f" ] || fail "$f was not installed"
  done
  KORVANE_INSTALLED_MODULE=$vst/KorvaneFilter.so "$module_test" --gtest_brief=1 ||
    fail "the module installed in $vst failed its checks"
  # No --plugin: the tool finds the module the same install put in place.
  local listing
  listing=$(cd "$scratch" && "$bin/korvane-render" --list) || fail "korvane-render --list failed"
  grep -qF "plug-in      $vst/KorvaneFilter.so" <<<"$listing" ||
    fail "the installed korvane-render did not pick the installed module:
$listing"
  (cd "$scratch" && "$bin/korvane-render" --quiet) || fail "the installed korvane-render failed"
  [ -s "$scratch/out/demo.wav" ] || fail "the installed korvane-render rendered nothing"
  rm -rf "$scratch/out"
}

# Into a prefix.
prefix=$scratch/prefix
"$source_dir/scripts/install.sh" "$build" "$prefix" "$scratch/record-prefix" >/dev/null
check_tree "" "$prefix"
"$source_dir/scripts/uninstall.sh" "$scratch/record-prefix" >/dev/null
[ ! -e "$prefix" ] || fail "uninstall left: $(find "$prefix" | head -5)"

# Staged for a package: DESTDIR and a system prefix.
DESTDIR=$scratch/stage "$source_dir/scripts/install.sh" "$build" /usr "$scratch/record-stage" >/dev/null
check_tree "$scratch/stage" /usr
"$source_dir/scripts/uninstall.sh" "$scratch/record-stage" >/dev/null
[ ! -e "$scratch/stage" ] || fail "uninstall left: $(find "$scratch/stage" | head -5)"

# A directory that was there before the install stays, and so does anything else in it.
vst=$(under "$prefix" "$vstdir")
mkdir -p "$vst"
touch "$vst/other.so"
"$source_dir/scripts/install.sh" "$build" "$prefix" "$scratch/record-prefix" >/dev/null
"$source_dir/scripts/uninstall.sh" "$scratch/record-prefix" >/dev/null
[ -f "$vst/other.so" ] || fail "uninstall removed a file it did not install"
[ "$(find "$prefix" -type f | wc -l)" = 1 ] || fail "uninstall left: $(find "$prefix" -type f)"
echo "install-check: installed, loaded, found and uninstalled from a prefix and with DESTDIR"
