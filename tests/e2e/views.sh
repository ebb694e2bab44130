#!/bin/sh
# End-to-end: search, sort, the CSV file (byte for byte) and the About box's link;
# the result table is gone after the quit.
set -eu
program=$(realpath "$1")
cli=$(realpath "$2")
. "$(dirname "$0")/lib.sh"
folder="$work/TagShelf"
m="$work/music"
mkdir "$folder" "$m"
while IFS='|' read -r name title artist album; do
    head -c 2000 /dev/zero > "$m/$name"
    "$cli" write --version ID3v1 --title "$title" --artist "$artist" --album "$album" \
        --year 2003 --genre-no 17 "$m/$name" || fail "could not tag $name"
done <<EOF
jp.mp3|雨の歌|歌手|Rainy 雨
rain.mp3|Rain|Zed|b
sky.mp3|Sky|Ann|c
sun.mp3|Sun|rain man|a
EOF
"$cli" add --catalogue "$folder/TagShelfList.mdb" --create "$m" > /dev/null
# The About box's link starts this "browser" through xdg-open.
printf '#!/bin/sh\necho "$1" >> "%s/browser.log"\n' "$work" > "$work/browser"
chmod +x "$work/browser"

start_display
start_program "$folder" BROWSER="$work/browser" "$program"
window=$(await '^TagShelf$')
eval "$(xdotool getwindowgeometry --shell "$window")"
# Chooses item $2 (1 the first) of menu $1 (0 the first): a click opens the first
# menu with no item chosen; moving right to another menu chooses its first item.
menu() {
    xdotool mousemove $((X + 20)) $((Y + 8)) click 1
    sleep 0.3
    downs=$2
    for _ in $(seq "$1"); do xdotool key Right; downs=$(($2 - 1)); done
    for _ in $(seq "$downs"); do xdotool key Down; done
    xdotool key Return
}

# Click into the search box (anchored right, below the menu bar) and type; Enter
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

menu 2 2  # 表示 > ソート: the third option, アルバム
await '^ソート$' > /dev/null
xdotool key Down Down Return
gone '^ソート$'

menu 0 3  # ファイル > CSVへ保存
await '^名前を付けて保存$' > /dev/null  # Qt's own Japanese title
sleep 0.3
xdotool type --delay 10 "$work/result.csv"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/result.csv" ] && break; sleep 0.1; done
printf 'Rain,Zed,b, ,2003, ,ロック,17, , ,ID3v1,%s/rain.mp3\r\nSun,rain man,a, ,2003, ,ロック,17, , ,ID3v1,%s/sun.mp3\r\n雨の歌,歌手,Rainy 雨, ,2003, ,ロック,17, , ,ID3v1,%s/jp.mp3\r\n\r\n' \
    "$m" "$m" "$m" | iconv -f UTF-8 -t CP932 > "$work/expected.csv"
cmp "$work/result.csv" "$work/expected.csv" || fail "unexpected CSV: $(od -c "$work/result.csv" | head)"

menu 3 1  # ヘルプ > バージョン情報: click the link, then OK
about=$(await '^バージョン情報$')
eval "$(xdotool getwindowgeometry --shell --prefix A_ "$about")"
xdotool mousemove $((A_X + 60)) $((A_Y + A_WIDTH * 1400 / 5295)) click 1
for _ in $(seq 50); do [ -s "$work/browser.log" ] && break; sleep 0.1; done
grep -q '^https\?://' "$work/browser.log" || fail "no browser was started"
xdotool mousemove $((A_X + A_WIDTH * 4680 / 5295)) $((A_Y + A_HEIGHT * 1927 / 2175)) click 1
gone '^バージョン情報$'

quit_program "$window"
tables=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name)")
[ "$tables" = "FileList GENRE" ] || fail "tables left: '$tables'"
echo "PASS: searched, sorted, saved the CSV file, opened the link and quit"
