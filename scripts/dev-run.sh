#!/usr/bin/env bash
# Runs one command on a throw-away Wine test host (private network namespace,
# Xvfb, own prefix and wineserver), for example one test program:
#   bash scripts/dev-run.sh wine build/win64/tests/framework/fw_tests.exe --gtest_filter=Dialog.*
# ("wine" stands for the Wine loader of the Windows build that runs here:
# build/win32 where the machine runs 32-bit code, else build/win64.)
# The host's display number is in $DISPLAY inside; Windows paths see / as Z:.
# As in the test run, a teacher host is linked to it (ZELVO_TEACHER_NS ...).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"

trap 'host_down; teacher_host_down' EXIT
host_up dev
teacher_host_up "$HOST_NS"
[ "${1:-}" = wine ] && { shift; set -- "$WINE" "$@"; }
set +e
ip netns exec "$HOST_NS" env $(wine_env "$HOST_PREFIX" "$HOST_DN") "$@"
rc=$?
set -e
exit $rc
