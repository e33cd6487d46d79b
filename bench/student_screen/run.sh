#!/usr/bin/env bash
# Student screen benchmark: bench_student_screen.exe under Wine on a private
# test host whose screen is 1920x1080; prints the program's result lines.
#   bash bench/student_screen/run.sh [--build WIN_BUILD_DIR] [REQUESTS [SECONDS]]
# WIN_BUILD_DIR (or $BENCH_WIN_BUILD) is the Windows build holding the program;
# by default the one that runs on this machine. Defaults: 40 requests per
# figure, 5 s per rate.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"

WIN_DIR=${BENCH_WIN_BUILD:-$WIN_RUN_BUILD}
if [ "${1:-}" = --build ]; then WIN_DIR=$2; shift 2; fi
PROGRAM=$WIN_DIR/tests/bench_student_screen/bench_student_screen.exe
[ -f "$PROGRAM" ] || { echo "no $PROGRAM: build the target bench_student_screen there first"; exit 1; }
OUT=$BUILD/bench-student-screen
mkdir -p "$OUT"

NS=zelvo-bench-screen-$$
PREFIX=$BUILD/wine/bench-screen-$$
DN=$(free_display)
cleanup() {
    set +e
    wine_host_down "$NS" "$PREFIX" "$DN"
    ns_down "$NS"
    rm -rf "$PREFIX"
}
trap cleanup EXIT
ns_up "$NS"
wine_host_up "$NS" "$PREFIX" "$DN" 1920x1080x24
win_arch_note

set +e
ip netns exec "$NS" env $(wine_env "$PREFIX" "$DN") timeout 600 "$WINE" "$PROGRAM" "$@" 2>"$OUT/wine.log"
rc=$?
set -e
[ $rc -eq 0 ] || { echo "[bench] the program ended with $rc; see $OUT/wine.log"; tail -5 "$OUT/wine.log"; }
exit $rc
