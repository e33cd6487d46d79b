#!/usr/bin/env bash
# Starts or stops the teacher station (built with the sanitizers) on the
# teacher host that the test run links to the Wine test host. The tests
# write control lines into WORKDIR/control and read WORKDIR/events.log.
#   teacher-fixture.sh start|stop NATIVE_BUILD WORKDIR
set -euo pipefail
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
    for _ in $(seq 1 100); do
        grep -q ' open ' "$work/events.log" && exit 0
        sleep 0.1
    done
    echo "the teacher station did not start:"; cat "$work/teacher.out"; exit 1
    ;;
stop)
    pid=$(cat "$work/teacher.pid" 2>/dev/null || true)
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    if grep -q -E 'ERROR: (Address|Leak)Sanitizer|runtime error' "$work/teacher.out" 2>/dev/null; then
        echo "the teacher station reported a fault:"; cat "$work/teacher.out"; exit 1
    fi
    ;;
esac
