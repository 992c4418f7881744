#!/usr/bin/env bash
# Installs the Debian packages the build needs. Idempotent: packages already present are
# skipped, and apt-get update runs only when something must be installed.
#
#   scripts/install-deps.sh          everything: Linux build, Windows cross builds, Wine, Xvfb
#   scripts/install-deps.sh linux    only what the Linux build and its tests need
set -euo pipefail

mode=${1:-all}
case "$mode" in
  all|linux) ;;
  *) echo "usage: $0 [linux|all]" >&2; exit 2 ;;
esac

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: not root and no sudo" >&2; exit 1; }
  SUDO=sudo
fi

linux_pkgs=(
  build-essential cmake ninja-build pkg-config clang-format clang libclang-rt-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev libsndfile1-dev libcli11-dev libsmf-dev
  dpf-plugins-vst lsp-plugins-vst zam-plugins
  libx11-dev xvfb
  lv2-dev liblilv-dev lilv-utils sordi serdi
  rst2pdf poppler-utils help2man lintian
)
windows_pkgs=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  libz-mingw-w64-dev dpkg-dev
  wine wine32:i386 wine64
)

pkgs=("${linux_pkgs[@]}")
if [ "$mode" = all ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps: enabling the i386 architecture (needed by wine32)"
    $SUDO dpkg --add-architecture i386
    need_update=1
  fi
  pkgs+=("${windows_pkgs[@]}")
fi

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ] && [ -z "${need_update:-}" ]; then
  echo "install-deps: all packages for '$mode' are present"
else
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "install-deps: installing: ${missing[*]}"
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  if [ "${#missing[@]}" -gt 0 ]; then
    $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi

if [ "$mode" = all ]; then
  # libpng for the Windows builds is compiled from Debian's own source package: enable deb-src.
  if ! grep -rqs '^deb-src\|^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "install-deps: enabling deb-src entries for the configured Debian suites"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    fi
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list | $SUDO tee -a /etc/apt/sources.list >/dev/null
    fi
    $SUDO apt-get update
  fi
fi
