#!/usr/bin/env bash
# Slide streaming benchmark: the slide server (native build) on the demo
# library and bench_viewer_stream.exe under Wine, both inside a private test
# host; prints the program's table.
#   bash bench/viewer_stream/run.sh [--build WIN_BUILD_DIR] [SLIDE [MAGNIFICATION [HALF-PANS]]]
# WIN_BUILD_DIR (or $BENCH_WIN_BUILD) is the 64-bit Windows build holding the
# program; by default the Windows build that runs on this machine. Defaults: he.tif, 400x, 5 half-screen
# drags in the pan mix.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"
. "$ROOT/scripts/lib/slides.sh"

WIN_DIR=${BENCH_WIN_BUILD:-$WIN_RUN_BUILD}
if [ "${1:-}" = --build ]; then WIN_DIR=$2; shift 2; fi
SLIDE=${1:-he.tif}
MAG=${2:-400}
PANS=${3:-5}
PROGRAM=$WIN_DIR/tests/bench_viewer_stream/bench_viewer_stream.exe
# Timings want the server as delivered, not the sanitizer build the tests use.
RELEASE_BUILD=$BUILD/release
SERVER=$RELEASE_BUILD/peers/slideserver/slideserver
SLIDEGEN=$NATIVE_BUILD/peers/slideserver/slidegen
OUT=$BUILD/bench-viewer-stream
LIBRARY=$DEMO_LIBRARY

[ -x "$SLIDEGEN" ] || { echo "no slidegen in $NATIVE_BUILD: build the native tree first"; exit 1; }
if [ ! -f "$RELEASE_BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$RELEASE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVO_SANITIZE=OFF \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
fi
cmake --build "$RELEASE_BUILD" --target slideserver >/dev/null
[ -f "$PROGRAM" ] || { echo "no $PROGRAM: build the target bench_viewer_stream there first"; exit 1; }
mkdir -p "$OUT"

ensure_demo_library

cleanup() {
    set +e
    stop_slideserver
    host_down
}
trap cleanup EXIT
host_up bench

rm -f "$OUT/server.log" "$OUT/server.out"
start_slideserver "$HOST_NS" "$SERVER" "$LIBRARY" "$OUT/server.log" "$OUT/server.out"

set +e
# The program reads the server's log for the server's stages of each piece.
LOG_WIN="Z:$(echo "$OUT/server.log" | tr / '\\')"
ip netns exec "$HOST_NS" env $(wine_env "$HOST_PREFIX" "$HOST_DN") timeout 300 "$WINE" "$PROGRAM" 127.0.0.1 \
    "$SLIDE" "$MAG" "$PANS" "$LOG_WIN" 2>"$OUT/wine.log"
rc=$?
set -e
[ $rc -eq 0 ] || { echo "[bench] the program ended with $rc; see $OUT/wine.log"; tail -5 "$OUT/wine.log"; }
if sanitizer_report "$OUT/server.out"; then
    echo "[bench] the slide server reported a fault: see $OUT/server.out"
fi
echo "[bench] server request log: $OUT/server.log"
exit $rc
