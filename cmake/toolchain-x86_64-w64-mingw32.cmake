# The same sources as 64-bit Windows programs: the build that the tests run,
# on machines whose kernel cannot run 32-bit code under Wine.
set(ZELVO_MINGW_TRIPLE x86_64-w64-mingw32)
set(ZELVO_DEPS_ARCH x86_64)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env;WINEDEBUG=-all;/usr/lib/wine/wine64)
