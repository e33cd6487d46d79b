#!/usr/bin/env bash
# The classroom part of the demo: the teacher station on its own native host
# and the student client Sylvanor under Wine on the student's host, the two
# joined by a private link. The teacher finds and logs in the student, asks
# for its screen while things change on it, and saves what it receives: each
# frame as it came and the student's whole screen put together from them.
# Every step checks that the student client still runs and that the step did
# what its name says; a failed check stops the demo there with status 1,
# naming the step in summary.txt.
# Output in output/demo/classroom (or $ZELVO_DEMO_OUTPUT/classroom).
# Run by scripts/demo.sh after the viewer's part; it expects a built tree.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"
. "$ROOT/scripts/lib/steps.sh"

OUT=${ZELVO_DEMO_OUTPUT:-$ROOT/output/demo}/classroom
rm -rf "$OUT"; mkdir -p "$OUT/screens"
TEACHER=$NATIVE_BUILD/peers/teacher/teacher
STUDENT_EXE=$WIN_RUN_BUILD/student/Sylvanor.exe
[ -x "$TEACHER" ] && [ -f "$STUDENT_EXE" ] || { echo "[classroom] build the trees first (scripts/build.sh)"; exit 1; }

DEMO=classroom
TEACHER_PID=
EVENTS=$OUT/events.log
CONTROL=$OUT/control
STUDENT=
STEPS=()

# The summary: per step the answer (a frame with its rectangle and size, or
# "no update"); written also when a step failed, from the steps done so far.
write_summary() {
    {
        printf 'Classroom demo: teacher station %s, student client %s.\n' "${ZELVO_TEACHER_ADDR:-}" "$STUDENT"
        [ -n "$FAILED" ] && printf 'The demo stopped at %s.\n' "$FAILED"
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
    echo "[classroom] events.log, screens/, screenshots, wine.log and summary.txt in $OUT"
}

finish() {
    local status=$?
    set +eu
    stopped "$status"
    write_summary
    [ -n "$TEACHER_PID" ] && kill "$TEACHER_PID" 2>/dev/null
    host_down
    teacher_host_down
    exit $status
}
trap finish EXIT
host_up demo-classroom
teacher_host_up "$HOST_NS"
STUDENT=$ZELVO_STUDENT_ADDR

# The teacher station, native, on the teacher's host.
mkfifo "$CONTROL"
: >"$EVENTS"
ip netns exec "$TEACHER_NS" "$TEACHER" --control "$CONTROL" --events "$EVENTS" --screens "$OUT/screens" \
    </dev/null >"$OUT/teacher.out" 2>&1 &
TEACHER_PID=$!
# Held open for reading and writing, so that a line to a teacher station
# that has died never waits for a reader; the next check finds it gone.
exec 3<>"$CONTROL"

say() { echo "$*" >&3; }
events() { wc -l <"$EVENTS"; }
# event FROM WHAT: an event of the student after line FROM whose kind
# matches WHAT (an extended regular expression).
event() { tail -n +"$(($1 + 1))" "$EVENTS" | grep -E " ($2) $STUDENT( |$)" >/dev/null; }
# wait_event FROM WHAT: waits (at most 20 s) for such an event.
wait_event() {
    for _ in $(seq 1 200); do
        event "$@" && return 0
        sleep 0.1
    done
    return 1
}
wine_run() {  # program and arguments, in the background on the student's host (WINE_PID)
    ip netns exec "$HOST_NS" env $(wine_env "$HOST_PREFIX" "$HOST_DN") FW_MSGBOX_LOG="Z:${OUT//\//\\}\\boxes.log" \
        FW_SHUTDOWN_LOG="Z:${OUT//\//\\}\\shutdown.log" "$WINE" "$@" >>"$OUT/wine.log" 2>&1 &
    WINE_PID=$!
}
xdo() { ip netns exec "$HOST_NS" env DISPLAY=":$HOST_DN" xdotool "$@"; }
shot() {  # name: the student's display, and the teacher's picture of it so far
    ip netns exec "$HOST_NS" env DISPLAY=":$HOST_DN" import -window root "$OUT/$1-student.png"
    [ -f "$OUT/screens/$STUDENT-screen.jpg" ] && cp "$OUT/screens/$STUDENT-screen.jpg" "$OUT/$1-teacher.jpg"
    echo "[classroom] $1: the student's display $OUT/$1-student.png, the teacher's picture $OUT/$1-teacher.jpg"
}
# request VERB W H THRESHOLD QUALITY: one screen request; waits (at most 20 s)
# for its answer.
request() {
    local from
    from=$(events)
    say "$1 $STUDENT ${*:2}"
    wait_event "$from" "screen|no-update|undecodable" || true
}
# ask NAME TEXT VERB W H THRESHOLD QUALITY: a step that makes one screen
# request and checks that the student answered it with a frame that the
# teacher put into its picture of the screen.
ask() {
    local name=$1 from
    step "$name" "$2"
    shift 2
    from=$(events)
    request "$@"
    sleep 0.3
    STEPS+=("$name|$from|$(events)")
    shot "$name"
    check "the teacher could not decode a frame of the answer" not event "$from" undecodable
    check "no frame that the teacher could put into its picture of the screen" event "$from" screen
}
# changed NAME_A NAME_B WHO GEOMETRY FUZZ: how many pixels of GEOMETRY differ
# between two steps' pictures (WHO: student, the display; teacher, its picture).
changed() {
    local ext=png
    [ "$3" = teacher ] && ext=jpg
    changed_pixels "$OUT/$1-$3.$ext" "$OUT/$2-$3.$ext" "$4" "$5"
}

step 00-login "teacher station on $ZELVO_TEACHER_ADDR, student client on $STUDENT: the teacher logs the student in"
wine_run "$STUDENT_EXE"
STUDENT_PID=$WINE_PID
drive "the student client" "$STUDENT_PID" wine.log "the teacher station" "$TEACHER_PID" teacher.out
from=$(events)
say login-next
wait_event "$from" hand-state || true
check "the student did not log in (no hand state) within 20 s" event "$from" hand-state
sleep 1

ask 01-whole-screen "the teacher asks for the whole screen" screen 0 0 8 80
SCREEN="$(identify -format '%wx%h' "$OUT/01-whole-screen-student.png")+0+0"
SCREEN_PIXELS=$(identify -format '%[fx:w * h]' "$OUT/01-whole-screen-student.png")

# The bar that the login showed may still have been painting, and the caret
# of its answer box blinks (every half second), each a small rectangle: ask
# again at once until the student says nothing changed.
step 02-nothing-changed "again, with nothing changed, until the student says so"
from=$(events)
for _ in $(seq 1 8); do
    mark=$(events)
    request screen 0 0 8 80
    event "$mark" no-update && break
done
sleep 0.3
STEPS+=("02-nothing-changed|$from|$(events)")
shot 02-nothing-changed
check "the teacher could not decode a frame of the answers" not event "$from" undecodable
check "no \"no update\" in eight requests with nothing changed" event "$from" no-update

step 03-notepad-opened "the student opens Notepad"
wine_run notepad
for _ in $(seq 1 100); do
    NOTEPAD=$(xdo search --name "Notepad|记事本" 2>/dev/null | head -n 1 || true)
    [ -n "$NOTEPAD" ] && break
    sleep 0.1
done
check "Notepad did not open" test -n "$NOTEPAD"
sleep 1
ask 03-notepad-opened "the teacher asks for the screen with Notepad open" screen 0 0 8 80

step 04-student-typed "the student writes in Notepad"
# No window manager: a click into the text gives Notepad the keyboard.
eval "$(xdo getwindowgeometry --shell "$NOTEPAD")"
xdo mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" click 1
sleep 0.3
xdo type --delay 40 "Slide 7: the glomerulus"
sleep 0.5
ask 04-student-typed "the teacher asks for the screen with the text" screen 0 0 8 80
# The text is in Notepad's window on the display and in the teacher's picture
# (a JPEG: small differences are its noise).
NOTEPAD_AREA="${WIDTH}x${HEIGHT}+${X}+${Y}"
check "the typed text is not on the student's display" \
    at_least "$(changed 03-notepad-opened 04-student-typed student "$NOTEPAD_AREA" 5)" 150
check "the typed text is not in the teacher's picture" \
    at_least "$(changed 03-notepad-opened 04-student-typed teacher "$NOTEPAD_AREA" 25)" 100

say "notice-attention $STUDENT"
sleep 1
ask 05-attention-notice "the teacher shows a notice and asks for the screen" screen 0 0 8 80
# The notice covers the whole screen.
check "no notice over the student's display" \
    at_least "$(changed 04-student-typed 05-attention-notice student "$SCREEN" 5)" $((SCREEN_PIXELS / 2))
check "no notice in the teacher's picture" \
    at_least "$(changed 04-student-typed 05-attention-notice teacher "$SCREEN" 10)" $((SCREEN_PIXELS / 2))
say "notice-close $STUDENT"
sleep 1
ask 06-notice-closed "the teacher closes the notice and asks for the screen" screen 0 0 8 80
check "the notice is still over the student's display" \
    not at_least "$(changed 04-student-typed 06-notice-closed student "$SCREEN" 5)" $((SCREEN_PIXELS / 20))
check "the notice is still in the teacher's picture" \
    at_least "$(changed 05-attention-notice 06-notice-closed teacher "$SCREEN" 10)" $((SCREEN_PIXELS / 2))
ask 07-half-size-on-the-link "the teacher asks for the whole screen at half size on the link" full-screen 640 512 8 70

step 08-goodbye "the teacher says goodbye"
from=$(events)
say "bye $STUDENT"
wait_event "$from" presence || true
check "the student did not go back to announcing itself" event "$from" presence
say quit
drive "the student client" "$STUDENT_PID" wine.log
teacher_ended() {
    for _ in $(seq 1 50); do kill -0 "$TEACHER_PID" 2>/dev/null || break; sleep 0.1; done
    ! kill -0 "$TEACHER_PID" 2>/dev/null && wait "$TEACHER_PID"
}
check "the teacher station did not end with status 0 within 5 s (see teacher.out)" teacher_ended
TEACHER_PID=
check "the teacher station reported a fault (see teacher.out)" not sanitizer_report "$OUT/teacher.out"
STEP=
echo "[classroom] done"
