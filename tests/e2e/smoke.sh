#!/bin/sh
# End-to-end: a start in a fresh program folder makes the INI file and the tables
# and maps the window; Ctrl+Q quits.
set -eu
program="$1"
. "$(dirname "$0")/lib.sh"
folder="$work/TagShelf"
mkdir "$folder"
: > "$folder/TagShelfList.mdb"

start_display
start_program "$folder" "$program"
window=$(await '^TagShelf$')
echo "window $window mapped"

printf '[APP]\r\nPATH=%s\r\nLEGACYTEXT=auto\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n' "$folder" > "$work/expected.ini"
cmp "$folder/TagShelf.ini" "$work/expected.ini" || fail "unexpected INI file: $(cat "$folder/TagShelf.ini")"
tables=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name)")
[ "$tables" = "FileList GENRE" ] || fail "tables are '$tables'"
genres=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT count(*) FROM GENRE")
[ "$genres" = "126" ] || fail "GENRE holds $genres rows"

quit_program "$window"
echo "PASS: started, created the INI file and the tables, quit on Ctrl+Q"
