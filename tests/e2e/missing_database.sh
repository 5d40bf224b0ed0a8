#!/usr/bin/env bash
# A program whose words database is missing, lacks its table or lacks a field:
# choosing a category and pressing "Aceptar" raises the database error, which
# shows a message box titled KORIVANTA and is written on stderr with its number
# (naming the file when it is missing); once the box is closed with Return the
# program ends with a non-zero status, the game window never shows, and
# nothing under drive_c changes.
#
# usage: missing_database.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup "$@"

# Each case: a copy of the program beside a drive_c folder of its own (the
# program takes the drive_c that lies beside its executable), holding no
# database, a database without the table, or a table without a field.
run_case() {
    local name=$1 number=$2 create=$3
    local lonely=$E2E_WORK/$name
    mkdir -p "$lonely/drive_c"
    cp "$E2E_BIN" "$lonely/korivanta" || fail "cannot copy the program to $lonely"
    local db=$lonely/drive_c/Trab_zumel/diccionario.mdb
    if [[ -n $create ]]; then
        mkdir -p "$(dirname "$db")"
        sqlite3 "$db" "$create" || fail "cannot make the database of case $name"
    fi
    local before
    before=$(find "$lonely/drive_c" -type f -exec md5sum {} + | sort)

    start_program "$lonely/korivanta"
    MENU=$(find_window "$MENU_TITLE" 20)
    shot "$MENU" "${name}_menu"

    menu_click "$MENU" Option2
    menu_click "$MENU" Command1

    BOX=$(find_window "$ERROR_BOX_TITLE" 20)
    check_title "$BOX" "$ERROR_BOX_TITLE"
    sleep 0.5
    shot "$BOX" "${name}_error_box"
    window_visible "$GAME_TITLE" && fail "$name: the game window shows although its database cannot be used"
    window_visible "$MENU_TITLE" && fail "$name: the menu still shows beside the error box"
    assert_running "the error box is up"

    # The error reaches stderr as one line with its number.
    local line
    line=$(grep -m 1 "^korivanta: Error $number" "$E2E_STDERR") ||
        fail "$name: no stderr line starting with \"korivanta: Error $number\""
    log "stderr: $line"
    if [[ $name == missing ]]; then
        [[ $line == *diccionario.mdb* ]] || fail "the error line does not name the database file diccionario.mdb: $line"
    fi

    # Return closes the box (its one button has the focus) and the program ends.
    timeout 10 xdotool windowfocus --sync "$BOX" || fail "cannot give the error box the focus"
    timeout 10 xdotool key --clearmodifiers Return || fail "xdotool key failed"
    wait_exit 10
    ((E2E_STATUS != 0)) || fail "$name: the program ended with status 0 after the database error"
    window_visible "$ERROR_BOX_TITLE" && fail "$name: the error box is still shown after the program ended"

    # Nothing was written or created under drive_c.
    [[ $(find "$lonely/drive_c" -type f -exec md5sum {} + | sort) == "$before" ]] ||
        fail "$name: the program changed or created files under drive_c"
}

run_case missing 3024 ""
run_case no_table 3078 "CREATE TABLE palabras (nom_ay TEXT); INSERT INTO palabras VALUES ('inti');"
run_case no_field 3265 "CREATE TABLE nominal (nom_ay TEXT, nom_esp TEXT, categoria TEXT, dibujo TEXT); INSERT INTO nominal VALUES ('anu', 'perro', 'animal', '');"

e2e_finish
