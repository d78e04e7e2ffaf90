# The cross builds' libraries (Windows, web): static archives from the prefix `cross_prefix`
# that `cross_deps_script` builds, under the target names the Linux build gets from pkg-config.

# The prefix's static SDL2, once found, as PkgConfig::SDL2 without SDL2main: the program
# keeps its own main().
function(quorvex_prefix_sdl2)
  if(NOT TARGET SDL2::SDL2-static)
    message(FATAL_ERROR "the static SDL2 is missing from ${cross_prefix}: run ${cross_deps_script}")
  endif()
  add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
  target_link_libraries(PkgConfig::SDL2 INTERFACE SDL2::SDL2-static)
  target_compile_definitions(PkgConfig::SDL2 INTERFACE SDL_MAIN_HANDLED)
endfunction()

# quorvex_static_library(TARGET LIBRARY_NAME [libraries after it...]): a static library of the
# prefix with the prefix's include directory and what it needs linked after it.
function(quorvex_static_library target name)
  find_library(${name}_ARCHIVE NAMES lib${name}.a REQUIRED)
  add_library(${target} INTERFACE IMPORTED)
  target_link_libraries(${target} INTERFACE ${${name}_ARCHIVE} ${ARGN})
  target_include_directories(${target} INTERFACE ${cross_prefix}/include)
endfunction()
