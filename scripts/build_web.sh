#!/usr/bin/env bash
# Builds the browser version (Emscripten, WebGL 2) into build-web/ and puts the site in
# build-web/site/: index.html, bumpdemo.js, bumpdemo.wasm and bumpdemo.data (the run
# directory: the maps and an empty system/). Then packs the site, with the licence notes,
# as build-web/bumpdemo-VERSION-web.zip. Installs Emscripten when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
install_missing_packages $BUMPDEMO_WEB_BUILD_PACKAGES
# Debian's Emscripten finds its JavaScript tools (acorn, terser) among Node's packages.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# Optimised for size (-Oz) across the whole program (link-time optimisation): the site stays
# under 800 KB with its maps.
# The run directory the page preloads: the assets, with both maps as PNG data under their own
# names (the reader tells formats apart by content; the texels are the same): 181 KB where
# LZ4 packs the two BMPs to 310, which keeps the site under 1 MB with the model loader.
run=build-web/run
rm -rf "$run"
mkdir -p build-web
cp -r assets "$run"
for map in wall_bump wall_colour; do
  python3 scripts/bmp_to_png.py "assets/Textures/$map.bmp" "$run/Textures/$map.bmp"
done
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=MinSizeRel -DBUMPDEMO_WERROR=ON \
  -DBUMPDEMO_WEB_RUN_DIR="$PWD/$run" \
  -DCMAKE_CXX_FLAGS=-flto "-DCMAKE_CXX_FLAGS_MINSIZEREL=-Oz -DNDEBUG" \
  "-DCMAKE_EXE_LINKER_FLAGS=-flto -Oz" >/dev/null
cmake --build build-web -j"$(nproc)"

site=build-web/site
rm -rf "$site"
mkdir -p "$site"
cp src/platform/web/index.html build-web/bumpdemo.js build-web/bumpdemo.wasm build-web/bumpdemo.data "$site/"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-web/CMakeCache.txt)
name=bumpdemo-$version-web
rm -rf "build-web/$name" "build-web/$name.zip"
cp -r "$site" "build-web/$name"
cp LICENSE NOTICES.md "build-web/$name/"
(cd build-web && python3 -m zipfile -c "$name.zip" "$name" && rm -rf "$name")
echo "Site: $site ($(du -sk "$site" | cut -f1) KB); package: build-web/$name.zip"
