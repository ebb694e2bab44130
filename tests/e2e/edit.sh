#!/bin/sh
# End-to-end: a double-click on the first row opens the edit window; a new title,
# OK and Yes write it into the file and the grid's cell.
set -eu
program="$1"
cli="$2"
. "$(dirname "$0")/lib.sh"
folder="$work/TagShelf"
music="$work/music"
mkdir "$folder" "$music"
for name in a b; do head -c 3000 /dev/zero > "$music/$name.mp3"; done
"$cli" write "$music/a.mp3" --version ID3v23 --title Old
"$cli" write "$music/b.mp3" --version ID3v23 --title Other --encoding 1
"$cli" add --catalogue "$folder/TagShelfList.mdb" --create "$music" > /dev/null
start_display
start_program "$folder" "$program"

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
at "$(await '^TagShelf$' "$main")" 60 20
xdotool key Return         # Yes, the default button
gone '^ID3タグ情報編集$'

"$cli" tag "$music/a.mp3" | grep -q '"Title":"Edited"' || fail "the file holds: $("$cli" tag "$music/a.mp3")"
at "$main" 70 86
xdotool click 1
xdotool key ctrl+c
sleep 0.3
cell=$(xclip -o -selection clipboard)
[ "$cell" = "Edited" ] || fail "the grid's cell holds '$cell'"
echo "PASS: the edit window wrote the new title into the file and the grid"
