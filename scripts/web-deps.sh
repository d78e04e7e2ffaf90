#!/usr/bin/env bash
# Builds the libraries of the web program with Debian's Emscripten from Debian's own source
# packages, statically, into one prefix outside the clone; a package is rebuilt only when its
# version or its recipe below changes.
#
#   scripts/web-deps.sh [program|test]   build what is missing (test: also GoogleTest, and
#                                        LAME for the tests' MP3s)
#   scripts/web-deps.sh --print-prefix   print the prefix that the web build uses
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvex/web
prefix=${QUORVEX_WEB_PREFIX:-$cache/prefix}
jobs=${JOBS:-$(nproc)}
# Debian's emcc runs its JavaScript passes with the system's acorn, which node may not search.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs

# Source packages in the order they are built: each may use those before it.
program_packages=(zlib minizip libjpeg-turbo mpg123 libsdl2 libglu)
test_packages=(googletest lame)

tag=web-deps
target_name=WebAssembly
source "$repo/scripts/source-deps.sh"
select_packages "${1:-program}"
require_tools web emcc emcmake emconfigure emar dpkg-source /usr/share/misc/config.sub

# --- build helpers ----------------------------------------------------------------------------
# The libraries are archives: the only links are the configure scripts' checks, which need no
# optimising (emcc links at -O2 in 2.1 s, at -O0 in 1.2 s).
export CFLAGS="-O2" CXXFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib -O0"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=

# CMake's checks compile without linking: emcc takes seconds over each link (wasm-ld, then its
# JavaScript passes under node), and a library's checks are many. Each check also archives its
# object: emar and emranlib only hand their arguments to LLVM's ar and ranlib, after a Python
# start of their own (0.6 s of CPU), so CMake is given LLVM's tools themselves.
llvm_tool() { echo "$(em-config LLVM_ROOT)/$1$(v=$(em-config LLVM_ADD_VERSION); echo ${v:+-$v})"; }
cmake_checks=(-DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY -DCMAKE_AR="$(llvm_tool llvm-ar)"
  -DCMAKE_RANLIB="$(llvm_tool llvm-ranlib)")

# Each build runs in its source directory with its output in the log there (see the loop).
cmake_build() {  # cmake_build SOURCE_DIR [cache options...]
  local src=$1; shift
  emcmake cmake -S "$src" -B "$src/_web" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF "${cmake_checks[@]}" "$@" &&
    cmake --build "$src/_web" -j "$jobs" && cmake --install "$src/_web"
}

# A package's own config.sub may predate Emscripten: the system's newer one (autotools-dev)
# takes its place, as Debian's own builds do it.
autotools_build() {  # autotools_build [configure options...]
  find . -name config.sub -exec cp /usr/share/misc/config.sub {} \; &&
    find . -name config.guess -exec cp /usr/share/misc/config.guess {} \; &&
    emconfigure ./configure --host=wasm32-unknown-emscripten --prefix="$prefix" \
    --disable-shared --enable-static "$@" &&
    emmake make -j "$jobs" && emmake make install
}

# compile_archive NAME OUTPUT_DIR SOURCES...: a static library of C sources, without a build
# system of the package's own.
compile_archive() {
  local name=$1 obj=$2 f; shift 2
  mkdir -p "$obj" "$prefix/lib"
  for f in "$@"; do
    emcc $CFLAGS $CPPFLAGS -c "$f" -o "$obj/$(basename "${f%.c}").o" || return 1
  done
  emar rcs "$prefix/lib/lib$name.a" "$obj"/*.o
}

# --- one function per package: build the unpacked source in $1 into the prefix ----------------
build_zlib() {
  emconfigure ./configure --static --prefix="$prefix" &&
    emmake make -j "$jobs" libz.a && emmake make install
}

# minizip's own sources as Debian's libminizip-dev lays them out: headers in include/minizip.
build_minizip() {
  local src=$1
  compile_archive minizip "$src/_web" "$src"/{ioapi,unzip,zip,mztools}.c &&
    mkdir -p "$prefix/include/minizip" &&
    cp "$src"/{ioapi,unzip,zip,mztools,crypt}.h "$prefix/include/minizip/" &&
    write_pc minizip "${2%%-*}" "-lminizip -lz" /minizip
}

# WebAssembly has no SIMD of libjpeg-turbo's kinds: the portable C code only. CMake cannot
# read type sizes out of a WebAssembly test program, so wasm32's are given.
# Only the library is built and installed: its tools would each be a program to link.
build_libjpeg-turbo() {
  local src=$1
  emcmake cmake -S "$src" -B "$src/_web" -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
      -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF "${cmake_checks[@]}" \
      -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4 &&
    cmake --build "$src/_web" -j "$jobs" --target jpeg-static &&
    mkdir -p "$prefix/include" "$prefix/lib" &&
    cp "$src"/{jpeglib.h,jmorecfg.h,jerror.h} "$src/_web/jconfig.h" "$prefix/include/" &&
    cp "$src/_web/libjpeg.a" "$prefix/lib/"
}

build_mpg123() {
  autotools_build --disable-components --enable-libmpg123 --with-cpu=generic_fpu
}

# The Emscripten backend: a WebGL context on the page's canvas, keyboard events, Web Audio,
# timers and the file system's base path; none of the subsystems the demo does not call. SDL's
# own iconv serves: the check for a separate libiconv would pass unlinked.
build_libsdl2() {
  cmake_build "$1" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
    -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF \
    -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_THREADS=OFF -DSDL_SYSTEM_ICONV=OFF -DSDL_CCACHE=OFF
}

# The archive's pool lacks libglu's Debian diff, which holds only its packaging: the upstream
# tarball, which apt checked against the signed index, is all the build needs.
fetch_libglu() {  # fetch_libglu DIR PACKAGE VERSION
  local log=$1/fetch.log
  (cd "$1" && apt-get "${apt_opts[@]}" --download-only source "$2=$3") >"$log" 2>&1 ||
    ! grep '^E: Failed to fetch [a-z]*://' "$log" | grep -qv '\.asc \|\.diff\.gz ' || return 1
  (cd "$1" && tar xf ./*.orig.tar.*) >>"$log" 2>&1
}

# GLU's mipmap builder, projection helpers and quadrics, over the GL 1.1 layer of the program:
# the same code as the native GLU, so textures and tessellation match the native pictures.
build_libglu() {
  local src=$1
  CPPFLAGS="$CPPFLAGS -I$src/include -I$src/src/include" \
    compile_archive GLU "$src/_web" "$src"/src/libutil/{mipmap,project,quad,registry}.c
}

# The tests run under node, one thread.
build_googletest() {
  cmake_build "$1" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON
}

# LAME encodes the tests' MP3 fixtures; only the library is built.
build_lame() {
  autotools_build --disable-frontend --disable-decoder --disable-gtktest --disable-analyzer-hooks &&
    write_pc lame "${2%%-*}" "-lmp3lame"
}

recipe_helpers=(cmake_build autotools_build compile_archive write_pc)
build_missing_packages
