# The steps of a demo. A step begins with `step NAME TEXT`; after doing its
# work it checks what it did with `check WHAT COMMAND...`, which first checks
# that the program the demo drives (named by `drive NAME PID`) still runs.
# A check that fails names the step and what it saw, takes a screenshot
# (the demo's `shot NAME`) and ends the demo with status 1; the demo's EXIT
# trap then writes its summary from what there is (FAILED says why; the trap
# calls `stopped STATUS` to name the step of any other failure).
# Needs DEMO (the prefix of the demo's lines).

STEP= FAILED= PROGRAM= PROGRAM_PID=

step() {  # NAME TEXT...
    STEP=$1
    shift
    echo "[$DEMO] $*"
}

drive() {  # NAME PID: the program the next steps drive
    PROGRAM=$1 PROGRAM_PID=$2
}

# running: true while the driven program runs (or none is driven); else
# ENDED says how it ended.
running() {
    [ -z "$PROGRAM_PID" ] && return 0
    kill -0 "$PROGRAM_PID" 2>/dev/null && return 0
    local status=0
    wait "$PROGRAM_PID" 2>/dev/null || status=$?
    ENDED="$PROGRAM is no longer running (exit status $status; see wine.log)"
    return 1
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
