#!/usr/bin/env bash
# Installs the Debian packages that are missing, apt-get as root, through sudo otherwise.
# `run`: build and play the demo and generate its media; `test` (the default): also the tests;
# `windows`: cross-build the Windows program and run it under Wine; `deb`: build the Debian
# package (`make deb`) and lint it; `web`: build the web program and test it in headless Chromium.
set -euo pipefail

# Building, playing, recording to PNG frames and generating the media.
run_packages=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri      # Mesa's drivers (llvmpipe where there is no GPU), named as what playing uses
  libegl-mesa0         # EGL for the offscreen target of --record, named as what it uses
  xfonts-base          # X core fonts: SDL's X11 message boxes cannot open without them
  libminizip-dev zlib1g-dev libjpeg-dev libmpg123-dev libpng-dev
  libfreetype-dev fonts-dejavu-core libstk-dev libebur128-dev libmp3lame-dev
)
# What `make test`, `make sanitize`, `make fuzz`, `make bench` and `make check` add.
test_packages=(
  libgtest-dev libbenchmark-dev
  libx11-dev libxfixes-dev libxrandr-dev  # the end-to-end tests' X11 helper
  xvfb xauth xdotool x11-utils            # their X server, its launcher, keys, xwininfo
  ffmpeg                                  # the recorder's video forms and their checks
  desktop-file-utils man-db               # the install tests: menu entry check, man -l
  zip                                     # an end-to-end test edits a copy of the archive
  clang libclang-rt-14-dev                # libFuzzer
  clang-format                            # the format check (make check)
)
# What `make windows` and `make test-windows` add: MinGW-w64 with the posix thread model,
# apt-get source's unpacker, the assembler of libjpeg-turbo's and x264's SIMD code, Wine.
windows_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  dpkg-dev nasm
  wine wine64
)

# What `make deb` adds: debhelper and dpkg-dev build the package (dpkg-checkbuilddeps checks
# the build dependencies in debian/control, which the run set holds), lintian and appstream
# (appstreamcli) check it, fakeroot for builds that still ask for it.
deb_packages=(
  debhelper dpkg-dev lintian appstream fakeroot
)

# What `make web` and `make test-web` add: Debian's Emscripten (its acorn is only recommended),
# node for the tests, apt-get source's unpacker and a current config.sub for the libraries,
# and headless Chromium.
web_packages=(
  emscripten node-acorn nodejs
  dpkg-dev autotools-dev
  chromium
)

set_name=${1:-test}
list=0
if [ "$set_name" = "--list" ]; then
  list=1
  set_name=${2:-test}
fi
case "$set_name" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  windows) packages=("${windows_packages[@]}") ;;
  deb) packages=("${run_packages[@]}" "${deb_packages[@]}") ;;
  web) packages=("${web_packages[@]}") ;;
  *) echo "usage: $0 [--list] [run|test|windows|deb|web]" >&2; exit 2 ;;
esac
[ "$list" -eq 1 ] && { printf '%s\n' "${packages[@]}"; exit 0; }

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  run=(sudo)
else
  echo "error: these Debian packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  echo "       install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# On a shared machine another install may hold dpkg's lock: wait for it rather than fail.
lock=(-o DPkg::Lock::Timeout=900)
"${run[@]}" apt-get "${lock[@]}" update -qq
# Without recommends, so only what is listed arrives; whatever a listed package merely
# recommends and we need is listed itself.
"${run[@]}" apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
