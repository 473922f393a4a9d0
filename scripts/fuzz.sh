#!/usr/bin/env bash
# Builds the libFuzzer target over the BMP reader with clang (fuzzer, ASan, UBSan) into
# build-fuzz/ (the CMake option BUMPDEMO_FUZZ) and runs it for SECONDS (default 60) on one
# core. The corpus starts from the BMP suite in tests/data/bmpsuite, the shipped image and
# the images the reader tests build; new inputs go to build-fuzz/corpus/, crashes to
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

# Pixel buffers are never larger than the input (the reader allocates only data the file
# holds), so inputs of at most 300 kB keep well inside the 2 GiB limit.
"$out/fuzz/fuzz_bmp" "$out/corpus" "$out/seeds" -max_total_time="$seconds" -max_len=300000 \
  -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$out/crashes/" -print_final_stats=1
