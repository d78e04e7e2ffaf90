# The web build's libraries: static WebAssembly ones from the prefix of scripts/web-deps.sh,
# under the target names the Linux build gets from pkg-config, and GLU over the program's own
# OpenGL 1.1 on WebGL (src/platform).
if(NOT QUORVEX_WEB_PREFIX)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/web-deps.sh --print-prefix
    OUTPUT_VARIABLE QUORVEX_WEB_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
set(QUORVEX_WEB_PREFIX "${QUORVEX_WEB_PREFIX}" CACHE PATH "WebAssembly libraries built by scripts/web-deps.sh")
list(APPEND CMAKE_FIND_ROOT_PATH ${QUORVEX_WEB_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${QUORVEX_WEB_PREFIX})
set(ENV{PKG_CONFIG_LIBDIR} "${QUORVEX_WEB_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(cross_prefix ${QUORVEX_WEB_PREFIX})
set(cross_deps_script scripts/web-deps.sh)
include(${CMAKE_CURRENT_LIST_DIR}/cross-libraries.cmake)

# Emscripten's sysroot has an SDL2 package of its own (a port fetched from the network) and
# SDL 1 headers that emcc searches as a system directory: the prefix's SDL2 is named exactly
# and imported directories are searched as -I, before the sysroot's.
set(CMAKE_NO_SYSTEM_FROM_IMPORTED ON)
find_package(SDL2 CONFIG REQUIRED PATHS ${QUORVEX_WEB_PREFIX}/lib/cmake/SDL2 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
quorvex_prefix_sdl2()

find_library(ZLIB_ARCHIVE NAMES libz.a REQUIRED)
quorvex_static_library(PkgConfig::MINIZIP minizip ${ZLIB_ARCHIVE})
target_include_directories(PkgConfig::MINIZIP INTERFACE ${QUORVEX_WEB_PREFIX}/include/minizip)
quorvex_static_library(PkgConfig::MPG123 mpg123)

# GLU calls back into the GL layer of the platform library, which comes after it.
find_library(GLU_ARCHIVE NAMES libGLU.a REQUIRED)
add_library(quorvex_gl INTERFACE)
target_link_libraries(quorvex_gl INTERFACE ${GLU_ARCHIVE} quorvex_platform)

# Every program is one .js with its .wasm; the heap grows as the pictures need it.
add_link_options(-sALLOW_MEMORY_GROWTH=1)

# The loop gives control back to the browser through Asyncify. OFF only measures what that
# costs: such a program never yields, so it can run nothing but the tests' pictures.
option(QUORVEX_WEB_ASYNCIFY "Yield to the browser through Asyncify" ON)
if(NOT QUORVEX_WEB_ASYNCIFY)
  add_compile_definitions(QUORVEX_WEB_NO_YIELD)
endif()

# Debian's emcc runs its JavaScript passes on links with the system's acorn, which node may
# not search by itself: every link is told where it is, so the build works outside make too.
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")
