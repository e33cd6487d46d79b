#!/usr/bin/env bash
# Starts or stops the teacher station (built with the sanitizers) on the
# teacher host that the test run links to the Wine test host. The tests
# write control lines into WORKDIR/control and read WORKDIR/events.log.
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
    fixture_wait "teacher station" "$work/teacher.out" grep -q ' open ' "$work/events.log"
    ;;
stop)
    fixture_stop "teacher station" "$work/teacher.pid" "$work/teacher.out"
    ;;
esac
