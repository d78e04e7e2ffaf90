# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, so
# std::thread and std::mutex work); libraries come from the prefix scripts/windows-deps.sh fills.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEX_MINGW_TRIPLE}-windres)

# The libraries' prefix has one home, scripts/windows-deps.sh, which builds into it.
if(NOT QUORVEX_WINDOWS_PREFIX)
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows-deps.sh --print-prefix
    OUTPUT_VARIABLE QUORVEX_WINDOWS_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE prefix_result)
  if(NOT prefix_result EQUAL 0 OR QUORVEX_WINDOWS_PREFIX STREQUAL "")
    message(FATAL_ERROR "scripts/windows-deps.sh --print-prefix failed: ${prefix_result}")
  endif()
endif()
set(QUORVEX_WINDOWS_PREFIX "${QUORVEX_WINDOWS_PREFIX}" CACHE PATH "MinGW-w64 libraries built by scripts/windows-deps.sh")
# try_compile projects read this file again without the cache: hand the prefix on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVEX_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEX_MINGW_TRIPLE} ${QUORVEX_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees only the prefix's .pc files, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${QUORVEX_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# One self-contained .exe: libgcc, libstdc++ and winpthread linked in, no MinGW DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
