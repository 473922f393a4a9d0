# Installs the Debian packages that are missing. Sourced by run.sh and test.sh; both run
# from the top of the source tree.
#   install_missing_packages PACKAGE...               all of them, or the script stops
#   install_optional_packages SET WHY PACKAGE...      a set whose tests are skipped without it

# Building and running the demo (run.sh): the compiler, CMake, SDL2, stb's PNG writer, the
# glTF loader and its JSON library (header-only; every build, the cross and browser builds
# too, copies them from here), the GL libraries SDL opens at run time (the program loads
# libGL and libGLU itself), and for a machine without a display a virtual X server, xdotool to press Escape and ImageMagick's
# import for the screenshot, and xdpyinfo (x11-utils) to know when the virtual display takes
# clients. A build without BUILD_TESTING needs no Python and no Khronos registry: the GL
# entry-point lists are generated once and committed.
BUMPDEMO_RUN_PACKAGES="cmake make g++ pkg-config libsdl2-dev libstb-dev libtinygltf-dev
  nlohmann-json3-dev libgl1 libgl1-mesa-dri libglu1-mesa libegl1 libegl-mesa0 xvfb xauth xdotool
  imagemagick x11-utils"

# The tests on top (test.sh): GoogleTest, clang and its sanitizer runtime for the fuzzer,
# Python for the scripted checks and the GL list generator's check, the Khronos registry,
# lavapipe for the zink row, xwininfo, valgrind and setpriv (util-linux).
BUMPDEMO_TEST_PACKAGES="clang libclang-rt-14-dev python3 mesa-vulkan-drivers googletest
  libgtest-dev khronos-api x11-utils valgrind util-linux"

# The benchmarks (bench.sh) on top of the tests': gnuplot (no X) draws the plots of
# docs/PERFORMANCE.md with its pngcairo terminal; valgrind's callgrind counts instructions.
BUMPDEMO_BENCH_PACKAGES="gnuplot-nox valgrind python3"

# The browser build (scripts/build_web.sh): Emscripten, with Python for its tools and for
# packing the site, and the headers it copies (stb's, the glTF loader's). Serving and viewing it (run.sh --web, the web tests): Chromium, which
# draws WebGL 2 with SwiftShader where there is no GPU, and Node's npm for the tests'
# Playwright.
BUMPDEMO_WEB_BUILD_PACKAGES="emscripten python3 libstb-dev libtinygltf-dev nlohmann-json3-dev"
BUMPDEMO_WEB_VIEW_PACKAGES="chromium"

# The Windows build and its tests: the mingw-w64 cross compilers (POSIX thread model), then
# Wine. Wine only recommends the GL and X extension libraries its OpenGL and window drivers
# load, so they are named for both halves: without them a 32-bit program finds no pixel
# format. The 32-bit half comes from Debian's i386 architecture, whose package index can
# be out of step with amd64's while a mirror syncs, and some kernels run no 32-bit
# programs at all: it is optional, and the tests of the 32-bit build are skipped without it.
BUMPDEMO_WINE_LIBRARIES="libgl1 libglx-mesa0 libgl1-mesa-dri libxrandr2 libxrender1 libxi6
  libxcursor1 libxinerama1 libxcomposite1 libxxf86vm1 libxfixes3"
BUMPDEMO_CROSS_PACKAGES="gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix"
BUMPDEMO_WINE64_PACKAGES="wine wine64 $BUMPDEMO_WINE_LIBRARIES"
BUMPDEMO_WINE32_PACKAGES="wine32:i386 $(for p in $BUMPDEMO_WINE_LIBRARIES; do echo "$p:i386"; done)"

# Where a set that could not be installed leaves its reason (a file named after the set),
# for the tests that are skipped without it.
BUMPDEMO_PACKAGE_NOTES=${BUMPDEMO_PACKAGE_NOTES:-$PWD/build/missing-packages}

bumpdemo_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The packages of the arguments that are not installed, on one line.
missing_packages() {
  local p missing=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  echo "$missing"
}

# apt-get update, once per script. Its errors (an index that failed to download) do not
# stop anything by themselves: they are kept, since they often explain a failed install.
bumpdemo_apt_update_log=""
apt_update_once() {
  [ -n "$bumpdemo_apt_update_log" ] && return 0
  bumpdemo_apt_update_log=$(mktemp)
  bumpdemo_sudo apt-get update -qq >"$bumpdemo_apt_update_log" 2>&1 || true
  cat "$bumpdemo_apt_update_log" >&2
}

# Installs the missing ones of PACKAGES; apt-get's output goes to the file LOG as well.
apt_install() {
  local log=$1
  shift
  apt_update_once
  echo "Installing:$*"
  DEBIAN_FRONTEND=noninteractive bumpdemo_sudo apt-get install -y -qq --no-install-recommends "$@" \
    2>&1 | tee "$log"
  return "${PIPESTATUS[0]}"
}

install_missing_packages() {
  local missing log
  missing=$(missing_packages "$@")
  [ -n "$missing" ] || return 0
  log=$(mktemp)
  # shellcheck disable=SC2086
  if ! apt_install "$log" $missing; then
    echo "Could not install:$missing" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

# Installs a set the program can be tested without. When that fails, apt's reason is
# printed and kept in $BUMPDEMO_PACKAGE_NOTES/SET, and the run goes on.
install_optional_packages() {
  local set=$1 why=$2 missing log
  shift 2
  mkdir -p "$BUMPDEMO_PACKAGE_NOTES"
  rm -f "$BUMPDEMO_PACKAGE_NOTES/$set"
  missing=$(missing_packages "$@")
  [ -n "$missing" ] || return 0
  log=$(mktemp)
  # shellcheck disable=SC2086
  if ! apt_install "$log" $missing; then
    # The first line is the whole reason in short (apt's last error), for one-line reports.
    {
      echo "$set could not be installed ($why): $(grep '^E: ' "$log" | tail -n 1 | cut -c 4-)"
      echo "apt-get said:"
      grep -h -E '^(E|W): |^ .* : (Pre)?Depends: ' "$bumpdemo_apt_update_log" "$log" | head -n 20 || true
    } >"$BUMPDEMO_PACKAGE_NOTES/$set"
    echo "--- $set is not installed: the tests that need it are skipped." >&2
    sed 's/^/--- /' "$BUMPDEMO_PACKAGE_NOTES/$set" >&2
  fi
  rm -f "$log"
}

# Whether this kernel runs 32-bit x86 programs: it execs a 32-bit ELF program of 96 bytes
# (header, one program header, then exit(0) through int 0x80), which needs no library.
# The kernel option alone does not tell (ia32_emulation= can switch it off at boot), nor
# does /proc/sys/abi/vsyscall32 or `setarch i386`, which runs a 64-bit program.
kernel_runs_32bit() {
  local program status=0
  program=$(mktemp "$PWD/.runs-32bit.XXXXXX")  # not /tmp, which may be noexec
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0' >"$program"
  printf '\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >>"$program"
  printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\140\0\0\0\140\0\0\0\5\0\0\0\0\020\0\0' >>"$program"
  printf '\270\1\0\0\0\061\333\315\200\220\220\220' >>"$program"
  chmod +x "$program"
  "$program" 2>/dev/null || status=$?
  rm -f "$program"
  return "$status"
}

install_windows_packages() {
  install_missing_packages $BUMPDEMO_CROSS_PACKAGES $BUMPDEMO_WINE64_PACKAGES || return 1
  mkdir -p "$BUMPDEMO_PACKAGE_NOTES"
  if ! kernel_runs_32bit; then
    echo "wine32 is not installed (this kernel runs no 32-bit programs: ia32 emulation is off)" \
      >"$BUMPDEMO_PACKAGE_NOTES/wine32"
    echo "--- $(cat "$BUMPDEMO_PACKAGE_NOTES/wine32"): the tests of the 32-bit build are skipped." >&2
    return 0
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for wine32"
    bumpdemo_sudo dpkg --add-architecture i386
    bumpdemo_apt_update_log=""  # the new architecture's package lists
  fi
  install_optional_packages wine32 "the 32-bit half of Wine, Debian's i386 architecture" \
    $BUMPDEMO_WINE32_PACKAGES
}
