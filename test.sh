#!/usr/bin/env bash
# Sets everything up and runs every test: installs missing packages, cross-builds the
# Windows executables into build-win32/ and build-win64/ and packs each as a .zip, builds
# into build/ and runs ctest there (the Windows executables and packages under Wine
# included), packs the Linux program (.tar.gz) and runs it from a scratch directory, then
# runs ctest again with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/,
# and fuzzes the image readers and the glTF loader. It also builds the browser version into
# build-web/ and runs it in headless Chromium (ctest label web), and installs the tangent
# generator's reference (npm, in tests/tangents/) for its tests. BUMPDEMO_WINDOWS=0 leaves
# the Windows build and its tests out, BUMPDEMO_WEB=0 the browser build and its tests.
# Warnings are errors in every build here. When the 32-bit half of Wine cannot be
# installed (or this kernel runs no 32-bit programs), apt's reason is printed and the
# 32-bit build's Wine tests are skipped with it; the 32-bit cross build is still made.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
install_missing_packages $BUMPDEMO_RUN_PACKAGES $BUMPDEMO_TEST_PACKAGES

jobs=$(nproc)
strict=(-DBUILD_TESTING=ON -DBUMPDEMO_WERROR=ON)
windows=(-DBUMPDEMO_WIN32_BUILD= -DBUMPDEMO_WIN64_BUILD=)
if [ "${BUMPDEMO_WINDOWS:-1}" != 0 ]; then
  install_windows_packages
  for target in win32:i686 win64:x86_64; do
    dir=build-${target%%:*}
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${strict[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-${target#*:}-w64-mingw32.cmake" >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && cpack >/dev/null)  # the .zip, run under Wine by the Linux build's tests
  done
  windows=(-DBUMPDEMO_WIN32_BUILD="$PWD/build-win32" -DBUMPDEMO_WIN64_BUILD="$PWD/build-win64")
fi

# The tangent generator's reference (npm mikktspace, WebAssembly) at the version of the lock
# file, for the tangent tests and benchmark, which run it with node.
command -v node >/dev/null || install_missing_packages nodejs
command -v npm >/dev/null || install_missing_packages npm
(cd tests/tangents && npm ci --no-audit --no-fund --loglevel=error)

web=(-DBUMPDEMO_WEB_SITE=)
if [ "${BUMPDEMO_WEB:-1}" != 0 ]; then
  install_missing_packages $BUMPDEMO_WEB_BUILD_PACKAGES $BUMPDEMO_WEB_VIEW_PACKAGES
  command -v npm >/dev/null || install_missing_packages npm
  scripts/build_web.sh
  # Playwright at the version of the lock file; it drives Debian's Chromium and downloads
  # no browser of its own.
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
  web=(-DBUMPDEMO_WEB_SITE="$PWD/build-web/site")
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${strict[@]}" "${windows[@]}" "${web[@]}" >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure --timeout 600 -j"$jobs")

# The package a user downloads: unpacked and run where nothing else is.
(cd build && cpack >/dev/null)
scripts/check_package.sh build/bumpdemo-*-Linux.tar.gz

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBUMPDEMO_SANITIZE=ON "${strict[@]}" >/dev/null
cmake --build build-asan -j"$jobs"
# Tests that start SDL in-process share the leak suppressions for what SDL and the GL
# dispatch library keep for the life of the process.
export LSAN_OPTIONS="suppressions=$PWD/tests/e2e/third_party_leaks.supp:print_suppressions=0"
# GCC 12's leak checker can take a dynamic TLS block on glibc 2.36 for one of an older layout
# (where the block happens to fall decides it) and crash at exit after a passing test
# ("Tracer caught signal 11"); not tracking dynamic TLS avoids that. Static TLS is still
# scanned, and no test reports a leak without it.
export ASAN_OPTIONS=intercept_tls_get_addr=0
(cd build-asan && ctest --output-on-failure --timeout 600 -j"$jobs")

# The image readers, then the glTF loader, under libFuzzer (clang, ASan, UBSan) for half a
# minute each; `scripts/fuzz.sh 600` runs each for ten. The output goes to
# build-fuzz/fuzz.log; a finding fails the run.
mkdir -p build-fuzz
if ! scripts/fuzz.sh 30 > build-fuzz/fuzz.log 2>&1; then
  tail -n 60 build-fuzz/fuzz.log
  echo "fuzz: a fuzzer failed (input in build-fuzz/crashes/)"
  exit 1
fi
grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' build-fuzz/fuzz.log
