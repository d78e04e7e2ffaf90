#!/usr/bin/env bash
# Builds the libraries of the Windows program with MinGW-w64 from Debian's own source packages,
# statically, into one prefix outside the clone; a package is rebuilt only when its
# version or its recipe below changes.
#
#   scripts/windows-deps.sh [program|test]   build what is missing (test: also LAME for the
#                                            tests' MP3s, and an ffmpeg.exe for the video forms)
#   scripts/windows-deps.sh --print-prefix   print the prefix that CMake's toolchain file uses
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvex/windows-x86_64
prefix=${QUORVEX_WINDOWS_PREFIX:-$cache/prefix}
toolchain=$repo/cmake/toolchain-mingw-w64-x86_64.cmake
host=x86_64-w64-mingw32
jobs=${JOBS:-$(nproc)}

# Source packages in the order they are built: each may use those before it.
program_packages=(zlib minizip libjpeg-turbo libpng1.6 mpg123 libsdl2 googletest)
test_packages=(lame x264 ffmpeg)

tag=windows-deps
target_name=Windows
source "$repo/scripts/source-deps.sh"
select_packages "${1:-program}"
require_tools windows "$host-gcc-posix" "$host-g++-posix" dpkg-source nasm

# --- build helpers ----------------------------------------------------------------------------
cc=("$host-gcc-posix")
cxx=("$host-g++-posix")
launcher=()
if command -v ccache >/dev/null; then launcher=(ccache); fi
export CFLAGS="-O2" CXXFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=

# Each build runs in its source directory with its output in the log there (see the loop).
cmake_build() {  # cmake_build SOURCE_DIR [cache options...]
  local src=$1; shift
  cmake -S "$src" -B "$src/_win" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQUORVEX_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    ${launcher:+-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache} "$@" &&
    cmake --build "$src/_win" -j "$jobs" && cmake --install "$src/_win"
}

autotools_build() {  # autotools_build [configure options...]
  ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
    CC="${launcher[*]} ${cc[*]}" CXX="${launcher[*]} ${cxx[*]}" "$@" &&
    make -j "$jobs" && make install
}

# --- one function per package: build the unpacked source in $1 into the prefix ----------------
build_zlib() {
  CHOST=$host CC="${launcher[*]} ${cc[*]}" ./configure --static --prefix="$prefix" &&
    make -j "$jobs" libz.a && make install
}

# minizip's own sources (with iowin32 for Windows' wide file names), as Debian's libminizip-dev
# lays them out: headers in include/minizip, found through minizip.pc.
build_minizip() {
  local src=$1 obj=$1/_win f
  mkdir -p "$obj" "$prefix/include/minizip"
  for f in ioapi unzip zip mztools iowin32; do
    "${launcher[@]}" "${cc[@]}" $CFLAGS -I"$prefix/include" -c "$src/$f.c" -o "$obj/$f.o" || return 1
  done
  $host-ar rcs "$prefix/lib/libminizip.a" "$obj"/*.o &&
    cp "$src"/{ioapi,unzip,zip,mztools,iowin32,crypt}.h "$prefix/include/minizip/" &&
    write_pc minizip "${2%%-*}" "-lminizip -lz" /minizip
}

build_libjpeg-turbo() {
  cmake_build "$1" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
    -DCMAKE_ASM_NASM_COMPILER=nasm
}

build_libpng1.6() {
  cmake_build "$1" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
}

build_mpg123() {
  autotools_build --disable-components --enable-libmpg123 --with-cpu=x86-64
}

# Only what the demo uses: video with OpenGL, events, audio output, message boxes.
build_libsdl2() {
  cmake_build "$1" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
    -DSDL_STATIC_PIC=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
    -DSDL_POWER=OFF
}

build_googletest() {
  cmake_build "$1" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF
}

# LAME encodes the tests' MP3 fixtures; only the library is built.
build_lame() {
  autotools_build --disable-frontend --disable-decoder --disable-gtktest --disable-analyzer-hooks &&
    write_pc lame "${2%%-*}" "-lmp3lame"
}

# x264 for ffmpeg's H.264 encoders: the library alone, 8-bit, with its assembly.
build_x264() {
  CC="${cc[*]}" ./configure --host=$host --cross-prefix=$host- --prefix="$prefix" \
    --enable-static --disable-cli --disable-opencl --bit-depth=8 &&
    make -j "$jobs" && make install-lib-static
}

# An ffmpeg.exe for the tests of the video forms, with only what the recorder asks of it: raw
# RGB and PCM read from named pipes, H.264 (x264) with FLAC into Matroska, H.264 with AAC into
# MP4. Nothing is detected from the build machine; it lands alone in $prefix/ffmpeg (where
# tests/windows/CMakeLists.txt looks for it).
build_ffmpeg() {
  ./configure --enable-cross-compile --target-os=mingw32 --arch=x86_64 \
      --cross-prefix=$host- --cc="${cc[*]}" --cxx="${cxx[*]}" --pkg-config=pkg-config \
      --pkg-config-flags=--static --extra-ldflags=-static --extra-cflags="-I$prefix/include" \
      --disable-autodetect --disable-everything --disable-doc --disable-debug --disable-network \
      --disable-ffplay --disable-ffprobe --disable-avdevice --disable-postproc \
      --disable-shared --enable-static --enable-w32threads \
      --enable-gpl --enable-libx264 --enable-protocol=file,pipe \
      --enable-demuxer=rawvideo,pcm_s16le --enable-decoder=rawvideo,pcm_s16le \
      --enable-encoder=libx264,libx264rgb,aac,flac --enable-muxer=matroska,mp4 \
      --enable-filter=aformat,anull,aresample,format,null,scale &&
    make -j "$jobs" ffmpeg.exe && mkdir -p "$prefix/ffmpeg" && cp ffmpeg.exe "$prefix/ffmpeg/"
}

recipe_helpers=(cmake_build autotools_build write_pc)
build_missing_packages
