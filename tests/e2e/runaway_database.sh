#!/usr/bin/env bash
# A words database made so that reading it never ends (its table nominal
# replaced by a recursive view without end, or by a view that joins a table
# with itself): after "Aceptar" the program stops the query and shows, within
# seconds, the message of a damaged words database, titled KORIVANTA and
# written on stderr with its number; while the box is up the program uses no
# processor time to speak of; once the box is closed with Return the program
# ends with a non-zero status, the game window never shows, and nothing under
# drive_c changes.
#
# usage: runaway_database.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup "$@"

# What the box may take to come after "Aceptar": the query stops after about
# a second of work; the rest is room for a machine busy with other builds.
BOX_WITHIN=15
# Processor time (in clock ticks) the program may use in the seconds it is
# watched with the box up: a program still reading would use them all.
WATCH_SECONDS=3
TICKS=$(getconf CLK_TCK)
IDLE_TICKS=$((TICKS * WATCH_SECONDS / 10))

# The program's processor time so far, in clock ticks (user + system).
cpu_ticks() {
    local stat
    stat=$(cat "/proc/$E2E_PID/stat" 2>/dev/null) || fail "cannot read the program's /proc/$E2E_PID/stat"
    # The fields after the command name, which is in parentheses.
    read -r -a fields <<<"${stat##*) }"
    echo $((fields[11] + fields[12]))
}

# Each case: a copy of the program beside a drive_c folder of its own (the
# program takes the drive_c that lies beside its executable), whose words
# database is made by the statements given, and the menu option chosen.
run_case() {
    local name=$1 option=$2 create=$3
    local lonely=$E2E_WORK/$name
    mkdir -p "$lonely/drive_c/Trab_zumel"
    cp "$E2E_BIN" "$lonely/korivanta" || fail "cannot copy the program to $lonely"
    local db=$lonely/drive_c/Trab_zumel/diccionario.mdb
    sqlite3 "$db" "$create" || fail "cannot make the database of case $name"
    local before
    before=$(find "$lonely/drive_c" -type f -exec md5sum {} + | sort)

    start_program "$lonely/korivanta"
    MENU=$(find_window "$MENU_TITLE" 20)
    menu_click "$MENU" "$option"
    menu_click "$MENU" Command1
    local clicked=$SECONDS

    BOX=$(find_window "$ERROR_BOX_TITLE" "$BOX_WITHIN")
    log "$name: the error box came $((SECONDS - clicked)) s after Aceptar"
    check_title "$BOX" "$ERROR_BOX_TITLE"
    assert_running "the error box is up"

    local start spent
    start=$(cpu_ticks)
    sleep "$WATCH_SECONDS"
    spent=$(($(cpu_ticks) - start))
    log "$name: $spent clock ticks of processor time in $WATCH_SECONDS s with the box up ($TICKS a second)"
    ((spent <= IDLE_TICKS)) ||
        fail "$name: the program used $spent clock ticks in $WATCH_SECONDS s with the box up (at most $IDLE_TICKS)"
    shot "$BOX" "${name}_error_box"
    window_visible "$GAME_TITLE" && fail "$name: the game window shows although its database cannot be read"

    # The error reaches stderr as one line, as any damaged words database's.
    local line
    line=$(grep -m 1 "^korivanta: Error 3343" "$E2E_STDERR") ||
        fail "$name: no stderr line starting with \"korivanta: Error 3343\""
    log "stderr: $line"
    [[ $line == *"está dañado"* && $line == *diccionario.mdb* ]] ||
        fail "$name: the error line does not say that the words database is damaged: $line"

    # Return closes the box (its one button has the focus) and the program ends.
    timeout 10 xdotool windowfocus --sync "$BOX" || fail "cannot give the error box the focus"
    timeout 10 xdotool key --clearmodifiers Return || fail "xdotool key failed"
    wait_exit 10
    ((E2E_STATUS != 0)) || fail "$name: the program ended with status 0 after the database error"

    [[ $(find "$lonely/drive_c" -type f -exec md5sum {} + | sort) == "$before" ]] ||
        fail "$name: the program changed or created files under drive_c"
}

run_case recursive_view Option1 "CREATE VIEW nominal AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c)
    SELECT 'inti' nom_ay, 'sol' nom_esp, 'naturaleza' categoria, '' dibujo, '' sonido FROM c;"
run_case cross_join Option2 "CREATE TABLE palabras (nom_ay TEXT, nom_esp TEXT, categoria TEXT, dibujo TEXT, sonido TEXT);
    INSERT INTO palabras WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x < 1000)
        SELECT 'qarwa', 'llama', 'animal', '', '' FROM c;
    CREATE VIEW nominal AS SELECT a.* FROM palabras a, palabras b, palabras c WHERE a.rowid + b.rowid + c.rowid < 0;"

e2e_finish
