# The programs as delivered: 32-bit Windows.
set(ZELVO_MINGW_TRIPLE i686-w64-mingw32)
set(ZELVO_DEPS_ARCH i686)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env;WINEDEBUG=-all;/usr/lib/wine/wine)
# Windows calls back (window procedures, threads) with a stack aligned to 4
# bytes only; SSE code needs 16.
string(APPEND CMAKE_C_FLAGS_INIT " -mstackrealign")
string(APPEND CMAKE_CXX_FLAGS_INIT " -mstackrealign")
