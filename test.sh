#!/usr/bin/env bash
# Sets everything up and runs every test: installs missing packages, builds into build/
# and runs ctest there, then does the same with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
install_missing_packages

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBUMPDEMO_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
# Tests that start SDL or Mesa in-process share the leak suppressions of the GL driver and
# SDL that the end-to-end runs use.
export LSAN_OPTIONS="suppressions=$PWD/tests/e2e/third_party_leaks.supp:print_suppressions=0:fast_unwind_on_malloc=0"
(cd build-asan && ctest --output-on-failure -j"$jobs")
