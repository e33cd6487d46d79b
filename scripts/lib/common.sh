# Shared paths of the scripts. ROOT must be set by the caller.
BUILD=${ZELVO_BUILD:-$ROOT/build}
WIN_BUILD=$BUILD/win32        # the programs as delivered (32-bit)
WIN64_BUILD=$BUILD/win64      # the same sources for 64-bit Windows
NATIVE_BUILD=$BUILD/native
FUZZ_BUILD=$BUILD/fuzz

# runs_32bit: true when this machine's kernel runs 32-bit x86 code. Some
# machines of this kind refuse it; a tiny 32-bit program (exit(42), 93 bytes)
# tells, and the answer is kept in the build tree.
runs_32bit() {
    local mark=$BUILD/runs-32bit
    if [ ! -f "$mark" ]; then
        mkdir -p "$BUILD"
        local probe=$BUILD/probe32 rc=0
        printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >"$probe"
        chmod +x "$probe"
        "$probe" 2>/dev/null || rc=$?
        rm -f "$probe"
        if [ "$rc" = 42 ]; then echo yes >"$mark"; else echo no >"$mark"; fi
    fi
    [ "$(cat "$mark")" = yes ]
}

# The Windows build that runs here, and the Wine that runs it: the 32-bit
# programs as delivered where the machine runs 32-bit code, else the same
# sources built for 64-bit under Debian's 64-bit Wine.
if [ "${ZELVO_FORCE_WIN64:-}" != 1 ] && runs_32bit; then
    WIN_ARCH=win32
    WIN_RUN_BUILD=$WIN_BUILD
    WINE=/usr/lib/wine/wine
else
    WIN_ARCH=win64
    WIN_RUN_BUILD=$WIN64_BUILD
    WINE=/usr/lib/wine/wine64
fi
# One server serves both kinds of program; Debian's own wrapper prefers the
# 64-bit one. Chosen by name, not by what is installed yet: this is read
# before setup installs Wine.
WINESERVER=/usr/lib/wine/wineserver64
WINE_TEMPLATE=$BUILD/wine/template-$WIN_ARCH

# win_arch_note: the one line that says when the 64-bit build stands in.
win_arch_note() {
    [ "$WIN_ARCH" = win64 ] && echo "note: this machine does not run 32-bit code; the Windows programs run as their 64-bit build" || true
}

# sanitizer_report OUTPUT: true when a native program's output shows a
# sanitizer report.
sanitizer_report() {
    grep -q -E 'ERROR: (Address|Leak)Sanitizer|runtime error' "$1" 2>/dev/null
}
