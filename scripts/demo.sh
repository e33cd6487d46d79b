#!/usr/bin/env bash
# The main job: sets up (when needed), builds, starts the slide viewer under
# Wine inside a private network namespace and leaves screenshots in output/demo.
# With DISPLAY set, the viewer opens on that display instead of a private Xvfb.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"

bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"

OUT=${ZELVO_DEMO_OUTPUT:-$ROOT/output/demo}
rm -rf "$OUT"; mkdir -p "$OUT"
NS=zelvo-demo-$$
PREFIX=$BUILD/wine/demo-$$
REAL_DISPLAY=${DISPLAY:-}

cleanup() {
    if [ -n "$REAL_DISPLAY" ]; then
        ip netns exec "$NS" env WINEPREFIX="$PREFIX" "$WINESERVER" -k >/dev/null 2>&1 || true
    else
        wine_host_down "$NS" "$PREFIX" "$DN"
    fi
    ns_down "$NS"
    rm -rf "$PREFIX"
}
trap cleanup EXIT

ns_up "$NS"
if [ -n "$REAL_DISPLAY" ]; then
    DN=${REAL_DISPLAY#:}
    rm -rf "$PREFIX"; cp -a "$WINE_TEMPLATE" "$PREFIX"
    ip netns exec "$NS" env WINEPREFIX="$PREFIX" WINEDEBUG=-all "$WINESERVER" -p
else
    DN=$(free_display)
    wine_host_up "$NS" "$PREFIX" "$DN"
fi

run_wine() {  # program and arguments, in the background
    ip netns exec "$NS" env $(wine_env "$PREFIX" "$DN") "$WINE" "$@" >>"$OUT/wine.log" 2>&1 &
}

shot() {  # name
    ip netns exec "$NS" env DISPLAY=":$DN" import -window root "$OUT/$1.png"
    echo "[demo] screenshot $OUT/$1.png"
}

echo "[demo] starting the slide viewer"
run_wine "$WIN64_BUILD/viewer/Oskerin.exe"
for i in $(seq 1 100); do
    ip netns exec "$NS" env DISPLAY=":$DN" xdotool search --name 'Verdaline' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 1
shot 01-viewer-started
echo "[demo] done: screenshots in $OUT"
