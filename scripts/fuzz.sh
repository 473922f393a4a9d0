#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (fuzzer, ASan, UBSan) into build-fuzz/ (the CMake
# option BUMPDEMO_FUZZ) and runs each for SECONDS (default 30) on one core, one after the
# other; a finding of either fails the script.
# - fuzz_bmp, over the BMP reader and the image-loading entry point. The corpus starts from
#   the BMP suite in tests/data/bmpsuite, the shipped image, small PNG, TGA and JPEG versions
#   of it and the images the reader tests build; new inputs go to build-fuzz/corpus/.
# - fuzz_gltf, over the glTF loader, from the files the loader tests build (and a dictionary
#   of glTF's words); new inputs go to build-fuzz/gltf-corpus/.
# Crashes go to build-fuzz/crashes/ (the glTF loader's named gltf-...).
#   scripts/fuzz.sh 600     # ten minutes each
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
out=build-fuzz

cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DBUMPDEMO_FUZZ=ON -DBUMPDEMO_WERROR=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target fuzz_bmp make_seeds fuzz_gltf make_gltf_seeds

mkdir -p "$out/corpus" "$out/seeds" "$out/crashes"
"$out/fuzz/make_seeds" "$out/seeds"
cp assets/Textures/*.bmp "$out/seeds/"
find tests/data/bmpsuite -name '*.bmp' -exec cp {} "$out/seeds/" \;
# Small PNG (8- and 16-bit, grey and colour), TGA and JPEG files for the entry point.
for seed in small.png:-depth:8 deep.png:-depth:16 grey.png:-colorspace:gray small.tga:-depth:8 \
  small.jpg:-quality:90; do
  options=${seed#*:}
  convert assets/Textures/wall_bump.bmp -resize 16x16 ${options//:/ } "$out/seeds/${seed%%:*}"
done

# The BMP reader's pixel buffers are never larger than the input; a PNG or JPEG of 300 kB can
# describe up to 16384 x 16384 pixels, which decode within the 4 GiB limit.
"$out/fuzz/fuzz_bmp" "$out/corpus" "$out/seeds" -max_total_time="$seconds" -max_len=300000 \
  -rss_limit_mb=4096 -malloc_limit_mb=4096 -timeout=10 -artifact_prefix="$out/crashes/" -print_final_stats=1

# The glTF loader: files of up to 100 kB, each loaded with at most 2^18 triangles and 4
# megapixels an image (fuzz/fuzz_gltf.cpp), so it stays well within the limits below.
mkdir -p "$out/gltf-corpus" "$out/gltf-seeds"
"$out/fuzz/make_gltf_seeds" "$out/gltf-seeds"
"$out/fuzz/fuzz_gltf" "$out/gltf-corpus" "$out/gltf-seeds" -dict=fuzz/gltf.dict \
  -max_total_time="$seconds" -max_len=100000 -rss_limit_mb=4096 -malloc_limit_mb=4096 -timeout=10 \
  -artifact_prefix="$out/crashes/gltf-" -print_final_stats=1
