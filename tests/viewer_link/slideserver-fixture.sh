#!/usr/bin/env bash
# Starts or stops the native slide server (built with the sanitizers) on a
# small generated library, for the tests that talk to it over loopback.
#   slideserver-fixture.sh start|stop NATIVE_BUILD WORKDIR
set -euo pipefail
cmd=$1 native=$2 work=$3
server=$native/peers/slideserver/slideserver
case $cmd in
start)
    mkdir -p "$work"
    "$native/peers/slideserver/slidegen" --out "$work/library" --small >/dev/null 2>&1
    rm -f "$work/server.out" "$work/requests.log"
    setsid "$server" --library "$work/library" --bind "$(bash "$(dirname "$0")/../support/listen-addresses.sh")" --port 3030 --log "$work/requests.log" \
        </dev/null >"$work/server.out" 2>&1 &
    echo $! >"$work/server.pid"
    for _ in $(seq 1 100); do
        (exec 3<>/dev/tcp/127.0.0.1/3030) 2>/dev/null && exit 0
        sleep 0.1
    done
    echo "the slide server did not start:"; cat "$work/server.out"; exit 1
    ;;
stop)
    pid=$(cat "$work/server.pid" 2>/dev/null || true)
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    if grep -q -E 'ERROR: (Address|Leak)Sanitizer|runtime error' "$work/server.out" 2>/dev/null; then
        echo "the slide server reported a fault:"; cat "$work/server.out"; exit 1
    fi
    ;;
esac
