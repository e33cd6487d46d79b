# Shared paths of the scripts. ROOT must be set by the caller.
BUILD=${ZELVO_BUILD:-$ROOT/build}
WIN_BUILD=$BUILD/win32        # the programs as delivered (32-bit)
WIN64_BUILD=$BUILD/win64      # the same sources for 64-bit Windows: what runs here
NATIVE_BUILD=$BUILD/native
FUZZ_BUILD=$BUILD/fuzz
WINE_TEMPLATE=$BUILD/wine/template
# Debian's 64-bit Wine. The kernel of these machines refuses 32-bit code, so
# the 32-bit builds cannot run under Wine here and the 64-bit builds are run.
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
