#!/usr/bin/env bash
# Checks the packages `make package` built, as a user receives them: the Debian package passes
# lintian without errors, holds the module, the manual, the tools with their man pages and the
# licence, declares what it depends on, and works unpacked into a scratch root; the Windows
# zip holds both modules, each with the manual, importing only system DLLs.
#   scripts/check-packages.sh DIR
set -euo pipefail
dir=${1:?usage: check-packages.sh DIR}
here=$(cd "$(dirname "$0")" && pwd)
deb=$dir/korvane-filter_1.0.0_amd64.deb
zip=$dir/KorvaneFilter-1.0.0-win.zip
fail() { echo "check-packages: $*" >&2; exit 1; }
[ -f "$deb" ] || fail "no $deb"
[ -f "$zip" ] || fail "no $zip"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# lintian: errors fail, the rest is shown.
lintian --fail-on error --suppress-tags maintscript-calls-ldconfig "$deb" ||
  fail "lintian reports errors in $deb"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
has() { grep -qx -- "$1" <<<"$contents" || fail "$deb lacks $1"; }
has /usr/lib/vst/KorvaneFilter.so
has /usr/lib/vst/KorvaneFilter_manual.pdf
has /usr/share/doc/korvane-filter/copyright
has /usr/share/doc/korvane-filter/changelog.gz
for tool in korvane-render korvane-snapshot; do has /usr/bin/$tool; done
for tool in $(grep '^/usr/bin/.' <<<"$contents"); do has "/usr/share/man/man1/$(basename "$tool").1.gz"; done
if grep -q '^/usr/lib/lv2/' <<<"$contents"; then has /usr/lib/lv2/KorvaneFilter.lv2/manifest.ttl; fi
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libpng16-16 libsndfile1 libx11-6; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "check-packages: $deb holds $(grep -c . <<<"$contents") entries; Depends: $depends"

# Unpacked as dpkg would, the tools and the module work from there.
dpkg -x "$deb" "$scratch/root"
listing=$(cd "$scratch" && "$scratch/root/usr/bin/korvane-render" --list) ||
  fail "the packaged korvane-render failed"
grep -qF "plug-in      $scratch/root/usr/lib/vst/KorvaneFilter.so" <<<"$listing" ||
  fail "the packaged korvane-render did not load the packaged module:
$listing"
grep -qF "Korvane Filter (no SSE2)" <<<"$listing" || fail "the packaged module is not the filter"
(cd "$scratch" && "$scratch/root/usr/bin/korvane-render" --quiet) ||
  fail "rendering through the packaged module failed"
[ -s "$scratch/out/demo.wav" ] || fail "the packaged korvane-render rendered nothing"
"$scratch/root/usr/bin/korvane-snapshot" "$scratch/panel.png" || fail "the packaged korvane-snapshot failed"
echo "check-packages: the unpacked package renders through its module"

# The zip: exactly the two modules and the manual beside each.
listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
expected=$(printf '%s\n' KorvaneFilter-1.0.0-win/32-bit/KorvaneFilter.dll \
  KorvaneFilter-1.0.0-win/32-bit/KorvaneFilter_manual.pdf \
  KorvaneFilter-1.0.0-win/64-bit/KorvaneFilter-x64.dll \
  KorvaneFilter-1.0.0-win/64-bit/KorvaneFilter_manual.pdf | sort)
[ "$listing" = "$expected" ] || fail "$zip holds:
$listing
expected:
$expected"
unzip -q "$zip" -d "$scratch/zip"
for dll in "$scratch"/zip/KorvaneFilter-1.0.0-win/*/*.dll; do
  "$here/check-module.sh" "$dll" >/dev/null || fail "$(basename "$dll") in the zip fails the module check"
done
cmp -s "$scratch/zip/KorvaneFilter-1.0.0-win/32-bit/KorvaneFilter_manual.pdf" \
  "$scratch/root/usr/lib/vst/KorvaneFilter_manual.pdf" || fail "the zip's manual is not the package's"
echo "check-packages: $zip holds both modules with the manual, importing only system DLLs"
