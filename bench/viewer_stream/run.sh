#!/usr/bin/env bash
# Slide streaming benchmark: the slide server (native build) on the demo
# library and bench_viewer_stream.exe under Wine, both inside a private test
# host; prints the program's table.
#   bash bench/viewer_stream/run.sh [--build WIN_BUILD_DIR] [SLIDE [MAGNIFICATION [PANS]]]
# WIN_BUILD_DIR (or $BENCH_WIN_BUILD) is the 64-bit Windows build holding the
# program; build/win64 by default. Defaults: he.tif, 400x, 5 pans.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"

WIN_DIR=${BENCH_WIN_BUILD:-$WIN64_BUILD}
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
LIBRARY=$BUILD/demo-library
SERVER_PID=

[ -x "$SLIDEGEN" ] || { echo "no slidegen in $NATIVE_BUILD: build the native tree first"; exit 1; }
if [ ! -f "$RELEASE_BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$RELEASE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVO_SANITIZE=OFF \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
fi
cmake --build "$RELEASE_BUILD" --target slideserver >/dev/null
[ -f "$PROGRAM" ] || { echo "no $PROGRAM: build the target bench_viewer_stream there first"; exit 1; }
mkdir -p "$OUT"

# The same library, and the same rule for making it again, as the demo.
if [ ! -e "$LIBRARY/.complete" ] || [ "$SLIDEGEN" -nt "$LIBRARY/.complete" ]; then
    echo "[bench] generating the demo library in $LIBRARY (about a minute)"
    rm -rf "$LIBRARY" "$LIBRARY.tmp"
    "$SLIDEGEN" --out "$LIBRARY.tmp" >"$OUT/slidegen.log" 2>&1 || { cat "$OUT/slidegen.log"; exit 1; }
    mv "$LIBRARY.tmp" "$LIBRARY"
    touch "$LIBRARY/.complete"
fi

cleanup() {
    set +e
    if [ -n "$SERVER_PID" ]; then
        kill -TERM "$SERVER_PID" 2>/dev/null
        for _ in $(seq 1 50); do kill -0 "$SERVER_PID" 2>/dev/null || break; sleep 0.1; done
    fi
    host_down
}
trap cleanup EXIT
host_up bench

rm -f "$OUT/server.log" "$OUT/server.out"
ip netns exec "$HOST_NS" "$SERVER" --library "$LIBRARY" --bind 127.0.0.1 --port 3030 --log "$OUT/server.log" \
    </dev/null >"$OUT/server.out" 2>&1 &
SERVER_PID=$!
up=
for _ in $(seq 1 100); do
    ip netns exec "$HOST_NS" bash -c 'exec 3<>/dev/tcp/127.0.0.1/3030' 2>/dev/null && { up=1; break; }
    sleep 0.1
done
[ -n "$up" ] || { echo "the slide server did not start:"; cat "$OUT/server.out"; exit 1; }

set +e
ip netns exec "$HOST_NS" env $(wine_env "$HOST_PREFIX" "$HOST_DN") timeout 300 "$WINE" "$PROGRAM" 127.0.0.1 \
    "$SLIDE" "$MAG" "$PANS" 2>"$OUT/wine.log"
rc=$?
set -e
[ $rc -eq 0 ] || { echo "[bench] the program ended with $rc; see $OUT/wine.log"; tail -5 "$OUT/wine.log"; }
if grep -q -E 'ERROR: (Address|Leak)Sanitizer|runtime error' "$OUT/server.out" 2>/dev/null; then
    echo "[bench] the slide server reported a fault: see $OUT/server.out"
fi
echo "[bench] server request log: $OUT/server.log"
exit $rc
