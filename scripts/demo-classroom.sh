#!/usr/bin/env bash
# The classroom part of the demo: the teacher station on its own native host
# and the student client Sylvanor under Wine on the student's host, the two
# joined by a private link. The teacher finds and logs in the student, asks
# for its screen while things change on it, and saves what it receives: each
# frame as it came and the student's whole screen put together from them.
# Output in output/demo/classroom (or $ZELVO_DEMO_OUTPUT/classroom).
# Run by scripts/demo.sh after the viewer's part; it expects a built tree.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"

OUT=${ZELVO_DEMO_OUTPUT:-$ROOT/output/demo}/classroom
rm -rf "$OUT"; mkdir -p "$OUT/screens"
TEACHER=$NATIVE_BUILD/peers/teacher/teacher
STUDENT_EXE=$WIN_RUN_BUILD/student/Sylvanor.exe
[ -x "$TEACHER" ] && [ -f "$STUDENT_EXE" ] || { echo "[classroom] build the trees first (scripts/build.sh)"; exit 1; }

TEACHER_PID= STUDENT_PID= NOTEPAD_PID=
cleanup() {
    set +e
    [ -n "$TEACHER_PID" ] && kill "$TEACHER_PID" 2>/dev/null
    host_down
    teacher_host_down
}
trap cleanup EXIT
host_up demo-classroom
teacher_host_up "$HOST_NS"
STUDENT=$ZELVO_STUDENT_ADDR
EVENTS=$OUT/events.log
CONTROL=$OUT/control

# The teacher station, native, on the teacher's host.
mkfifo "$CONTROL"
: >"$EVENTS"
ip netns exec "$TEACHER_NS" "$TEACHER" --control "$CONTROL" --events "$EVENTS" --screens "$OUT/screens" \
    </dev/null >"$OUT/teacher.out" 2>&1 &
TEACHER_PID=$!

say() { echo "$*" >"$CONTROL"; }
events() { wc -l <"$EVENTS"; }
# wait_event FROM WHAT: waits (at most 20 s) for an event of the student after line FROM.
wait_event() {
    local from=$1 what=$2
    for _ in $(seq 1 200); do
        tail -n +"$((from + 1))" "$EVENTS" | grep -q " $what $STUDENT" && return 0
        sleep 0.1
    done
    echo "[classroom] no '$what' from the student within 20 s; see $EVENTS"
    return 1
}
wine_run() {  # program and arguments, in the background on the student's host
    ip netns exec "$HOST_NS" env $(wine_env "$HOST_PREFIX" "$HOST_DN") FW_MSGBOX_LOG="Z:${OUT//\//\\}\\boxes.log" \
        FW_SHUTDOWN_LOG="Z:${OUT//\//\\}\\shutdown.log" "$WINE" "$@" >>"$OUT/wine.log" 2>&1 &
}
xdo() { ip netns exec "$HOST_NS" env DISPLAY=":$HOST_DN" xdotool "$@"; }
shot() {  # name: the student's display, and the teacher's picture of it so far
    ip netns exec "$HOST_NS" env DISPLAY=":$HOST_DN" import -window root "$OUT/$1-student.png"
    [ -f "$OUT/screens/$STUDENT-screen.jpg" ] && cp "$OUT/screens/$STUDENT-screen.jpg" "$OUT/$1-teacher.jpg"
    echo "[classroom] $1: the student's display $OUT/$1-student.png, the teacher's picture $OUT/$1-teacher.jpg"
}
# ask NAME VERB W H THRESHOLD QUALITY: one screen request, its answer recorded
# for the summary.
STEPS=()
ask() {
    local name=$1 verb=$2 from
    shift 2
    from=$(events)
    say "$verb $STUDENT $*"
    local i
    for i in $(seq 1 100); do
        tail -n +"$((from + 1))" "$EVENTS" | grep -q -E " (screen|no-update|undecodable) $STUDENT" && break
        sleep 0.1
    done
    sleep 0.3
    STEPS+=("$name|$from|$(events)")
    shot "$name"
}

echo "[classroom] teacher station on $ZELVO_TEACHER_ADDR, student client on $STUDENT"
wine_run "$STUDENT_EXE"
from=$(events)
say login-next
wait_event "$from" hand-state
sleep 1

ask 01-whole-screen screen 0 0 8 80
ask 02-nothing-changed screen 0 0 8 80
echo "[classroom] the student writes in Notepad"
wine_run notepad
for _ in $(seq 1 100); do
    NOTEPAD=$(xdo search --name "Notepad|记事本" 2>/dev/null | head -n 1 || true)
    [ -n "$NOTEPAD" ] && break
    sleep 0.1
done
sleep 1
ask 03-notepad-opened screen 0 0 8 80
# No window manager: a click into the text gives Notepad the keyboard.
if [ -n "${NOTEPAD:-}" ]; then
    eval "$(xdo getwindowgeometry --shell "$NOTEPAD")"
    xdo mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" click 1
    sleep 0.3
    xdo type --delay 40 "Slide 7: the glomerulus" || true
fi
sleep 0.5
ask 04-student-typed screen 0 0 8 80
say "notice-attention $STUDENT"
sleep 1
ask 05-attention-notice screen 0 0 8 80
say "notice-close $STUDENT"
sleep 1
ask 06-notice-closed screen 0 0 8 80
ask 07-half-size-on-the-link full-screen 640 512 8 70

from=$(events)
say "bye $STUDENT"
wait_event "$from" presence || true
say quit
for _ in $(seq 1 50); do kill -0 "$TEACHER_PID" 2>/dev/null || break; sleep 0.1; done
TEACHER_PID=

{
    printf 'Classroom demo: teacher station %s, student client %s.\n' "$ZELVO_TEACHER_ADDR" "$STUDENT"
    printf 'Every event is in events.log; frames and the teacher'"'"'s picture of the screen in screens/.\n\n'
    printf '%-26s %-10s %s\n' step answer 'frames (x y bytes)'
    for s in "${STEPS[@]}"; do
        IFS='|' read -r name a b <<<"$s"
        sed -n "$((a + 1)),${b}p" "$EVENTS" | awk -v name="$name" -v who="$STUDENT" '
            $2 == "frame" && $3 == who     { frames = frames sprintf(" (%s %s %s)", $4, $5, $6); answer = "frame" }
            $2 == "no-update" && $3 == who { answer = "no-update" }
            $2 == "screen" && $3 == who    { size = $4 }
            END { printf "%-26s %-10s%s%s\n", name, answer, frames, size ? "  screen " size : "" }'
    done
    printf '\nEach step'"'"'s NAME-student.png is what the student'"'"'s display showed, NAME-teacher.jpg\n'
    printf 'the teacher'"'"'s picture of it put together from the frames received so far.\n'
    grep -q ' malformed ' "$EVENTS" && echo "The teacher saw malformed datagrams: see events.log." || echo "Every datagram was well formed."
    [ -s "$OUT/boxes.log" ] && echo "Message boxes: $(cat "$OUT/boxes.log")" || echo "No message box came up."
} >"$OUT/summary.txt"
cat "$OUT/summary.txt"
if grep -q -E 'ERROR: (Address|Leak)Sanitizer|runtime error' "$OUT/teacher.out"; then
    echo "[classroom] the teacher station reported a fault, see $OUT/teacher.out"
fi
echo "[classroom] done: events.log, screens/, screenshots and summary.txt in $OUT"
