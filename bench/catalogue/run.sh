#!/usr/bin/env bash
# Catalogue listing benchmark: the catalogue server (native, without the
# sanitizers) on a folder of 1000 slide pictures; a plain client fetches the
# folder's list (records and thumbnails) as the baseline, then the catalogue
# client under Wine lists it into its list view. Prints both figures.
#   bash bench/catalogue/run.sh [--build WIN_BUILD_DIR] [COUNT]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"
. "$ROOT/scripts/lib/slides.sh"

WIN_DIR=${BENCH_WIN_BUILD:-$WIN_RUN_BUILD}
if [ "${1:-}" = --build ]; then WIN_DIR=$2; shift 2; fi
COUNT=${1:-1000}
PROGRAM=$WIN_DIR/tests/bench_catalogue/bench_catalogue_list.exe
# Timings want the server as delivered, not the sanitizer build the tests use.
RELEASE_BUILD=$BUILD/release
SERVER=$RELEASE_BUILD/peers/catalogueserver/catalogueserver
CLIENT=$RELEASE_BUILD/bench/catalogue/catalogue_bench_client
OUT=$BUILD/bench-catalogue
LIBRARY=$OUT/library-$COUNT

if [ ! -f "$RELEASE_BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$RELEASE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVO_SANITIZE=OFF \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
fi
cmake --build "$RELEASE_BUILD" --target catalogueserver catalogue_bench_client catalogue_benchgen >/dev/null
[ -f "$PROGRAM" ] || { echo "no $PROGRAM: build the target bench_catalogue_list there first"; exit 1; }
mkdir -p "$OUT"
if [ ! -e "$LIBRARY/.complete" ]; then
    rm -rf "$LIBRARY"
    "$RELEASE_BUILD/bench/catalogue/catalogue_benchgen" "$LIBRARY" "$COUNT"
    touch "$LIBRARY/.complete"
fi

cleanup() {
    set +e
    stop_catalogueserver
    host_down
}
trap cleanup EXIT
host_up bench

rm -f "$OUT/server.log" "$OUT/server.out"
start_catalogueserver "$HOST_NS" "$SERVER" "$LIBRARY" "$OUT/server.log" "$OUT/server.out"
# The server makes every thumbnail once at start; the first fetch waits for
# them, the measured ones find them made.
echo "[bench] $COUNT slides in $LIBRARY/Bench; warming the server"
ip netns exec "$HOST_NS" "$CLIENT" 127.0.0.1 'Bench\' "$COUNT" >/dev/null
ip netns exec "$HOST_NS" "$CLIENT" 127.0.0.1 'Bench\' "$COUNT"

set +e
ip netns exec "$HOST_NS" env $(wine_env "$HOST_PREFIX" "$HOST_DN") timeout 300 "$WINE" "$PROGRAM" 127.0.0.1 \
    Bench "$COUNT" 2>"$OUT/wine.log"
rc=$?
set -e
[ $rc -eq 0 ] || { echo "[bench] the program ended with $rc; see $OUT/wine.log"; tail -5 "$OUT/wine.log"; }
echo "[bench] target: the catalogue client's last thumbnail under 3 s"
echo "[bench] server request log: $OUT/server.log"
exit $rc
