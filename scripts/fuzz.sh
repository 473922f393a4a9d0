#!/usr/bin/env bash
# Builds the libFuzzer target over the BMP reader with clang (fuzzer, ASan, UBSan) into
# build-fuzz/ and runs it for SECONDS (default 60) on one core. The corpus starts from
# ../shared/testdata/bmpsuite, the shipped image and the images the reader tests build;
# new inputs go to build-fuzz/corpus/, crashes to build-fuzz/crashes/.
#   scripts/fuzz.sh 600     # ten minutes
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build-fuzz
mkdir -p "$out/corpus" "$out/seeds" "$out/crashes"

flags=(-std=c++17 -g -O1 -Wall -Wextra -Werror -Isrc -Itests)
clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  fuzz/fuzz_bmp.cpp src/textures/bmp.cpp src/platform/platform.cpp -o "$out/fuzz_bmp"
clang++ "${flags[@]}" fuzz/make_seeds.cpp tests/texture_files.cpp -o "$out/make_seeds"

"$out/make_seeds" "$out/seeds"
cp assets/Textures/*.bmp "$out/seeds/"
if [ -d ../shared/testdata/bmpsuite ]; then
  find ../shared/testdata/bmpsuite -name '*.bmp' -exec cp {} "$out/seeds/" \;
else
  echo "fuzz.sh: ../shared/testdata/bmpsuite not found; seeding without it" >&2
fi

# Pixel buffers are never larger than the input (the reader allocates only data the file
# holds), so inputs of at most 300 kB keep well inside the 2 GiB limit.
"$out/fuzz_bmp" "$out/corpus" "$out/seeds" -max_total_time="$seconds" -max_len=300000 \
  -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$out/crashes/" -print_final_stats=1
