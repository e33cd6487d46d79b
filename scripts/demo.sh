#!/usr/bin/env bash
# The main job: sets up (when needed), builds, starts the slide server on the
# built-in demo library and the slide viewer under Wine, both inside a private
# network namespace, opens a demo slide, zooms and pans it by script; then the
# catalogue server and the catalogue client, which finds the server by
# broadcast and opens a slide in the viewer by a double click. Leaves
# screenshots, the servers' request logs and a summary in output/demo.
# With DISPLAY set, the viewer opens on that display instead of a private Xvfb.
# Every step checks that the program it drives still runs and that the step
# did what its name says; a failed check stops the demo there with status 1,
# keeping what it has and naming the step in summary.txt.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"
. "$ROOT/scripts/lib/slides.sh"
. "$ROOT/scripts/lib/steps.sh"

bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"
win_arch_note

OUT=${ZELVO_DEMO_OUTPUT:-$ROOT/output/demo}
rm -rf "$OUT"; mkdir -p "$OUT"
NS=zelvo-demo-$$
PREFIX=$BUILD/wine/demo-$$
REAL_DISPLAY=${DISPLAY:-}
SLIDE=he.tif
SERVER_LOG=$OUT/server.log
VIEWER_PID=
CATALOGUE_PID=
CATALOGUE_LOG=$OUT/catalogue.log
LIBRARY=$DEMO_LIBRARY
DN=
DEMO=demo
STEPS=()
VIEWER_CLOSE_ASKED=
VIEWER_CLOSED=
CATALOGUE_RESULT="not reached"
CLASSROOM_RESULT="not reached"
SUMMARY_WRITTEN=
ensure_demo_library

cleanup() {
    [ -n "$VIEWER_PID" ] && kill "$VIEWER_PID" 2>/dev/null
    [ -n "$CATALOGUE_PID" ] && kill "$CATALOGUE_PID" 2>/dev/null
    stop_catalogueserver
    stop_slideserver
    if [ -n "$REAL_DISPLAY" ]; then
        ip netns exec "$NS" env WINEPREFIX="$PREFIX" "$WINESERVER" -k >/dev/null 2>&1 || true
    else
        wine_host_down "$NS" "$PREFIX" "$DN"
    fi
    ns_down "$NS"
    rm -rf "$PREFIX"
}

# The summary: per step what the viewer asked for and what it got, counted
# from the server's log (region pieces are answered one by one); written also
# when a step failed, from the steps done so far.
write_summary() {
    SUMMARY_WRITTEN=1
    {
        printf 'Demo of %s from %s; every request and reply is in server.log.\n' "$SLIDE" "$LIBRARY"
        [ -n "$FAILED" ] && printf 'The demo stopped at %s.\n' "$FAILED"
        printf 'Viewer title: %s\n\n' "$(echo "${STEPS[0]:-}" | cut -d'|' -f4)"
        printf '%-24s %7s %8s %8s %9s %12s  %s\n' step opened regions prefetch pieces bytes scale
        for s in "${STEPS[@]}"; do
            IFS='|' read -r name a b _ <<<"$s"
            sed -n "$((a + 1)),${b}p" "$SERVER_LOG" | awk -v name="$name" '
                / reply /        { if ($0 ~ / reply 13(03|10) region /) { pieces++; bytes += $(NF - 1) }; next }
                / 130[02] open / { opened++ }
                / 1303 region /  { regions++; scale = $NF }
                / 1308 region /  { prefetch++ }
                END { printf "%-24s %7d %8d %8d %9d %12d  %s\n", name, opened, regions, prefetch, pieces, bytes, scale }'
        done
        printf '\nregions: region requests (1303), prefetch: prefetch requests (1308),\n'
        printf 'pieces and bytes: region pieces the server sent (1303 and 1310 replies),\n'
        printf 'scale: the display scale of the last region request.\n'
        printf 'A pan over ground that the prefetch (half a second after each move) has\n'
        printf 'brought already asks for nothing.\n'
        if [ -n "$VIEWER_CLOSED" ]; then
            echo "The viewer closed."
        elif [ -n "$VIEWER_CLOSE_ASKED" ]; then
            echo "The viewer did not close cleanly when asked to (see wine.log)."
        elif [ -n "$VIEWER_PID" ] && kill -0 "$VIEWER_PID" 2>/dev/null; then
            echo "The viewer was still running when the demo stopped."
        else
            echo "The viewer ended without being asked to (see wine.log)."
        fi
        printf '\nCatalogue (every request and reply in catalogue.log): %s.\n' "$CATALOGUE_RESULT"
        awk '/discovery answered/ { d++ } / 2 folder / { f++ } / 3 list / { l++ } /reply -3 items/ { split($0, a, "items "); split(a[2], b, " "); i += b[1] }
             / 5 preview / { p++ } END { printf "discovery answers %d, folder requests %d, list requests %d, slides listed %d, previews %d\n", d, f, l, i, p }' \
            "$CATALOGUE_LOG" 2>/dev/null || true
        sanitizer_report "$OUT/server.out" && echo "The slide server reported a fault: see server.out."
        sanitizer_report "$OUT/catalogue.out" && echo "The catalogue server reported a fault: see catalogue.out."
        printf '\nClassroom: %s.\n' "$CLASSROOM_RESULT"
    } >"$OUT/summary.txt"
    cat "$OUT/summary.txt"
    echo "[demo] screenshots, server.log, catalogue.log, wine.log and summary.txt in $OUT"
}

finish() {
    local status=$?
    set +eu
    stopped "$status"
    [ -n "$SUMMARY_WRITTEN" ] || write_summary
    cleanup
    exit $status
}
trap finish EXIT

ns_up "$NS"
if [ -n "$REAL_DISPLAY" ]; then
    # Only a local display is reachable from inside the namespace.
    case $REAL_DISPLAY in :*) ;; *) echo "[demo] DISPLAY=$REAL_DISPLAY is not a local display (:N)"; exit 1 ;; esac
    DN=${REAL_DISPLAY#:}
    rm -rf "$PREFIX"; cp -a "$WINE_TEMPLATE" "$PREFIX"
    ip netns exec "$NS" env WINEPREFIX="$PREFIX" WINEDEBUG=-all "$WINESERVER" -p
    wine_no_crash_dialog "$NS" "$PREFIX" "$DN"
else
    DN=$(free_display)
    wine_host_up "$NS" "$PREFIX" "$DN"
fi

run_wine() {  # program and arguments, in the background; sets VIEWER_PID
    ip netns exec "$NS" env $(wine_env "$PREFIX" "$DN") "$WINE" "$@" >>"$OUT/wine.log" 2>&1 &
    VIEWER_PID=$!
}

xdo() {  # xdotool on the demo's display
    ip netns exec "$NS" env DISPLAY=":$DN" xdotool "$@"
}

shot() {  # name
    ip netns exec "$NS" env DISPLAY=":$DN" import -window root "$OUT/$1.png"
    echo "[demo] screenshot $OUT/$1.png"
}

log_lines() { [ -f "$SERVER_LOG" ] && wc -l <"$SERVER_LOG" || echo 0; }

# settle FROM: waits until nothing new has come to the server's log for a
# second and a half (the view is complete, or had nothing to ask for because
# the prefetch brought it already), at most 60 seconds.
settle() {
    local from=$1 last=-1 quiet=0 now
    for _ in $(seq 1 600); do
        now=$(log_lines)
        if [ "$now" = "$last" ]; then quiet=$((quiet + 1)); else quiet=0; last=$now; fi
        [ "$quiet" -ge 15 ] && return 0
        sleep 0.1
    done
    echo "[demo] the server went on sending for 60 s; going on"
}

# logged FROM TEXT: the server's log has TEXT after its line FROM.
logged() { tail -n +"$(($1 + 1))" "$SERVER_LOG" | grep -F -- "$2" >/dev/null; }
# last_scale FROM TO: the x scale of the last region request (1303) in the
# server's log lines FROM+1 to TO; 0 when there is none.
last_scale() {
    sed -n "$(($1 + 1)),${2}p" "$SERVER_LOG" | awk '/ reply / { next } / 1303 region / { split($NF, s, ","); v = s[1] } END { print v + 0 }'
}

# Steps: name, first and last server log line, viewer title.
step_done() {  # name from
    local title
    title=$(xdo getwindowname "$WIN" 2>/dev/null || true)
    STEPS+=("$1|$2|$(log_lines)|$title")
    shot "$1"
}

echo "[demo] starting the slide server on $LIBRARY"
start_slideserver "$NS" "$NATIVE_BUILD/peers/slideserver/slideserver" "$LIBRARY" "$SERVER_LOG" "$OUT/server.out"

# The viewer needs its command line word for word ("<exe>" slide, window,
# server), which Wine's loader would requote: start_program passes it through.
EXE_WIN="Z:$(echo "$WIN_RUN_BUILD/viewer/Oskerin.exe" | tr / '\\')"
step 01-opened "starting the slide viewer on $SLIDE"
run_wine "$WIN_RUN_BUILD/tests/viewer_view/start_program.exe" "$EXE_WIN" "D:\\Slides\\$SLIDE, 0, 127.0.0.1"
drive "the viewer" "$VIEWER_PID" wine.log "the slide server" "$SLIDESERVER_PID" server.out

WIN=
for _ in $(seq 1 300); do
    # The title names the slide without its extension once it is open.
    WIN=$(xdo search --name "^Verdaline.* -- ${SLIDE%.*} -- " 2>/dev/null | head -n 1 || true)
    [ -n "$WIN" ] && break
    running || break
    sleep 0.1
done
check "no viewer window named $SLIDE within 30 s" test -n "$WIN"
settle 0
step_done 01-opened 0
check "the viewer asked for no region" logged 0 " 1303 region "

# Where the toolbar and the view are, relative to the frame's X window:
# without a window manager (Xvfb) the frame draws its own caption, 18 pixels,
# inside it; a window manager draws the caption outside it.
eval "$(xdo getwindowgeometry --shell "$WIN")"
FX=$X FY=$Y FW=$WIDTH FH=$HEIGHT
WM=; xdo get_num_desktops >/dev/null 2>&1 && WM=1
CAPTION=18; [ -n "$WM" ] && CAPTION=0
OBJ_X=$((FX + 432)) OBJ_Y=$((FY + CAPTION + 12))

# Opens the objective list and picks the item that begins with the given
# text; arrow keys would select (and request) every item on the way.
choose_objective() {  # first characters of the item, e.g. 4 for "4X物镜"
    xdo mousemove "$OBJ_X" "$OBJ_Y" click 1
    sleep 0.5
    xdo type --delay 100 "$1"
    xdo key Return
}

# The slide's marks (he.mrk): they stay hidden until "全部显示" in the menu
# "标注", which the menu button of the toolbar brings up. Then the video hot
# spot is clicked and the image group stepped. The marks are placed at
# fractions of the slide; where the fitted slide lies is read off the
# screenshots: the first and last pixel of a middle row outside the
# black of the view (before the marks show), and the grey line under the
# toolbar (with the menu shown).
measure_display() {  # screenshot without marks, with them; sets DL DR DT (frame coordinates)
    local png=$1 row col
    row=$((FY + FH / 2))
    read -r DL DR < <(convert "$png" -crop "${FW}x1+${FX}+${row}" +repage txt:- |
        awk -F'[,: ]+' 'NR > 1 && $1 >= 8 { run = ($0 ~ /#000000/) ? run + 1 : 0
                                              if (l == "" && !run) l = $1
                                              else if (l != "" && r == "" && run == 8) r = $1 - 8 }
                         END { print l, r }')
    col=$((FX + DR - 5))
    DT=$(convert "$2" -crop "1x${FH}+${col}+${FY}" +repage txt:- |
        awk -F'[,: ]+' -v top="$((CAPTION + 10))" 'NR > 1 && $2 >= top && t == "" && $0 ~ /#A6A6A6/ { t = $2 }
                                                  END { print t + 2 }')
}
# The slide is 40000 x 30000 pixels; the view scales each axis by the
# screen's pixels per metre, which differ with the monitor's default size
# (328 x 246 mm).
slide_point() {  # fraction x, fraction y, screen offset x, y: sets PX PY
    local w=$((DR - DL + 1)) sw sh
    read -r sw sh < <(xdo getdisplaygeometry)
    PX=$(awk -v f="$1" -v o="$3" -v a="$((FX + DL))" -v w="$w" 'BEGIN { printf "%d", a + f * w + o }')
    PY=$(awk -v f="$2" -v o="$4" -v a="$((FY + DT))" -v w="$w" -v r="$(awk -v x="$sw" -v y="$sh" 'BEGIN { print (y / 246) / (x / 328) }')" \
        'BEGIN { printf "%d", a + f * w * 3 / 4 * r + o }')
}

# marks_drawn PNG: the marks' outlines (#0040FF, a blue that stained tissue
# does not have) are on the screenshot.
marks_drawn() {
    [ "$(convert "$1" -fuzz 3% -fill black +opaque '#0040FF' -fill white -opaque '#0040FF' \
        -format '%[fx:round(mean * w * h)]' info:)" -ge 100 ]
}
# The video renderer draws into an X window of its own inside the display,
# there only while a clip plays: a window below a top-level one, larger than
# a pixel. (grep -q would stop reading early, which pipefail counts as failure.)
video_window() {
    ip netns exec "$NS" env DISPLAY=":$DN" xwininfo -root -tree | grep -E '^ {8}0x' | grep -v ' 1x1+' >/dev/null
}
no_video_window() { ! video_window; }

step 01a-marks "showing the marks"
from=$(log_lines)
xdo mousemove "$((FX + 118))" "$((FY + CAPTION + 12))" click 1
sleep 0.5
xdo key alt+a
sleep 0.3
xdo key a
sleep 0.3
# And the slide's description ("切片描述").
xdo key alt+a
sleep 0.3
xdo key i
sleep 0.3
# Leaves the menu bar, should it still hold the keyboard.
xdo key Escape
sleep 1
settle "$from"
step_done 01a-marks "$from"
check "a mark's outline was on the screen before the marks were shown" not marks_drawn "$OUT/01-opened.png"
check "no mark's outline on the screen" marks_drawn "$OUT/01a-marks.png"
measure_display "$OUT/01-opened.png" "$OUT/01a-marks.png"
echo "[demo] the fitted slide lies at x $DL-$DR, top $DT"

step 01b-video-playing "playing the video hot spot"
from=$(log_lines)
# The hot spot's box lies up and right of its anchor (0.75, 0.3): its middle.
slide_point 0.75 0.3 140 -115
xdo mousemove "$PX" "$PY" click 1
sleep 1.5
step_done 01b-video-playing "$from"
check "no video picture came up" video_window
# The clip lasts three seconds, once its player has started (the first start
# in a fresh prefix loads the decoders): its end may take a while longer.
for _ in $(seq 1 150); do no_video_window && break; sleep 0.1; done
check "the video did not come to its end within 15 s" no_video_window

step 01c-image-group "stepping the image group"
from=$(log_lines)
slide_point 0.25 0.6 140 -115
# The group's box (200 x 150) about its middle, less its border.
GROUP_BOX="180x130+$((PX - 90))+$((PY - 65))"
xdo mousemove "$PX" "$PY"
sleep 0.3
xdo click 5
sleep 0.5
slide_point 0.25 0.6 210 -115
xdo mousemove "$PX" "$PY"
sleep 0.3
shot 01c-before-step
xdo click 1
sleep 0.5
step_done 01c-image-group "$from"
# The next picture is another crop of the specimen: most of the box changes.
group_changed() { [ "$(changed_pixels "$OUT/01c-before-step.png" "$OUT/01c-image-group.png" "$GROUP_BOX")" -ge 2000 ]; }
check "the image group's picture did not change" group_changed
# The menu goes again ("显示菜单" in "查看"), so that the toolbar is where the
# next steps expect it; the view's new size is asked for before they begin.
xdo key alt+v
sleep 0.3
xdo key m
sleep 0.5
settle "$(log_lines)"

# zoom NAME TEXT FIRST: a zoom step: picks the objective, waits for the
# regions, and checks that the last region asked for has a larger scale than
# the last one before the step.
zoom() {
    local from before after
    step "$1" "$2"
    from=$(log_lines)
    before=$(last_scale 0 "$from")
    choose_objective "$3"
    settle "$from"
    step_done "$1" "$from"
    check "the zoom asked for no region" logged "$from" " 1303 region "
    after=$(last_scale "$from" "$(log_lines)")
    check "the zoom did not enlarge the picture (scale $before before, $after after)" \
        awk -v a="$after" -v b="$before" 'BEGIN { exit !(a + 0 > b + 0) }'
}

zoom 02-objective-4x "zooming to the 4X objective" 4
zoom 03-objective-20x "zooming to the 20X objective" 2

step 04-panned "panning by half a screen"
from=$(log_lines)
cx=$((FX + FW * 3 / 4)) cy=$((FY + FH / 2))
xdo mousemove "$cx" "$cy" mousedown 1
for s in $(seq 1 16); do
    xdo mousemove "$((cx - FW / 2 * s / 16))" "$((cy - FH / 4 * s / 16))"
    sleep 0.05
done
xdo mouseup 1
settle "$from"
step_done 04-panned "$from"
check "the viewer did not report the move to the server" logged "$from" " 1305 cancel"
# The middle of the view shows other ground (a move the view refused would
# leave it as it was); the overview window lies in the top left corner.
VIEW_MIDDLE="$((FW / 2))x$((FH / 3))+$((FX + FW / 3))+$((FY + FH / 3))"
panned() { [ "$(changed_pixels "$OUT/03-objective-20x.png" "$OUT/04-panned.png" "$VIEW_MIDDLE")" -ge $((FW * FH / 60)) ]; }
check "the picture did not move" panned

zoom 05-objective-60x "zooming to the 60X objective" 6

# surround PNG: the eyepiece view's dark surround (#343434, a grey that the
# slide does not have) covers at least a tenth of the frame.
surround() {
    [ "$(convert "$1" -crop "${FW}x${FH}+${FX}+${FY}" +repage -fill black +opaque '#343434' \
        -fill white -opaque '#343434' -format '%[fx:round(mean * w * h)]' info:)" -ge $((FW * FH / 10)) ]
}

step 05a-eyepiece "turning the eyepiece view on"
from=$(log_lines)
# The toolbar's menu button brings the menu bar back for "目镜视场" in "查看";
# then the menu goes again ("显示菜单").
xdo mousemove "$((FX + 118))" "$((FY + CAPTION + 12))" click 1
sleep 0.5
xdo key alt+v
sleep 0.3
xdo key e
sleep 0.5
xdo key alt+v
sleep 0.3
xdo key m
sleep 0.5
settle "$from"
step_done 05a-eyepiece "$from"
check "no eyepiece surround on the screen" surround "$OUT/05a-eyepiece.png"

step 05b-eyepiece-panned "panning under the eyepiece view"
from=$(log_lines)
cx=$((FX + FW / 2)) cy=$((FY + FH / 2))
xdo mousemove "$cx" "$cy" mousedown 1
for s in $(seq 1 16); do
    xdo mousemove "$((cx + FW / 4 * s / 16))" "$((cy + FH / 6 * s / 16))"
    sleep 0.05
done
xdo mouseup 1
settle "$from"
step_done 05b-eyepiece-panned "$from"
# The hole, in the middle of the view, shows other ground.
HOLE_MIDDLE="60x60+$((cx - 30))+$((cy - 30))"
check "the picture in the eyepiece did not move" \
    at_least "$(changed_pixels "$OUT/05a-eyepiece.png" "$OUT/05b-eyepiece-panned.png" "$HOLE_MIDDLE")" 400
check "the eyepiece surround is gone from the screen after the pan" surround "$OUT/05b-eyepiece-panned.png"

# ended PID: waits at most 5 s for the program to end; true when it ended
# with status 0.
ended() {
    for _ in $(seq 1 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    ! kill -0 "$1" 2>/dev/null && wait "$1"
}

step 05c-viewer-closed "closing the viewer"
# The close box of the frame's own caption, or Alt+F4 to the window manager
# (the focused list would take F4 for itself without one).
if [ -n "$WM" ]; then
    xdo key alt+F4 || true
else
    xdo mousemove "$((FX + FW - 8))" "$((FY + 8))" click 1 || true
fi
# Its end is what this step waits for.
drive "the slide server" "$SLIDESERVER_PID" server.out
VIEWER_CLOSE_ASKED=1
check "the viewer did not end with status 0 within 5 s" ended "$VIEWER_PID"
VIEWER_CLOSED=1

# The catalogue client: it finds the catalogue server by broadcast (LAN
# auto-login), shows the library's folders, and a double click on a slide
# starts the viewer on it.
echo "[demo] starting the catalogue server on the demo library sorted into folders"
ensure_demo_catalogue
start_catalogueserver "$NS" "$NATIVE_BUILD/peers/catalogueserver/catalogueserver" "$DEMO_CATALOGUE" \
    "$CATALOGUE_LOG" "$OUT/catalogue.out"
ip netns exec "$NS" env $(wine_env "$PREFIX" "$DN") "$WINE" reg add 'HKCU\software\Zelvo Vision' /v LanLogon \
    /t REG_BINARY /d 01000000 /f >>"$OUT/wine.log" 2>&1

catalogue_lines() { [ -f "$CATALOGUE_LOG" ] && wc -l <"$CATALOGUE_LOG" || echo 0; }
# catalogued FROM TEXT: the catalogue server's log has TEXT after its line FROM.
catalogued() { tail -n +"$(($1 + 1))" "$CATALOGUE_LOG" 2>/dev/null | grep -F -- "$2" >/dev/null; }
# listed FROM FOLDER COUNT: after line FROM, the server answered a list
# request for the top folder FOLDER (asked for as "FOLDER\") with COUNT
# slides: the first list reply to the same client after that request.
listed() {
    tail -n +"$(($1 + 1))" "$CATALOGUE_LOG" 2>/dev/null | FOLDER="\"$2\\\"" awk -v count="$3" '
        / 3 list "/ && index($0, ENVIRON["FOLDER"]) { peer = $1; next }
        peer != "" && $1 == peer && / reply -3 items / { split($0, a, " reply -3 items "); split(a[2], n, " "); found = (n[1] == count); exit }
        END { exit !found }'
}
# viewer_window: the window of a viewer on he.tif, if any (in WIN).
viewer_window() { WIN=$(xdo search --name "^Verdaline.* -- he -- " 2>/dev/null | head -n 1 || true); [ -n "$WIN" ]; }
# viewer_pids: the viewers running in the demo's namespace.
viewer_pids() {
    local pid
    for pid in $(ip netns pids "$NS" 2>/dev/null); do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q 'Oskerin\.exe' && echo "$pid"
    done
    return 0
}
viewer_running() { [ -n "$(viewer_pids)" ]; }
# overview_above_frame: the viewer's overview window (a window of the
# viewer's process that is neither its frame nor hidden) lies above the frame
# in the X stacking order (xwininfo lists the top window first).
overview_above_frame() {
    local pid order frame_at=0 overview_at=0 n=0 w
    pid=$(xdo getwindowpid "$WIN" 2>/dev/null) || return 1
    order=$(ip netns exec "$NS" env DISPLAY=":$DN" xwininfo -root -children | awk '/^ +0x/ { print $1 }')
    for w in $order; do
        n=$((n + 1))
        [ "$((w))" = "$WIN" ] && frame_at=$n && continue
        [ "$overview_at" = 0 ] || continue
        [ "$(xdo getwindowpid "$((w))" 2>/dev/null)" = "$pid" ] || continue
        ip netns exec "$NS" env DISPLAY=":$DN" xwininfo -id "$w" | grep -q 'Map State: IsViewable' || continue
        overview_at=$n
    done
    [ "$frame_at" -gt 0 ] && [ "$overview_at" -gt 0 ] && [ "$overview_at" -lt "$frame_at" ]
}
# client_ended_with_its_viewer: the client ended (status 0) and no viewer
# process is left.
client_ended_with_its_viewer() {
    ended "$CATALOGUE_PID" || return 1
    for _ in $(seq 1 50); do viewer_running || return 0; sleep 0.1; done
    return 1
}

step 06-catalogue "starting the catalogue client"
CATALOGUE_RESULT="the catalogue client did not show the library"
# Discovery answers count during the client's first second: on a busy
# machine the answer can come too late, and the client is started again.
for attempt in 1 2 3; do
    # Only this attempt's own requests count.
    attempt_from=$(catalogue_lines)
    ip netns exec "$NS" env $(wine_env "$PREFIX" "$DN") "$WINE" "$WIN_RUN_BUILD/catalogue/Farrowick.exe" \
        >>"$OUT/wine.log" 2>&1 &
    CATALOGUE_PID=$!
    for _ in $(seq 1 150); do catalogued "$attempt_from" 'reply -2 folders' && break; sleep 0.1; done
    catalogued "$attempt_from" 'reply -2 folders' && break
    [ $attempt = 3 ] && break
    echo "[demo] the client has not connected (attempt $attempt); starting it again"
    kill "$CATALOGUE_PID" 2>/dev/null || true
    wait "$CATALOGUE_PID" 2>/dev/null || true
done
drive "the catalogue client" "$CATALOGUE_PID" wine.log "the catalogue server" "$CATALOGUESERVER_PID" catalogue.out \
    "the slide server" "$SLIDESERVER_PID" server.out
CWIN=$(xdo search --name '^Farrowick' 2>/dev/null | head -n 1 || true)
check "the client did not find the catalogue server, or got no folders" catalogued "$attempt_from" 'reply -2 folders'
check "no window named Farrowick" test -n "$CWIN"
sleep 1
shot 06-catalogue

# first_match IMAGE row|col INDEX FROM COLOUR: the first x of a row (or y of a
# column) from FROM on whose pixel has the colour.
first_match() {
    local img=$1 kind=$2 idx=$3 from=$4 colour=$5 w h
    read -r w h < <(identify -format '%w %h' "$img")
    if [ "$kind" = row ]; then convert "$img" -crop "${w}x1+0+$idx" +repage txt:-; else convert "$img" -crop "1x${h}+$idx+0" +repage txt:-; fi |
        awk -F'[,: ]+' -v from="$from" -v c="$colour" -v kind="$kind" \
            'NR > 1 && !done && index($0, c) { v = (kind == "row") ? $1 : $2; if (v + 0 >= from + 0) { print v; done = 1 } }'
}

step 07-catalogue-list "choosing the folder Histology"
# The panes are found on the screen by their background colour.
eval "$(xdo getwindowgeometry --shell "$CWIN")"
TREE_TOP=$(first_match "$OUT/06-catalogue.png" col "$((X + 150))" "$Y" '#A0B4D2')
TREE_LEFT=$(first_match "$OUT/06-catalogue.png" row "$((TREE_TOP + 200))" "$X" '#A0B4D2')
check "the folder tree is not on the screen" test -n "$TREE_LEFT"
from=$(catalogue_lines)
xdo mousemove "$((TREE_LEFT + 60))" "$((TREE_TOP + 9))" click 1
sleep 0.5
xdo key Down
for _ in $(seq 1 100); do listed "$from" Histology 1 && break; sleep 0.1; done
check "the client did not list the folder Histology with its one slide" listed "$from" Histology 1
sleep 1
LIST_X=$((TREE_LEFT + 306 + 150)) LIST_Y=$((TREE_TOP + 50))
from=$(catalogue_lines)
xdo mousemove "$LIST_X" "$LIST_Y" click 1
for _ in $(seq 1 100); do catalogued "$from" 'reply -5 preview' && break; sleep 0.1; done
check "the client did not ask for the slide's preview" catalogued "$from" 'reply -5 preview'
sleep 1
shot 07-catalogue-list
CATALOGUE_RESULT="the catalogue client listed the folder Histology, but no viewer opened he.tif"

step 08-opened-from-catalogue "opening he.tif from the catalogue with a double click"
from=$(log_lines)
xdo mousemove "$LIST_X" "$LIST_Y" click --repeat 2 --delay 80 1
for _ in $(seq 1 300); do viewer_window && break; sleep 0.1; done
check "no viewer window named he.tif within 30 s" viewer_window
settle "$from"
step_done 08-opened-from-catalogue "$from"
# The catalogue names a slide by its list text and ".jpg"; the server finds he.tif by it.
check "the viewer did not open Histology\\he.jpg at the slide server" logged "$from" '1300 open "D:\Slides\Histology\he.jpg"'
check "the viewer that the catalogue client started is not running" viewer_running
check "the viewer's overview window is not shown above its frame" overview_above_frame
CATALOGUE_RESULT="the catalogue client opened he.tif in the viewer, which outlived it"

step 09-catalogue-closed "closing the catalogue client, which closes its viewer"
xdo windowraise "$CWIN" 2>/dev/null || true
eval "$(xdo getwindowgeometry --shell "$CWIN")"
xdo mousemove "$((X + WIDTH - 8))" "$((Y + 8))" click 1 || true
# Its end is what this step waits for.
drive "the catalogue server" "$CATALOGUESERVER_PID" catalogue.out "the slide server" "$SLIDESERVER_PID" server.out
check "the client did not end within 5 s with status 0, or its viewer's process stayed" client_ended_with_its_viewer
CATALOGUE_RESULT="the catalogue client opened he.tif in the viewer and closed it when it ended"

step 10-servers-stopped "stopping the servers, which must have seen no fault"
drive
stop_catalogueserver
stop_slideserver
check "the slide server reported a fault (see server.out)" not sanitizer_report "$OUT/server.out"
check "the catalogue server reported a fault (see catalogue.out)" not sanitizer_report "$OUT/catalogue.out"
STEP=

# The classroom: the teacher station and the student client on two hosts.
# Its result goes into this summary too.
CLASSROOM_RESULT="stopped"
set +e
bash "$ROOT/scripts/demo-classroom.sh"
classroom=$?
set -e
if [ $classroom = 0 ]; then
    CLASSROOM_RESULT="every step done (classroom/summary.txt)"
else
    CLASSROOM_RESULT=$(sed -n 's/^The demo stopped at \(.*\)\.$/stopped at \1/p' "$OUT/classroom/summary.txt" 2>/dev/null)
    CLASSROOM_RESULT="${CLASSROOM_RESULT:-stopped with status $classroom} (classroom/summary.txt)"
    FAILED="the classroom: $CLASSROOM_RESULT"
fi
write_summary
[ $classroom = 0 ] && echo "[demo] done"
exit $classroom
