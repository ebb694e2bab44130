#!/bin/sh
# End-to-end: a catalogue of two files made with tagshelf-cli, the program started
# on it under Xvfb; a double-click on the first row opens the edit window, the
# title is replaced, OK and Yes write it; the file's tag and the grid's cell
# (copied with Ctrl+C) then hold the new title.
set -eu
program="$1"
cli="$2"
work=$(mktemp -d)
folder="$work/TagShelf"
music="$work/music"
mkdir "$folder" "$music"
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Untagged MPEG frames, then tags written by the command line, then the catalogue.
for name in a b; do
    printf '\377\373\220\144' > "$music/$name.mp3"
    head -c 3000 /dev/zero >> "$music/$name.mp3"
done
"$cli" write "$music/a.mp3" --version ID3v23 --title Old
"$cli" write "$music/b.mp3" --version ID3v23 --title Other --encoding 1
"$cli" add --catalogue "$folder/TagShelfList.mdb" --create "$music" > /dev/null

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

(cd "$folder" && exec env -u QT_QPA_PLATFORM "$program") > "$work/out.log" 2>&1 &
app_pid=$!

# Waits for a visible window whose name matches $1 (other than $2); prints its id.
await() {
    for _ in $(seq 100); do
        for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
            [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
        done
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended: $(cat "$work/out.log")"
        sleep 0.1
    done
    fail "no window named $1 appeared"
}
# Without a window manager the keyboard follows the pointer: positions are
# relative to a window's top left corner.
at() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + $3))
}

main=$(await '^TagShelf$')
sleep 0.5
at "$main" 70 86           # the title cell of row 1
xdotool click --repeat 2 --delay 80 1
edit=$(await '^ID3タグ情報編集$')
sleep 0.5
at "$edit" 200 88          # the title box of the ID3v2 group
xdotool click 1
xdotool key ctrl+a
xdotool type --delay 20 'Edited'
at "$edit" 430 320         # OK
xdotool click 1
question=$(await '^TagShelf$' "$main")
at "$question" 60 20
xdotool key Return         # Yes, the default button
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^ID3タグ情報編集$' > /dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^ID3タグ情報編集$' > /dev/null 2>&1 && fail "the edit window stayed open"

"$cli" tag "$music/a.mp3" | grep -q '"Title":"Edited"' || fail "the file holds: $("$cli" tag "$music/a.mp3")"
at "$main" 70 86
xdotool click 1
xdotool key ctrl+c
sleep 0.3
cell=$(xclip -o -selection clipboard)
[ "$cell" = "Edited" ] || fail "the grid's cell holds '$cell'"
title=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT Title FROM FileList WHERE FilePath = '$music/a.mp3'")
[ "$title" = "Edited" ] || fail "the catalogue holds '$title'"
echo "PASS: the edit window wrote the title into the file, the catalogue and the grid"
