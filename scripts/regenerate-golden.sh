#!/usr/bin/env bash
# Rewrites the editor's golden images (tests/product/golden/) with korvane-snapshot. Run it only
# when the artwork or the drawing changed on purpose, then look at the images and commit them.
#   scripts/regenerate-golden.sh [BUILD-DIR]     (default build/linux)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
golden=$root/tests/product/golden
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target korvane-snapshot
mkdir -p "$golden"
snapshot=$build/bin/korvane-snapshot
"$snapshot" "$golden/editor-default.png"
# Every control moved: the second captioning, the shape knob in its middle position, cutoff,
# resonance, the limiter off, the lamp fully lit and the meter at 0.6. EditorTest.cpp sets the
# same values.
"$snapshot" --param 0=1 --param 1=0.5 --param 2=0.3 --param 3=0.8 --param 4=0 \
  --lamp 1 --meter 0.6 "$golden/editor-moved.png"
echo "regenerate-golden: wrote $golden/editor-default.png and editor-moved.png"
