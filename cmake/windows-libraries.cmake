# The Windows build's libraries: static ones from the MinGW prefix of scripts/windows-deps.sh,
# under the target names the Linux build gets from pkg-config, and Windows' own OpenGL and GLU.

# SDL2 without SDL2main and without -mwindows: the program stays a console program with main(),
# so --help, errors and recording progress reach the console it was started from.
find_package(SDL2 CONFIG REQUIRED)
if(NOT TARGET SDL2::SDL2-static)
  message(FATAL_ERROR "the static SDL2 is missing from ${QUORVEX_WINDOWS_PREFIX}: run scripts/windows-deps.sh")
endif()
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2 INTERFACE SDL2::SDL2-static)
target_compile_definitions(PkgConfig::SDL2 INTERFACE SDL_MAIN_HANDLED)

# quorvex_static_library(TARGET LIBRARY_NAME [system libraries...]): a static library of the
# prefix with the prefix's include directory and what it needs linked after it.
function(quorvex_static_library target name)
  find_library(${name}_ARCHIVE NAMES lib${name}.a REQUIRED)
  add_library(${target} INTERFACE IMPORTED)
  target_link_libraries(${target} INTERFACE ${${name}_ARCHIVE} ${ARGN})
  target_include_directories(${target} INTERFACE ${QUORVEX_WINDOWS_PREFIX}/include)
endfunction()

find_library(ZLIB_ARCHIVE NAMES libz.a REQUIRED)
quorvex_static_library(PkgConfig::MINIZIP minizip ${ZLIB_ARCHIVE})
quorvex_static_library(PkgConfig::PNG png16 ${ZLIB_ARCHIVE})
quorvex_static_library(PkgConfig::MPG123 mpg123 shlwapi)

add_library(quorvex_gl INTERFACE)
target_link_libraries(quorvex_gl INTERFACE glu32 opengl32)
