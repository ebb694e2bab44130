#!/bin/sh
# End-to-end: on a catalogue of four files, searches, sorts and saves the CSV file
# through the real window under Xvfb, compares the file byte for byte, opens the
# About box's link and quits; the result table is gone afterwards.
set -eu
program=$(realpath "$1")
cli=$(realpath "$2")
work=$(mktemp -d)
folder="$work/TagShelf"
mkdir "$folder" "$work/music"
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# ID3v1 files: name, title, artist, album.
while IFS='|' read -r name title artist album; do
    head -c 2000 /dev/zero > "$work/music/$name"
    "$cli" write --version ID3v1 --title "$title" --artist "$artist" --album "$album" \
        --year 2003 --genre-no 17 "$work/music/$name" || fail "could not tag $name"
done <<EOF
jp.mp3|雨の歌|歌手|Rainy 雨
rain.mp3|Rain|Zed|b
sky.mp3|Sky|Ann|c
sun.mp3|Sun|rain man|a
EOF
"$cli" add --catalogue "$folder/TagShelfList.mdb" --create "$work/music" > /dev/null

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

# The About box's link starts this "browser" through xdg-open.
printf '#!/bin/sh\necho "$1" >> "%s/browser.log"\n' "$work" > "$work/browser"
chmod +x "$work/browser"
(cd "$folder" && BROWSER="$work/browser" exec env -u QT_QPA_PLATFORM "$program") \
    > "$work/out.log" 2>&1 &
app_pid=$!

# Waits for a visible window whose name matches and prints its id.
await() {
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended: $(cat "$work/out.log")"
        sleep 0.1
    done
    xdotool search --onlyvisible --name . getwindowname %@ >&2 || true  # the windows open
    fail "no window named '$1'"
}
gone() {
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "$1" > /dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window '$1' stayed open"
}
window=$(await '^TagShelf$')
eval "$(xdotool getwindowgeometry --shell "$window")"
# Opens menu $1 of the menu bar (0 the first) and chooses its item $2 (1 the first):
# a click opens the first menu with no item chosen; moving right to another menu
# chooses its first item.
menu() {
    xdotool mousemove $((X + 20)) $((Y + 8)) click 1
    sleep 0.3
    downs=$2
    for _ in $(seq "$1"); do xdotool key Right; downs=$(($2 - 1)); done
    for _ in $(seq "$downs"); do xdotool key Down; done
    xdotool key Return
}

# Search: click into the box (right-anchored, below the menu bar), type, Enter
# moves to 検索, a second Enter presses it.
xdotool mousemove $((X + WIDTH - WIDTH * 3990 / 10000 + 30)) $((Y + 20 + WIDTH * 375 / 10000)) click 1
sleep 0.2
xdotool type --delay 30 "RAIN"
xdotool key Return
sleep 0.2
xdotool key Return
for _ in $(seq 50); do
    hits=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT group_concat(Title, '|') FROM List" 2>/dev/null || true)
    [ -n "$hits" ] && break
    sleep 0.1
done
[ "$hits" = "Rain|Sun|雨の歌" ] || fail "the search kept '$hits'"

# Sort the result by アルバム (the third option).
menu 2 2  # 表示 > ソート
dialog=$(await '^ソート$')
xdotool key Down Down Return
gone '^ソート$'

# Save the result as CSV.
menu 0 3  # ファイル > CSVへ保存
dialog=$(await '^Save As$')
sleep 0.3
xdotool type --delay 10 "$work/result.csv"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/result.csv" ] && break; sleep 0.1; done
m="$work/music"
printf 'Rain,Zed,b, ,2003, ,ロック,17, , ,ID3v1,%s/rain.mp3\r\nSun,rain man,a, ,2003, ,ロック,17, , ,ID3v1,%s/sun.mp3\r\n雨の歌,歌手,Rainy 雨, ,2003, ,ロック,17, , ,ID3v1,%s/jp.mp3\r\n\r\n' \
    "$m" "$m" "$m" | iconv -f UTF-8 -t CP932 > "$work/expected.csv"
cmp "$work/result.csv" "$work/expected.csv" || fail "unexpected CSV: $(od -c "$work/result.csv" | head)"

# The About box: its link starts the browser on the project's address.
menu 3 1  # ヘルプ > バージョン情報
about=$(await '^バージョン情報$')
eval "$(xdotool getwindowgeometry --shell --prefix A_ "$about")"
xdotool mousemove $((A_X + 60)) $((A_Y + A_WIDTH * 1400 / 5295)) click 1
for _ in $(seq 50); do [ -s "$work/browser.log" ] && break; sleep 0.1; done
grep -q '^https\?://' "$work/browser.log" || fail "no browser was started"
xdotool mousemove $((A_X + A_WIDTH * 4680 / 5295)) $((A_Y + A_HEIGHT * 1927 / 2175)) click 1  # OK
gone '^バージョン情報$'

xdotool mousemove $((X + 100)) $((Y + 200)) click 1
sleep 0.3
xdotool key ctrl+q
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not quit on Ctrl+Q"; fi
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""
tables=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name)")
[ "$tables" = "FileList GENRE" ] || fail "tables left: '$tables'"
echo "PASS: searched, sorted, saved the CSV file, opened the link and quit"
