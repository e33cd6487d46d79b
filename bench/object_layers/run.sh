#!/usr/bin/env bash
# Object layers benchmark: bench_object_layers.exe under Wine on a private
# test host; prints the program's lines.
#   bash bench/object_layers/run.sh [--build WIN_BUILD_DIR] [OBJECTS [MOVES]]
# WIN_BUILD_DIR (or $BENCH_WIN_BUILD) is the Windows build holding the
# program; by default the Windows build that runs on this machine.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/scripts/lib/common.sh"

WIN_DIR=${BENCH_WIN_BUILD:-$WIN_RUN_BUILD}
if [ "${1:-}" = --build ]; then WIN_DIR=$2; shift 2; fi
PROGRAM=$WIN_DIR/tests/bench_object_layers/bench_object_layers.exe
[ -f "$PROGRAM" ] || { echo "no $PROGRAM: build the target bench_object_layers there first"; exit 1; }
exec bash "$ROOT/scripts/dev-run.sh" wine "$PROGRAM" "$@"
