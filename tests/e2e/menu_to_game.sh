#!/usr/bin/env bash
# The screen flow on a real display: the menu comes up alone, "Aceptar" opens
# the game window with the chosen category's title on the board, Volver brings
# the menu back with its choice kept, and "Salir" ends the program cleanly.
# Also: "Aceptar" with no choice opens the game too, and "Salir" on the first
# menu ends the program at once.
#
# usage: menu_to_game.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup "$@"

read -r L3X L3Y L3W L3H <<<"$(game_rect Label3)"
read -r T5X T5Y T5W T5H <<<"$(game_rect Text5)"

# The board title's pixels: some drawn in the label's text colour RGB(64, 64, 0).
title_drawn() {
    local share
    share=$(colour_share "$1" "$L3X" "$L3Y" "$L3W" "$L3H" "64 64 0" 40)
    ratio_at_least "$share" 0.01 || fail "no text drawn in the board title area ($share of the pixels in its colour): $1"
}

mask_box_green() {
    local share
    share=$(colour_share "$1" "$T5X" "$T5Y" "$T5W" "$T5H" "$MASK_GREEN" 0)
    ratio_at_least "$share" 0.5 || fail "the mask box is not light green RGB($MASK_GREEN) ($share of its pixels): $1"
}

# open_menu: starts the program and checks that the menu, and only it, shows.
open_menu() {
    start_program
    MENU=$(find_window "$MENU_TITLE" 20)
    check_title "$MENU" "$MENU_TITLE"
    check_geometry "$MENU" - - "$MENU_W" "$MENU_H"
    window_exists "$GAME_TITLE" && fail "the game window exists before \"Aceptar\""
    shot "$MENU" "$1"
    [[ $(py pixel "$SHOT" 4 4) == "$MENU_BACKGROUND" ]] ||
        fail "the menu's background is not RGB($MENU_BACKGROUND) at 4,4: $SHOT"
}

# to_game NAME: presses "Aceptar" and checks the game window in its place.
to_game() {
    menu_click "$MENU" Command1
    GAME=$(find_window "$GAME_TITLE" 20)
    check_title "$GAME" "$GAME_TITLE"
    check_geometry "$GAME" "$GAME_X" "$GAME_Y" "$GAME_W" "$GAME_H"
    wait_gone "$MENU_TITLE" 5
    assert_running "the game window opens"
    sleep 0.5
    shot "$GAME" "$1"
    mask_box_green "$SHOT"
    title_drawn "$SHOT"
}

# to_menu NAME: presses Volver and checks that the menu comes back alone.
to_menu() {
    game_click "$GAME" Image40
    MENU=$(find_window "$MENU_TITLE" 10)
    wait_gone "$GAME_TITLE" 5
    shot "$MENU" "$1"
}

salir() {
    menu_click "$MENU" Command2
    wait_exit 10
    ((E2E_STATUS == 0)) || fail "\"Salir\" ended the program with status $E2E_STATUS, expected 0"
    window_visible "$MENU_TITLE" && fail "the menu is still shown after \"Salir\""
    window_visible "$GAME_TITLE" && fail "the game window is still shown after \"Salir\""
    return 0
}

read -r O2X O2Y O2W O2H <<<"$(menu_rect Option2)"

log "run 1: Animales"
open_menu menu_start
menu0=$SHOT
menu_click "$MENU" Option2
shot "$MENU" menu_animales_chosen
menu1=$SHOT
changed=$(changed_share "$menu0" "$menu1" "$O2X" "$O2Y" 16 "$O2H")
ratio_at_least "$changed" 0.02 || fail "clicking \"Animales\" did not mark its option button"

to_game game_animales
animales=$SHOT

to_menu menu_after_volver
menu2=$SHOT
# The menu keeps its choice: the Animales button looks as it did when chosen.
[[ $(changed_share "$menu1" "$menu2" "$O2X" "$O2Y" "$O2W" "$O2H") == 0.0000 ]] ||
    fail "the menu lost its choice of \"Animales\" after Volver"

# "Aceptar" again without a new choice plays the same category: same title.
to_game game_animales_again
animales2=$SHOT
[[ $(changed_share "$animales" "$animales2" "$L3X" "$L3Y" "$L3W" "$L3H") == 0.0000 ]] ||
    fail "the board title differs on the second visit to Animales"

to_menu menu_after_second_volver
salir
log "run 1 passed"

log "run 2: Colores"
open_menu menu_start_2
menu_click "$MENU" Option3
to_game game_colores
colores=$SHOT
changed=$(changed_share "$animales" "$colores" "$L3X" "$L3Y" "$L3W" "$L3H")
ratio_at_least "$changed" 0.01 || fail "the board title of Colores looks like that of Animales"
to_menu menu_after_colores
salir
log "run 2 passed"

log "run 3: \"Aceptar\" with no choice"
open_menu menu_start_3
to_game game_no_choice
nochoice=$SHOT
# The board keeps its stored title, which is neither category's.
for other in "$animales" "$colores"; do
    changed=$(changed_share "$other" "$nochoice" "$L3X" "$L3Y" "$L3W" "$L3H")
    ratio_at_least "$changed" 0.01 || fail "with no choice the board title looks like that of a category ($other)"
done
to_menu menu_after_no_choice
salir
log "run 3 passed"

log "run 4: \"Salir\" on the first menu"
open_menu menu_start_4
salir
log "run 4 passed"

e2e_finish
