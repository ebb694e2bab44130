# Sourced by the end-to-end tests: a work folder removed at the end, a virtual X
# display, the program started in its folder, waiting for windows, quitting.
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A free display number, chosen by the server itself.
start_display() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$work/display")"
}

# start_program FOLDER [NAME=VALUE...] PROGRAM: runs the program in its folder.
start_program() {
    (cd "$1" && shift && exec env -u QT_QPA_PLATFORM "$@") > "$work/out.log" 2>&1 &
    app_pid=$!
}

# True while the program runs (an ended one stays a zombie until waited for).
running() {
    state=$(ps -o stat= -p "$app_pid" 2>/dev/null || true)
    [ -n "$state" ] && [ "${state#Z}" = "$state" ]
}

# Prints the id of a visible window whose name matches $1 (other than $2) once one
# is mapped (a loaded machine may take many seconds).
await() {
    for _ in $(seq 250); do
        for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
            [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
        done
        running || fail "the program ended early (another copy running?): $(cat "$work/out.log")"
        sleep 0.1
    done
    xdotool search --onlyvisible --name . getwindowname %@ >&2 || true  # the windows open
    fail "no window named '$1'"
}

# Moves the pointer to ($2, $3) inside window $1.
at() {
    eval "$(xdotool getwindowgeometry --shell --prefix AT_ "$1")"
    xdotool mousemove $((AT_X + $2)) $((AT_Y + $3))
}

gone() {
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "$1" > /dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window '$1' stayed open"
}

# Without a window manager the keyboard follows the pointer: point at the main
# window ($1), click it, then press Ctrl+Q ("終了") and wait for the end.
quit_program() {
    eval "$(xdotool getwindowgeometry --shell --prefix Q_ "$1")"
    xdotool mousemove $((Q_X + 100)) $((Q_Y + 200)) click 1
    sleep 0.3
    xdotool key ctrl+q
    for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not quit on Ctrl+Q"; fi
    wait "$app_pid" || fail "the program ended with status $?"
    app_pid=""
}
