# Test hosts: private network namespaces, each Wine host with its own Xvfb
# display, Wine prefix and persistent wineserver started inside the namespace
# (Wine's sockets live in the wineserver's namespace). Nothing sent inside a
# namespace can leave it.

# ns_up NAME: a namespace with only its loopback up.
ns_up() {
    ip netns add "$1"
    ip -n "$1" link set lo up
}

# ns_down NAME: ends everything still running inside, then removes it.
ns_down() {
    local pids
    pids=$(ip netns pids "$1" 2>/dev/null || true)
    [ -n "$pids" ] && kill -9 $pids 2>/dev/null || true
    ip netns del "$1" 2>/dev/null || true
}

# ns_link NS_A ADDR_A NS_B ADDR_B: a veth pair between two namespaces on a /24,
# each side with its default route over it (so broadcasts reach the other side).
ns_link() {
    local a=$1 ipa=$2 b=$3 ipb=$4 va="v${RANDOM}a" vb="v${RANDOM}b"
    ip link add "$va" type veth peer name "$vb"
    ip link set "$va" netns "$a"
    ip link set "$vb" netns "$b"
    ip -n "$a" addr add "$ipa/24" dev "$va"
    ip -n "$b" addr add "$ipb/24" dev "$vb"
    ip -n "$a" link set "$va" up
    ip -n "$b" link set "$vb" up
    ip -n "$a" route add default dev "$va"
    ip -n "$b" route add default dev "$vb"
}

# free_display: a display number nobody uses. The number is reserved with a
# directory (mkdir is atomic) until wine_host_down, so that two hosts coming
# up at once cannot both take it before their Xvfb has made its lock.
free_display() {
    local n
    for n in $(seq 90 189); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        mkdir "/tmp/.zelvo-display-$n" 2>/dev/null && { echo "$n"; return; }
    done
    return 1
}

# wine_host_up NS PREFIX DISPLAY_NUMBER [SCREEN]: Xvfb, a fresh copy of the
# template prefix and a persistent wineserver, all inside NS.
wine_host_up() {
    local ns=$1 prefix=$2 dn=$3 screen=${4:-1280x1024x24}
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$WINE_TEMPLATE" "$prefix"
    # ip netns exec execs Xvfb, so $! is the server itself; its pid is kept
    # in the display's reservation so that wine_host_down stops that one.
    ip netns exec "$ns" Xvfb ":$dn" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
    echo $! >"/tmp/.zelvo-display-$dn/xvfb.pid"
    local i
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$dn" ] && break
        sleep 0.05
    done
    ip netns exec "$ns" env WINEPREFIX="$prefix" WINEDEBUG=-all "$WINESERVER" -p
    # The first Wine process starts the system processes, which outlive it and
    # keep its output open: start them here, detached, so that no test's
    # output pipe is held open after the test ends.
    ip netns exec "$ns" env $(wine_env "$prefix" "$dn") "$WINE" wineboot </dev/null >/dev/null 2>&1
    wine_no_crash_dialog "$ns" "$prefix" "$dn"
}

# wine_no_crash_dialog NS PREFIX DISPLAY_NUMBER: a program that dies of an
# exception ends at once, with the exception as its exit code and Wine's crash
# report (where it died) on its error output, instead of waiting behind Wine's
# crash dialog for a click that nobody gives.
wine_no_crash_dialog() {
    ip netns exec "$1" env $(wine_env "$2" "$3") "$WINE" reg add 'HKCU\Software\Wine\WineDbg' \
        /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
}

# wine_host_down NS PREFIX DISPLAY_NUMBER
wine_host_down() {
    local ns=$1 prefix=$2 dn=$3
    ip netns exec "$ns" env WINEPREFIX="$prefix" "$WINESERVER" -k >/dev/null 2>&1 || true
    local pidfile=/tmp/.zelvo-display-$dn/xvfb.pid pid
    if [ -f "$pidfile" ]; then
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$pidfile"
    fi
    rm -f "/tmp/.X$dn-lock" "/tmp/.X11-unix/X$dn"
    rmdir "/tmp/.zelvo-display-$dn" 2>/dev/null || true
}

# The environment of a Wine process on a host.
wine_env() {  # PREFIX DISPLAY_NUMBER
    echo "WINEPREFIX=$1" "DISPLAY=:$2" "LC_ALL=zh_CN.UTF-8" "LANG=zh_CN.UTF-8" "WINEDEBUG=${WINEDEBUG:--all}" "PATH=$PATH"
}

# host_up NAME: one private Wine test host; sets HOST_NS, HOST_DN (display
# number) and HOST_PREFIX. host_down undoes it (safe to call twice).
host_up() {
    HOST_NS=zelvo-$1-$$
    HOST_DN=$(free_display)
    HOST_PREFIX=$BUILD/wine/$1-$$
    ns_up "$HOST_NS"
    wine_host_up "$HOST_NS" "$HOST_PREFIX" "$HOST_DN"
}

host_down() {
    [ -n "${HOST_NS:-}" ] || return 0
    wine_host_down "$HOST_NS" "$HOST_PREFIX" "$HOST_DN"
    ns_down "$HOST_NS"
    rm -rf "$HOST_PREFIX"
    HOST_NS=
}

# teacher_host_up HOST_NS: a native host for the classroom's teacher station,
# joined to the Wine host HOST_NS by a veth pair (the student side 10.250.0.1,
# the teacher 10.250.0.2); broadcasts from either side reach the other and go
# nowhere else. Exports ZELVO_TEACHER_NS, ZELVO_TEACHER_ADDR and
# ZELVO_STUDENT_ADDR for the tests. teacher_host_down undoes it.
teacher_host_up() {
    TEACHER_NS=zelvo-teacher-$$
    ns_up "$TEACHER_NS"
    ns_link "$1" 10.250.0.1 "$TEACHER_NS" 10.250.0.2
    export ZELVO_TEACHER_NS=$TEACHER_NS ZELVO_TEACHER_ADDR=10.250.0.2 ZELVO_STUDENT_ADDR=10.250.0.1
}

teacher_host_down() {
    [ -n "${TEACHER_NS:-}" ] || return 0
    ns_down "$TEACHER_NS"
    TEACHER_NS=
}
