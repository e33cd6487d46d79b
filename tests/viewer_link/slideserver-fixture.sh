#!/usr/bin/env bash
# Starts or stops the native slide server (built with the sanitizers) on a
# small generated library, for the tests that talk to it over loopback.
#   slideserver-fixture.sh start|stop NATIVE_BUILD WORKDIR
set -euo pipefail
. "$(dirname "$0")/../support/fixture.sh"
cmd=$1 native=$2 work=$3
server=$native/peers/slideserver/slideserver
case $cmd in
start)
    mkdir -p "$work"
    "$native/peers/slideserver/slidegen" --out "$work/library" --small >/dev/null 2>&1
    # Media for the transfer tests: two names that differ only in their
    # extension, and one that the tests make smaller.
    head -c 70000 /dev/urandom >"$work/library/media/clip.jpg"
    head -c 100000 /dev/urandom >"$work/library/media/clip.avi"
    touch "$work/library/media/shrinking.jpg"
    rm -f "$work/server.out" "$work/requests.log"
    setsid "$server" --library "$work/library" --bind "$(listen_addresses)" --port 3030 --log "$work/requests.log" \
        </dev/null >"$work/server.out" 2>&1 &
    echo $! >"$work/server.pid"
    fixture_wait "slide server" "$work/server.out" tcp_open 3030
    ;;
stop)
    fixture_stop "slide server" "$work/server.pid" "$work/server.out"
    ;;
esac
