#!/usr/bin/env bash
# Configures and builds the trees: the native core and peers under the
# sanitizers, the fuzzers (clang), and the Windows programs (cross, 32-bit
# and 64-bit).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"

JOBS=${JOBS:-$(nproc)}

configure() {  # dir, extra cmake args...
    local dir=$1; shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
}

configure "$NATIVE_BUILD" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
cmake --build "$NATIVE_BUILD" -j "$JOBS"

configure "$FUZZ_BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZELVO_FUZZ=ON
cmake --build "$FUZZ_BUILD" -j "$JOBS"

# The programs as delivered (32-bit); on a machine that cannot run them, also
# the same sources as 64-bit programs, which are then the ones the tests run.
TREES=("$WIN_BUILD:i686")
[ "$WIN_ARCH" = win64 ] && TREES+=("$WIN64_BUILD:x86_64")
for tree in "${TREES[@]}"; do
    dir=${tree%%:*} arch=${tree##*:}
    configure "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch-w64-mingw32.cmake" \
        -DZELVO_NATIVE_BUILD="$NATIVE_BUILD"
    cmake --build "$dir" -j "$JOBS"
done
