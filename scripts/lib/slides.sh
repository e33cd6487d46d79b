# The slide server and the built-in demo library, for the demo and the
# streaming benchmark. Needs common.sh.

DEMO_LIBRARY=$BUILD/demo-library

# ensure_demo_library: the library takes about a minute to generate, so it is
# kept in the build tree and made again only when missing or older than slidegen.
ensure_demo_library() {
    local slidegen=$NATIVE_BUILD/peers/slideserver/slidegen log=$BUILD/demo-library.log
    if [ -e "$DEMO_LIBRARY/.complete" ] && [ ! "$slidegen" -nt "$DEMO_LIBRARY/.complete" ]; then return 0; fi
    echo "generating the demo library in $DEMO_LIBRARY (about a minute)"
    rm -rf "$DEMO_LIBRARY" "$DEMO_LIBRARY.tmp"
    # Into a side folder first, so that an interrupted run leaves no half library.
    "$slidegen" --out "$DEMO_LIBRARY.tmp" >"$log" 2>&1 || { cat "$log"; return 1; }
    # The video of the demo marks' video hot spot: three seconds of MJPEG.
    ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=15 -t 3 -c:v mjpeg \
        "$DEMO_LIBRARY.tmp/media/clip.avi" >>"$log" 2>&1 || { cat "$log"; return 1; }
    mv "$DEMO_LIBRARY.tmp" "$DEMO_LIBRARY"
    touch "$DEMO_LIBRARY/.complete"
}

# start_peer NS PORT OUTPUT COMMAND...: a native server inside NS in the
# background (PEER_PID); waits at most 10 s until 127.0.0.1:PORT takes
# connections.
start_peer() {
    local ns=$1 port=$2 output=$3
    shift 3
    ip netns exec "$ns" setsid "$@" </dev/null >"$output" 2>&1 &
    PEER_PID=$!
    for _ in $(seq 1 100); do
        ip netns exec "$ns" bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "$(basename "$1") did not start:"; cat "$output"
    return 1
}

# stop_peer PID: ends a server that start_peer started, if any.
stop_peer() {
    [ -n "${1:-}" ] || return 0
    kill -TERM "$1" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
}

# start_slideserver NS SERVER LIBRARY LOG OUTPUT: the server on 127.0.0.1:3030
# inside NS, in the background (SLIDESERVER_PID).
start_slideserver() {
    start_peer "$1" 3030 "$5" "$2" --library "$3" --bind 127.0.0.1 --port 3030 --log "$4" || return 1
    SLIDESERVER_PID=$PEER_PID
}

# stop_slideserver: ends the server that start_slideserver started, if any.
stop_slideserver() {
    stop_peer "${SLIDESERVER_PID:-}"
    SLIDESERVER_PID=
}


# The catalogue's view of the demo library: the same slides (hard links, no
# copies) sorted into folders, kept beside the demo library.
DEMO_CATALOGUE=$BUILD/demo-catalogue

ensure_demo_catalogue() {
    rm -rf "$DEMO_CATALOGUE"
    mkdir -p "$DEMO_CATALOGUE/Histology" "$DEMO_CATALOGUE/Immunohistochemistry" \
        "$DEMO_CATALOGUE/Special stains" "$DEMO_CATALOGUE/Pictures"
    ln -f "$DEMO_LIBRARY/he.tif" "$DEMO_CATALOGUE/Histology/he.tif"
    ln -f "$DEMO_LIBRARY/ihc.tif" "$DEMO_CATALOGUE/Immunohistochemistry/ihc.tif"
    ln -f "$DEMO_LIBRARY/trichrome.tif" "$DEMO_CATALOGUE/Special stains/trichrome.tif"
    ln -f "$DEMO_LIBRARY/picture.jpg" "$DEMO_CATALOGUE/Pictures/picture.jpg"
}

# start_catalogueserver NS SERVER LIBRARY LOG OUTPUT: the catalogue server on
# 127.0.0.1:3031 inside NS with its discovery answer on UDP 6788, in the
# background (CATALOGUESERVER_PID); NS, which has nothing but loopback, gets a
# route for broadcasts.
start_catalogueserver() {
    ip -n "$1" route add 255.255.255.255/32 dev lo src 127.0.0.1 2>/dev/null || true
    start_peer "$1" 3031 "$5" "$2" --library "$3" --bind 127.0.0.1 --port 3031 --log "$4" || return 1
    CATALOGUESERVER_PID=$PEER_PID
}

stop_catalogueserver() {
    stop_peer "${CATALOGUESERVER_PID:-}"
    CATALOGUESERVER_PID=
}
