# Installs the Debian packages the build, the demo and the tests need, when any is
# missing. Sourced by run.sh and test.sh.
BUMPDEMO_PACKAGES="cmake make g++ clang libclang-rt-14-dev pkg-config python3 libsdl2-dev libstb-dev
  libgl1-mesa-dri mesa-vulkan-drivers libglu1-mesa libegl1 libegl-mesa0 libgl1 googletest libgtest-dev
  khronos-api xvfb xauth xdotool x11-utils imagemagick valgrind util-linux"

install_missing_packages() {
  local missing=""
  for p in $BUMPDEMO_PACKAGES "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  if [ -n "$missing" ]; then
    echo "Installing:$missing"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
  fi
}

# The Windows build and its tests: the mingw-w64 cross compilers (POSIX thread model) and
# Wine, whose 32-bit half needs Debian's i386 architecture. Wine only recommends the GL and
# X extension libraries its OpenGL and window drivers load, so they are named for both
# halves: without them a 32-bit program finds no pixel format. Apart from the Linux-only
# path, since it is large.
BUMPDEMO_WINE_LIBRARIES="libgl1 libglx-mesa0 libgl1-mesa-dri libxrandr2 libxrender1 libxi6
  libxcursor1 libxinerama1 libxcomposite1 libxxf86vm1 libxfixes3"
BUMPDEMO_WINDOWS_PACKAGES="gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386
  $BUMPDEMO_WINE_LIBRARIES $(for p in $BUMPDEMO_WINE_LIBRARIES; do echo "$p:i386"; done)"

install_windows_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Adding the i386 architecture for wine32"
    $sudo dpkg --add-architecture i386
  fi
  # wine32:i386 is then missing, so the package lists are updated before installing.
  install_missing_packages $BUMPDEMO_WINDOWS_PACKAGES
}
