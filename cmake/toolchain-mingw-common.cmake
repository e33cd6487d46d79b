# Shared part of the MinGW-w64 cross toolchains; the including file sets
# ZELVO_MINGW_TRIPLE and ZELVO_DEPS_ARCH first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZELVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELVO_MINGW_TRIPLE}-windres)

# Our own target dependencies live in the build tree; CMAKE_PREFIX_PATH is not
# searched in ONLY mode, so they go into the find root path.
get_filename_component(_zelvo_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(DEFINED ENV{ZELVO_BUILD})
  set(_zelvo_deps "$ENV{ZELVO_BUILD}/deps/${ZELVO_DEPS_ARCH}")
else()
  set(_zelvo_deps "${_zelvo_root}/build/deps/${ZELVO_DEPS_ARCH}")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${ZELVO_MINGW_TRIPLE} "${_zelvo_deps}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic: x87 extended precision changes single-precision steps and ties.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# Static runtime: each program imports system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
