#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, builds the examples against the installed tree
# alone (CMake package and pkg-config), and runs them on real files.
# usage: check-install.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" > "$work/install.log"
test -f "$prefix/include/skyvale/d3dx9.h"
test -f "$prefix/lib/cmake/Skyvale/SkyvaleConfig.cmake"
test -f "$prefix/lib/pkgconfig/skyvale.pc"

# The CMake consumer: nothing from the source or build tree is on its paths.
cmake -S "$src/examples" -B "$work/examples" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" > "$work/configure.log" || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/examples" > "$work/build.log" || { cat "$work/build.log"; exit 1; }

# The pkg-config consumer of a static install.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
c++ -std=c++20 -O1 "$src/examples/convert_image/convert_image.cpp" -o "$work/convert_image_pc" \
  $(pkg-config --cflags skyvale) $(pkg-config --libs --static skyvale)

# convert_image: a JPEG to DXT1 with its whole chain, read back through the library's own decoder
# by the second converter (pkg-config build), and every level written as a PNG.
photo=$src/assets/Textures/grass.jpg
mkdir -p "$work/levels"
"$work/examples/convert_image" "$photo" "$work/grass.dds" --format DXT1 --png-dir "$work/levels"
test "$(ls "$work/levels" | wc -l)" -eq 9   # 256x256: levels 256 ... 1
# A shared install has no run path in the pkg-config build: the loader is told where it is.
LD_LIBRARY_PATH="$prefix/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" "$work/convert_image_pc" "$work/grass.dds" "$work/grass565.dds" --format R5G6B5 --levels 3 \
  | grep -q "256x256 -> R5G6B5 256x256, 3 levels"
# A file that is no image is refused with a message and a failing status.
if "$work/examples/convert_image" "$src/README.md" "$work/bad.dds" 2> "$work/err.txt"; then exit 1; fi
grep -q "cannot read" "$work/err.txt"
# render_model: the demo's airplane with its textures, lit, captioned, written as a PNG.
"$work/examples/render_model" "$src/assets/xfiles/airplane.x" "$work/airplane.png" --caption "airplane.x" \
  | grep -q "faces"
test -s "$work/airplane.png"
if [ -n "${SKYVALE_EXAMPLE_OUTPUT:-}" ]; then cp "$work/airplane.png" "$work/levels/level0.png" "$SKYVALE_EXAMPLE_OUTPUT"/; fi
echo "package: installed, both consumers built, examples ran"
