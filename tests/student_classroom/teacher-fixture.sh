#!/usr/bin/env bash
# Starts or stops the teacher station (built with the sanitizers) on the
# teacher host that the test run links to the Wine test host. The tests
# write control lines into WORKDIR/control and read WORKDIR/events.log; the
# lines "down" and "up" in WORKDIR/host take the teacher host's link down
# (nothing more reaches the student, not even the end of a connection) and
# bring it back.
#   teacher-fixture.sh start|stop NATIVE_BUILD WORKDIR
set -euo pipefail
. "$(dirname "$0")/../support/fixture.sh"
cmd=$1 native=$2 work=$3
case $cmd in
start)
    if [ -z "${ZELVO_TEACHER_NS:-}" ]; then
        echo "no teacher host: run the tests through scripts/test.sh or scripts/dev-run.sh"
        exit 1
    fi
    rm -rf "$work"
    mkdir -p "$work/screens"
    mkfifo "$work/control"
    : >"$work/events.log"
    ip netns exec "$ZELVO_TEACHER_NS" setsid "$native/peers/teacher/teacher" --control "$work/control" \
        --events "$work/events.log" --screens "$work/screens" </dev/null >"$work/teacher.out" 2>&1 &
    echo $! >"$work/teacher.pid"
    mkfifo "$work/host"
    setsid bash -c 'ns=$0 veth=$(ip -n "$0" -o link show type veth | sed -n "s/^[0-9]*: \([^@:]*\).*/\1/p")
        while :; do
            while read -r line; do
                case $line in
                down) ip -n "$ns" link set dev "$veth" down ;;
                up) ip -n "$ns" link set dev "$veth" up && ip -n "$ns" route replace default dev "$veth" ;;
                esac
            done <"$1"
        done' "$ZELVO_TEACHER_NS" "$work/host" </dev/null >"$work/host.out" 2>&1 &
    echo $! >"$work/host.pid"
    fixture_wait "teacher station" "$work/teacher.out" grep -q ' open ' "$work/events.log"
    ;;
stop)
    kill "$(cat "$work/host.pid" 2>/dev/null)" 2>/dev/null || true
    fixture_stop "teacher station" "$work/teacher.pid" "$work/teacher.out"
    ;;
esac
