#!/usr/bin/env bash
# Configures and builds the three trees: the Windows programs (cross), the
# native core and peers under the sanitizers, and the fuzzers (clang).
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

configure "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DZELVO_NATIVE_BUILD="$NATIVE_BUILD"
cmake --build "$WIN_BUILD" -j "$JOBS"
