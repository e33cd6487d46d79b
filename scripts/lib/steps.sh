# The steps of a demo. A step begins with `step NAME TEXT`; after doing its
# work it checks what it did with `check WHAT COMMAND...`, which first checks
# that every program the demo relies on (named by `drive NAME PID LOG ...`)
# still runs. A check that fails names the step and what it saw, takes a
# screenshot (the demo's `shot NAME`) and ends the demo with status 1; the
# demo's EXIT trap then writes its summary from what there is (FAILED says
# why; the trap calls `stopped STATUS` to name the step of any other failure).
# Needs DEMO (the prefix of the demo's lines).

STEP= FAILED= ENDED=
DRIVEN=()

step() {  # NAME TEXT...
    STEP=$1
    shift
    echo "[$DEMO] $*"
}

# drive NAME PID LOG [NAME PID LOG]...: the programs the next steps rely on,
# each with the log that says why it ended; `drive` alone: none.
drive() {
    DRIVEN=("$@")
}

# running: true while every driven program runs; else ENDED says which one
# ended and how.
running() {
    local i name pid status
    for ((i = 0; i + 2 < ${#DRIVEN[@]}; i += 3)); do
        name=${DRIVEN[i]} pid=${DRIVEN[i + 1]}
        [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null && continue
        status=0
        wait "$pid" 2>/dev/null || status=$?
        ENDED="$name is no longer running (exit status $status; see ${DRIVEN[i + 2]})"
        return 1
    done
    return 0
}

check() {  # WHAT COMMAND...: WHAT is what a failure of COMMAND saw
    local what=$1
    shift
    running || fail "$ENDED"
    "$@" || fail "$what"
}

fail() {  # WHAT
    FAILED="step $STEP: $1"
    echo "[$DEMO] step $STEP failed: $1" >&2
    shot "$STEP-failed" || true
    exit 1
}

# stopped STATUS: for the EXIT trap; a demo that ends with STATUS other than 0
# without a failed check (a command of a step failed) names that step too.
stopped() {
    [ "$1" = 0 ] || [ -n "$FAILED" ] || [ -z "$STEP" ] && return 0
    FAILED="step $STEP: a command failed (status $1)"
    echo "[$DEMO] step $STEP failed: a command failed (status $1)" >&2
}

# changed_pixels A B GEOMETRY [FUZZ]: how many pixels of the crop GEOMETRY
# (WxH+X+Y) differ between the pictures A and B by more than FUZZ percent
# (default 5) in some colour.
changed_pixels() {
    local fuzz=${4:-5}
    convert "$1" "$2" -crop "$3" +repage -compose difference -composite \
        -separate -evaluate-sequence max -threshold "$fuzz%" -format '%[fx:round(mean * w * h)]' info:
}

# For checks: the command fails; the first number is at least the second.
not() { ! "$@"; }
at_least() { [ "$1" -ge "$2" ]; }
