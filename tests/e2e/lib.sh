# Shared by the end-to-end scripts (sourced): a fresh work folder holding the
# program folder "TagShelf", a virtual X display chosen by the server itself, the
# program started in its folder, and waiting for and pointing at its windows.
work=$(mktemp -d)
folder="$work/TagShelf"
mkdir "$folder"
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts Xvfb and then the program ($1) in the program folder.
start_program() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$work/display")"
    (cd "$folder" && exec env -u QT_QPA_PLATFORM "$1") > "$work/out.log" 2>&1 &
    app_pid=$!
}

# True while the program runs (an ended one stays a zombie until waited for).
running() {
    state=$(ps -o stat= -p "$app_pid" 2>/dev/null || true)
    [ -n "$state" ] && [ "${state#Z}" = "$state" ]
}

# Prints the id of a visible window whose name matches $1 (other than $2) once
# one is mapped (a loaded machine may take many seconds).
await() {
    for _ in $(seq 250); do
        for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
            [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
        done
        running || fail "the program ended early (another copy running?): $(cat "$work/out.log")"
        sleep 0.1
    done
    fail "no window named $1 was mapped"
}

# Without a window manager the keyboard follows the pointer: moves it to ($2, $3)
# from the top left corner of window $1.
at() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + $3))
}
