#!/usr/bin/env bash
# Builds the static libpng that the Windows modules link, from Debian's own source package,
# for both Windows targets:
#
#   build/deps/win32   i686, plain x87 code (no SSE2), like the 32-bit module itself
#   build/deps/win64   x86_64
#
# zlib for Windows comes from Debian's libz-mingw-w64-dev. Both prefixes are on the find path of
# the toolchain files in cmake/. Idempotent: a target whose libpng is already installed is
# skipped, and the source package is fetched once. Packages are installed only by
# scripts/install-deps.sh (which also enables deb-src).
#
#   scripts/build-win-deps.sh           both targets
#   scripts/build-win-deps.sh win32     one target (win32 or win64)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/deps
src_dir=$deps/src

fetch_source() {
  if compgen -G "$src_dir/libpng1.6-*/CMakeLists.txt" >/dev/null; then
    return
  fi
  command -v dpkg-source >/dev/null || {
    echo "build-win-deps: dpkg-source missing; run scripts/install-deps.sh" >&2
    exit 1
  }
  mkdir -p "$src_dir"
  echo "build-win-deps: fetching Debian's libpng1.6 source package"
  if (cd "$src_dir" && apt-get source libpng1.6); then
    return
  fi
  # A mirror may list a newer revision than it carries (seen on the security suite):
  # fall back to the other revisions apt knows, newest first.
  local v
  for v in $(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV); do
    rm -rf "${src_dir:?}"/*
    echo "build-win-deps: retrying with libpng1.6=$v"
    if (cd "$src_dir" && apt-get source "libpng1.6=$v"); then
      return
    fi
  done
  echo "build-win-deps: could not fetch the libpng1.6 source package" >&2
  exit 1
}

build_target() {
  local name=$1 toolchain flags hw
  case "$name" in
    win32)
      toolchain=$root/cmake/mingw-i686.cmake
      # The 32-bit module promises no SSE2 code, so libpng must not bring any either.
      flags="-march=i686 -mfpmath=387 -mno-sse -mno-sse2"
      hw=OFF
      ;;
    win64)
      toolchain=$root/cmake/mingw-x86_64.cmake
      flags=""
      hw=ON
      ;;
    *)
      echo "build-win-deps: unknown target '$name' (win32 or win64)" >&2
      exit 2
      ;;
  esac

  local prefix=$deps/$name
  if [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ]; then
    echo "build-win-deps: $name: libpng already built in $prefix"
    return
  fi

  local src
  src=$(dirname "$(compgen -G "$src_dir/libpng1.6-*/CMakeLists.txt" | head -n1)")
  local build=$deps/build-$name
  rm -rf "$build"
  echo "build-win-deps: $name: building static libpng from $src"
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_FRAMEWORK=OFF -DPNG_HARDWARE_OPTIMIZATIONS=$hw \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
  cmake --build "$build" -j2 >/dev/null
  cmake --install "$build" >/dev/null
  rm -rf "$build"
  echo "build-win-deps: $name: installed into $prefix"
}

if [ $# -eq 0 ]; then
  set -- win32 win64
fi
fetch_source
for t in "$@"; do
  build_target "$t"
done
