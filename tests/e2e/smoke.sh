#!/bin/sh
# End-to-end: starts the built program under Xvfb from a fresh program folder,
# checks that the INI file and the tables appear and that the window maps, then
# quits through "終了" (Ctrl+Q).
set -eu
program="$1"
. "$(dirname "$0")/lib.sh"
: > "$folder/TagShelfList.mdb"
start_program "$program"
window=$(await '^TagShelf$')
echo "window $window mapped"

printf '[APP]\r\nPATH=%s\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n' "$folder" > "$work/expected.ini"
cmp "$folder/TagShelf.ini" "$work/expected.ini" || fail "unexpected INI file: $(cat "$folder/TagShelf.ini")"
tables=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name)")
[ "$tables" = "FileList GENRE" ] || fail "tables are '$tables'"
genres=$(sqlite3 "$folder/TagShelfList.mdb" "SELECT count(*) FROM GENRE")
[ "$genres" = "126" ] || fail "GENRE holds $genres rows"

# Point at the window, click it, then press Ctrl+Q.
at "$window" 100 200
xdotool click 1
sleep 0.3
xdotool key ctrl+q
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not quit on Ctrl+Q"; fi
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""
echo "PASS: started, created the INI file and the tables, quit on Ctrl+Q"
