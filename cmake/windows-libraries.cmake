# The Windows build's libraries: static ones from the MinGW prefix of scripts/windows-deps.sh,
# under the target names the Linux build gets from pkg-config, and Windows' own OpenGL and GLU.

set(cross_prefix ${QUORVEX_WINDOWS_PREFIX})
set(cross_deps_script scripts/windows-deps.sh)
include(${CMAKE_CURRENT_LIST_DIR}/cross-libraries.cmake)

# SDL2 without -mwindows: the program stays a console program with main(), so --help, errors
# and recording progress reach the console it was started from.
find_package(SDL2 CONFIG REQUIRED)
quorvex_prefix_sdl2()

find_library(ZLIB_ARCHIVE NAMES libz.a REQUIRED)
quorvex_static_library(PkgConfig::MINIZIP minizip ${ZLIB_ARCHIVE})
quorvex_static_library(PkgConfig::PNG png16 ${ZLIB_ARCHIVE})
quorvex_static_library(PkgConfig::MPG123 mpg123 shlwapi)

add_library(quorvex_gl INTERFACE)
target_link_libraries(quorvex_gl INTERFACE glu32 opengl32)
