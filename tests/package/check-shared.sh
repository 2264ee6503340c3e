#!/usr/bin/env bash
# Builds the libraries shared, then checks that installed tree like the static one, and that the
# shared demo finds the components it loads by name (its X-file model loads).
# usage: check-shared.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 shared=$2/shared-package
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$shared" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON "${launcher[@]}" \
  > "$shared.configure.log" || { cat "$shared.configure.log"; exit 1; }
cmake --build "$shared" > "$shared.build.log" || { tail -50 "$shared.build.log"; exit 1; }
test -f "$shared/lib/libd3dx9.so"
"$src/tests/package/check-install.sh" "$src" "$shared"
out=$(cd "$src/assets" && "$shared/app/skyvale" --headless --frames 2 2>&1)
if grep -q "FAILED" <<<"$out"; then echo "$out"; exit 1; fi
echo "package: shared libraries installed and loaded"
