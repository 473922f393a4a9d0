#!/usr/bin/env bash
# Builds the libFuzzer target over the BMP reader and the image-loading entry point with
# clang (fuzzer, ASan, UBSan) into build-fuzz/ (the CMake option BUMPDEMO_FUZZ) and runs it
# for SECONDS (default 60) on one core. The corpus starts from the BMP suite in
# tests/data/bmpsuite, the shipped image, small PNG, TGA and JPEG versions of it and the
# images the reader tests build; new inputs go to build-fuzz/corpus/, crashes to
# build-fuzz/crashes/.
#   scripts/fuzz.sh 600     # ten minutes
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build-fuzz

cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DBUMPDEMO_FUZZ=ON -DBUMPDEMO_WERROR=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target fuzz_bmp make_seeds

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
