#!/usr/bin/env bash
# A program whose "drive C" holds no words database: choosing a category and
# pressing "Aceptar" raises the database error, which shows a message box
# titled KORIVANTA and is written on stderr naming the database file; once the
# box is closed with Return the program ends with a non-zero status, and the
# game window never shows.
#
# usage: missing_database.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup "$@"

# A copy of the program beside an empty drive_c: the program takes the drive_c
# folder that lies beside its executable.
lonely=$E2E_WORK/lonely
mkdir -p "$lonely/drive_c"
cp "$E2E_BIN" "$lonely/korivanta" || fail "cannot copy the program to $lonely"
[[ -z $(ls -A "$lonely/drive_c") ]] || fail "drive_c is not empty"

start_program "$lonely/korivanta"
MENU=$(find_window "$MENU_TITLE" 20)
shot "$MENU" menu

menu_click "$MENU" Option2
menu_click "$MENU" Command1

BOX=$(find_window "$ERROR_BOX_TITLE" 20)
check_title "$BOX" "$ERROR_BOX_TITLE"
sleep 0.5
shot "$BOX" error_box
window_visible "$GAME_TITLE" && fail "the game window shows although its database cannot be opened"
window_visible "$MENU_TITLE" && fail "the menu still shows beside the error box"
assert_running "the error box is up"

# The error reaches stderr as one line: number 3024, naming the database file.
line=$(grep -m 1 '^korivanta: Error 3024' "$E2E_STDERR") ||
    fail "no stderr line starting with \"korivanta: Error 3024\""
log "stderr: $line"
[[ $line == *diccionario.mdb* ]] || fail "the error line does not name the database file diccionario.mdb: $line"

# Return closes the box (its one button has the focus) and the program ends.
timeout 10 xdotool windowfocus --sync "$BOX" || fail "cannot give the error box the focus"
timeout 10 xdotool key --clearmodifiers Return || fail "xdotool key failed"
wait_exit 10
((E2E_STATUS != 0)) || fail "the program ended with status 0 after the database error"
window_visible "$ERROR_BOX_TITLE" && fail "the error box is still shown after the program ended"

# Nothing was written into the empty drive_c.
[[ -z $(ls -A "$lonely/drive_c") ]] || fail "the program created files under drive_c: $(ls -A "$lonely/drive_c")"

e2e_finish
