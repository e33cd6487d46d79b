#!/usr/bin/env bash
# Starts or stops the native catalogue server (built with the sanitizers) on a
# small library with folders, for the end-to-end test. Its discovery answer
# needs broadcasts on loopback: a namespace with nothing but loopback gets a
# route for them while the server runs.
#   catalogueserver-fixture.sh start|stop NATIVE_BUILD WORKDIR
set -euo pipefail
. "$(dirname "$0")/../support/fixture.sh"
cmd=$1 native=$2 work=$3
server=$native/peers/catalogueserver/catalogueserver
case $cmd in
start)
    rm -rf "$work/library" "$work/gen"
    mkdir -p "$work/library/Histology/Liver" "$work/library/Histology/Kidney" "$work/library/Teaching"
    "$native/peers/slideserver/slidegen" --out "$work/gen" --small >/dev/null 2>&1
    # The same slide as the slide server's library, found there by its name.
    cp "$work/gen/small.tif" "$work/library/Histology/Liver/small.tif"
    cp "$work/gen/picture.jpg" "$work/library/Histology/Kidney/cells.x.jpg"
    rm -rf "$work/gen"
    rm -f "$work/server.out" "$work/requests.log" "$work/route-added"
    if [ -z "$(ip route show default 2>/dev/null)" ] && ! ip route show 255.255.255.255 2>/dev/null | grep -q .; then
        ip route add 255.255.255.255/32 dev lo src 127.0.0.1 && touch "$work/route-added"
    fi
    setsid "$server" --library "$work/library" --bind "$(listen_addresses)" --port 3031 --log "$work/requests.log" \
        </dev/null >"$work/server.out" 2>&1 &
    echo $! >"$work/server.pid"
    fixture_wait "catalogue server" "$work/server.out" tcp_open 3031
    ;;
stop)
    [ -e "$work/route-added" ] && ip route del 255.255.255.255/32 dev lo 2>/dev/null || true
    fixture_stop "catalogue server" "$work/server.pid" "$work/server.out"
    ;;
esac
