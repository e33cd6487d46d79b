# What the test fixtures that run a native peer share; sourced by them.

# fixture_wait WHAT OUTPUT CHECK...: waits up to ten seconds until CHECK
# succeeds; else shows the peer's output and fails.
fixture_wait() {
    local what=$1 output=$2
    shift 2
    for _ in $(seq 1 100); do
        "$@" && exit 0
        sleep 0.1
    done
    echo "the $what did not start:"; cat "$output"; exit 1
}

# fixture_stop WHAT PIDFILE OUTPUT: ends the peer and fails when its
# sanitizers reported a fault.
fixture_stop() {
    local what=$1 pid
    pid=$(cat "$2" 2>/dev/null || true)
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    if grep -q -E 'ERROR: (Address|Leak)Sanitizer|runtime error' "$3" 2>/dev/null; then
        echo "the $what reported a fault:"; cat "$3"; exit 1
    fi
}

# tcp_open PORT: whether something listens on the port on loopback.
tcp_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# listen_addresses: loopback, and the address a broadcast from this host
# leaves from where that is another link (discovery names the address its
# answer came from). Not every address: the scripted peers of other tests
# take the same ports on their own loopback addresses.
listen_addresses() {
    local src
    src=$(ip -4 route get 255.255.255.255 2>/dev/null | sed -n 's/.* src \([0-9.]*\).*/\1/p' | head -n 1)
    if [ -n "$src" ] && [ "$src" != 127.0.0.1 ]; then echo "127.0.0.1,$src"; else echo 127.0.0.1; fi
}
