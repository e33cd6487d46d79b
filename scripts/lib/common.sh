# Shared paths of the scripts. ROOT must be set by the caller.
BUILD=${ZELVO_BUILD:-$ROOT/build}
WIN_BUILD=$BUILD/win32
NATIVE_BUILD=$BUILD/native
FUZZ_BUILD=$BUILD/fuzz
WINE_TEMPLATE=$BUILD/wine/template
# Wine built from Debian's source in its WoW64 mode: 32-bit programs run in a
# 64-bit process, so no 32-bit Linux code is needed (some kernels refuse it).
WINE_HOME=${ZELVO_WINE_HOME:-/opt/zelvo/wine-8.0-wow64}
WINE_CACHE=${ZELVO_WINE_CACHE:-/var/cache/zelvo/wine-8.0-wow64}
export PATH="$WINE_HOME/bin:$PATH"
