#!/usr/bin/env bash
# Runs one command on a throw-away Wine test host (private network namespace,
# Xvfb, own prefix and wineserver), for example one test program:
#   bash scripts/dev-run.sh wine build/win64/tests/framework/fw_tests.exe --gtest_filter=Dialog.*
# ("wine" stands for the machine's 64-bit Wine loader.)
# The host's display number is in $DISPLAY inside; Windows paths see / as Z:.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"

NS=zelvo-dev-$$
DN=$(free_display)
PREFIX=$BUILD/wine/dev-$$
cleanup() {
    wine_host_down "$NS" "$PREFIX" "$DN"
    ns_down "$NS"
    rm -rf "$PREFIX"
}
trap cleanup EXIT
ns_up "$NS"
wine_host_up "$NS" "$PREFIX" "$DN"
[ "${1:-}" = wine ] && { shift; set -- "$WINE" "$@"; }
set +e
ip netns exec "$NS" env $(wine_env "$PREFIX" "$DN") "$@"
rc=$?
set -e
exit $rc
