#!/bin/sh
# End-to-end: starts the built program under Xvfb from a fresh program folder,
# checks that the INI file and the tables appear and that the window maps, then
# quits through "終了" (Ctrl+Q).
set -eu
program="$1"
work=$(mktemp -d)
folder="$work/TagShelf"
mkdir "$folder"
: > "$folder/TagShelfList.mdb"
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
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

(cd "$folder" && exec env -u QT_QPA_PLATFORM "$program") > "$work/out.log" 2>&1 &
app_pid=$!

window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^TagShelf$' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended early: $(cat "$work/out.log")"
    sleep 0.1
done
[ -n "$window" ] || fail "no window named TagShelf was mapped"
echo "window $window mapped"

printf '[APP]\r\nPATH=%s\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n' "$folder" > "$work/expected.ini"
cmp "$folder/TagShelf.ini" "$work/expected.ini" || fail "unexpected INI file: $(cat "$folder/TagShelf.ini")"
tables=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name)")
[ "$tables" = "FileList GENRE" ] || fail "tables are '$tables'"
genres=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT count(*) FROM GENRE")
[ "$genres" = "126" ] || fail "GENRE holds $genres rows"

# Without a window manager the keyboard follows the pointer: point at the window,
# click it, then press Ctrl+Q.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 100)) $((Y + 200)) click 1
sleep 0.3
xdotool key ctrl+q
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not quit on Ctrl+Q"; fi
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""
echo "PASS: started, created the INI file and the tables, quit on Ctrl+Q"
