#!/usr/bin/env bash
# A whole game on a real display: choose Animales, spell its first word by
# clicking the right keys, see the completion panel and close it with "wali",
# go on with Siguiente, lose every try of the second word with wrong keys,
# reveal it with Respuesta and go on again, open the grapheme panel, play one
# grapheme and close it, go back to the menu with Volver and end with "Salir".
# Every step leaves a screenshot in <work-dir>/shots.
#
# usage: play_full_game.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup "$@"

CATEGORY_KEY=animal # the words of the menu's "Animales"

read -r T5X T5Y T5W T5H <<<"$(game_rect Text5)"   # the mask box
read -r T4X T4Y T4W T4H <<<"$(game_rect Text4)"   # the tries box
read -r T3X T3Y T3W T3H <<<"$(game_rect Text3)"   # the score box
read -r L1X L1Y L1W L1H <<<"$(game_rect Label1)"  # the word in Spanish
read -r F2X F2Y F2W F2H <<<"$(game_rect Frame2)"  # the grapheme panel
read -r P1X P1Y P1W P1H <<<"$(game_rect Picture1)" # the completion panel
read -r M1X M1Y M1W M1H <<<"$(game_rect Marchoso1)" # the hand animation

# The part of the completion panel that the hand animation never covers: the
# panel is judged there, whether or not the hand is still on screen.
PANEL_X=$((M1X + M1W + 1))
PANEL_Y=$P1Y
PANEL_W=$((P1X + P1W - PANEL_X))
PANEL_H=$P1H
((PANEL_W > 40)) || fail "the completion panel is hidden behind the hand animation's area"
read -r WALI_X WALI_Y WALI_W WALI_H <<<"$(game_rect Command1 Picture1)"
# The inner part of the button, inside its edge.
WALI_X=$((WALI_X + 4)) WALI_Y=$((WALI_Y + 4)) WALI_W=$((WALI_W - 8)) WALI_H=$((WALI_H - 8))

if key_pictures_built; then
    STRICT_PICTURES=1
    log "key pictures built: used keys must look grey"
else
    # Tolerance while the asset pipeline has not made the key pictures yet:
    # without them a key and its grey overlay both draw nothing, so a key's
    # look is not checked; the mask and tries boxes are checked all the same.
    STRICT_PICTURES=0
    log "key pictures not built yet: the grey look of used keys is not checked"
fi
if [[ -f $(dirname "$(dirname "$E2E_BIN")")/window_pictures/panel.bmp ]]; then
    PANEL_MIN_CHANGE=0.3 # the panel's picture covers its area
else
    # Tolerance while the completion panel's picture is not made yet: the
    # panel then shows only its labels and button on the window's colour.
    PANEL_MIN_CHANGE=0.01
    log "completion panel picture not built yet: only its labels and button are looked for"
fi

region_changed() { # A B X Y W H [MIN]: at least MIN (default: any) of the region differs
    local share
    share=$(changed_share "$1" "$2" "$3" "$4" "$5" "$6")
    ratio_at_least "$share" "${7:-0.0001}"
}

region_same() { # A B X Y W H [MAX]: at most MAX (default: none) of the region differs
    local share
    share=$(changed_share "$1" "$2" "$3" "$4" "$5" "$6")
    ratio_at_most "$share" "${7:-0}"
}

# The inner part of a key, clear of its rounded corners.
key_core() {
    local x y w h
    read -r x y w h <<<"$(key_rect "$1")"
    echo $((x + w / 4)) $((y + h / 4)) $((w / 2)) $((h / 2))
}

key_looks_grey() {
    local share
    share=$(py grey "$1" $(key_core "$2") 6)
    ratio_at_least "$share" 0.9
}

check_key_fresh() { # SHOT KEY: before its press a key is in colour
    ((STRICT_PICTURES)) || return 0
    key_looks_grey "$1" "$2" && fail "key $2 looks grey before it was pressed: $1"
    return 0
}

check_key_used() { # SHOT KEY: after its press a key is greyed by its overlay
    ((STRICT_PICTURES)) || return 0
    key_looks_grey "$1" "$2" || fail "key $2 does not look grey after it was pressed: $1"
}

# press KEY NAME: clicks the key at the centre of its rectangle; SHOT is after.
press() {
    local key=$1 x y w h
    read -r x y w h <<<"$(key_rect "$key")"
    click "$GAME" $((x + w / 2)) $((y + h / 2))
    assert_running "key $key was pressed"
    shot "$GAME" "$2"
}

# ---------------------------------------------------------------- the game
start_program
MENU=$(find_window "$MENU_TITLE" 20)
shot "$MENU" menu
menu_click "$MENU" Option2
menu_click "$MENU" Command1
GAME=$(find_window "$GAME_TITLE" 20)
check_geometry "$GAME" "$GAME_X" "$GAME_Y" "$GAME_W" "$GAME_H"
sleep 0.5
shot "$GAME" game_start
start_shot=$SHOT

# The pointer over the bare surface hides the instruction animation, which
# would otherwise cover the Grafemario hotspot.
bare_hover "$GAME"
shot "$GAME" instructions_hidden
previous=$SHOT
if [[ -n $(find "$(drive_c_of "$E2E_BIN")" -iname anima_adivina.gif 2>/dev/null) ]]; then
    read -r M2X M2Y M2W M2H <<<"$(game_rect Marchoso2)"
    region_changed "$start_shot" "$SHOT" "$M2X" "$M2Y" "$M2W" "$M2H" 0.05 ||
        fail "the instruction animation did not go away when the pointer moved over the window: $SHOT"
else
    # Tolerance while the animations are not made yet: the player then shows
    # only its back colour, the window's own, and its going is not seen.
    log "instruction animation not made yet: its hiding is not checked"
fi

# ----------------------------------------------- word 1: spelled correctly
word1=$(nth_word "$CATEGORY_KEY" 1)
mapfile -t keys1 < <(py spell "$E2E_TABLES" "$word1")
((${#keys1[@]} > 0)) || fail "no keys found for \"$word1\""
log "word 1: \"$word1\", keys ${keys1[*]}"

mask_visible() { # SHOT: the mask box shows (the hand animation is not over it)
    local share
    share=$(colour_share "$1" "$T5X" "$T5Y" "$T5W" "$T5H" "$MASK_GREEN" 0)
    ratio_at_least "$share" 0.5
}
hand_gone() {
    probe "$GAME"
    mask_visible "$PROBE"
}

mask_visible "$previous" || fail "the mask box is not shown at the start: $previous"
start=$previous
last_key=${keys1[-1]}
for key in "${keys1[@]}"; do
    g=$(key_grapheme "$key")
    check_key_fresh "$previous" "$key"
    press "$key" "word1_key_${key}"
    # A hit shows the hand animation, which lies over the mask box.
    mask_visible "$SHOT" && fail "no hand animation over the mask box after the hit with key $key (\"$g\"): $SHOT"
    region_changed "$previous" "$SHOT" "$T3X" "$T3Y" "$T3W" "$T3H" ||
        fail "pressing key $key (\"$g\") of \"$word1\" did not change the score: $SHOT"
    region_same "$previous" "$SHOT" "$T4X" "$T4Y" "$T4W" "$T4H" ||
        fail "a hit with key $key (\"$g\") changed the tries box: $SHOT"
    check_key_used "$SHOT" "$key"
    # Its end uncovers the mask box, which now shows the letters revealed.
    wait_until 5 "the end of the hand animation after key $key" hand_gone
    shot "$GAME" "word1_key_${key}_hand_gone"
    region_changed "$previous" "$SHOT" "$T5X" "$T5Y" "$T5W" "$T5H" ||
        fail "pressing key $key (\"$g\") of \"$word1\" did not change the mask box: $SHOT"
    if [[ $key != "$last_key" ]]; then
        # The word is not complete yet: no completion panel.
        region_same "$start" "$SHOT" "$PANEL_X" "$PANEL_Y" "$PANEL_W" "$PANEL_H" ||
            fail "the completion panel came up before \"$word1\" was complete: $SHOT"
    fi
    before_last=$previous
    previous=$SHOT
done

# With the last hit the word is complete: the completion panel is up, with
# its yellow "wali" button.
completed=$previous
share=$(colour_share "$completed" $WALI_X $WALI_Y $WALI_W $WALI_H "255 255 0" 0)
ratio_at_least "$share" 0.5 || fail "no yellow \"wali\" button after spelling \"$word1\" ($share): $completed"
region_changed "$before_last" "$completed" "$PANEL_X" "$PANEL_Y" "$PANEL_W" "$PANEL_H" "$PANEL_MIN_CHANGE" ||
    fail "the completion panel is not shown after spelling \"$word1\": $completed"
# "wali" closes the panel: its area looks as it did before the panel came.
game_click "$GAME" Command1 Picture1
shot "$GAME" word1_wali
region_same "$before_last" "$SHOT" "$PANEL_X" "$PANEL_Y" "$PANEL_W" "$PANEL_H" ||
    fail "\"wali\" did not close the completion panel: $SHOT"
previous=$SHOT

# ------------------------------------------- word 2: every try used wrongly
game_click "$GAME" Image6
shot "$GAME" word2_siguiente
region_changed "$previous" "$SHOT" "$T5X" "$T5Y" "$T5W" "$T5H" ||
    fail "Siguiente did not put a new mask in the mask box: $SHOT"
region_changed "$previous" "$SHOT" "$L1X" "$L1Y" "$L1W" "$L1H" ||
    fail "Siguiente did not change the word in Spanish: $SHOT"
previous=$SHOT

word2=$(nth_word "$CATEGORY_KEY" 2)
tries=$(py length "$word2")
mapfile -t wrong < <(py misses "$E2E_TABLES" "$word2")
((${#wrong[@]} >= tries)) || fail "only ${#wrong[@]} keys miss \"$word2\", it has $tries tries"
log "word 2: \"$word2\", $tries tries, wrong keys ${wrong[*]:0:tries}"

for ((t = 0; t < tries; t++)); do
    key=${wrong[t]}
    check_key_fresh "$previous" "$key"
    press "$key" "word2_miss_${key}"
    region_changed "$previous" "$SHOT" "$T4X" "$T4Y" "$T4W" "$T4H" ||
        fail "the wrong key $key did not change the tries box: $SHOT"
    region_same "$previous" "$SHOT" "$T5X" "$T5Y" "$T5W" "$T5H" ||
        fail "the wrong key $key changed the mask box: $SHOT"
    region_same "$previous" "$SHOT" "$T3X" "$T3Y" "$T3W" "$T3H" ||
        fail "the wrong key $key changed the score: $SHOT"
    check_key_used "$SHOT" "$key"
    previous=$SHOT
done

# No tries left: the whole keyboard is covered. A key of the word itself,
# never pressed, now looks used and takes no click: the mask stays and no
# hand animation comes over it.
mapfile -t right2 < <(py spell "$E2E_TABLES" "$word2")
locked=${right2[0]}
check_key_used "$previous" "$locked"
press "$locked" "word2_locked_key_${locked}"
region_same "$previous" "$SHOT" 0 0 "$GAME_W" "$GAME_H" ||
    fail "key $locked (\"$(key_grapheme "$locked")\" of \"$word2\") still took a click with no tries left: $SHOT"
previous=$SHOT

# No completion feedback for a word that was never hit.
sleep 1.5
shot "$GAME" word2_no_completion
region_same "$previous" "$SHOT" "$PANEL_X" "$PANEL_Y" "$PANEL_W" "$PANEL_H" ||
    fail "the completion panel came up for a word with no hit: $SHOT"
previous=$SHOT

game_click "$GAME" Image7
shot "$GAME" word2_respuesta
region_changed "$previous" "$SHOT" "$T5X" "$T5Y" "$T5W" "$T5H" ||
    fail "Respuesta did not show the word in the mask box: $SHOT"
region_same "$previous" "$SHOT" "$T4X" "$T4Y" "$T4W" "$T4H" ||
    fail "Respuesta changed the tries box: $SHOT"
region_same "$previous" "$SHOT" "$T3X" "$T3Y" "$T3W" "$T3H" ||
    fail "Respuesta changed the score: $SHOT"
previous=$SHOT

game_click "$GAME" Image6
shot "$GAME" word3_siguiente
region_changed "$previous" "$SHOT" "$T5X" "$T5Y" "$T5W" "$T5H" ||
    fail "Siguiente after Respuesta did not put a new mask in the mask box: $SHOT"
region_changed "$previous" "$SHOT" "$T4X" "$T4Y" "$T4W" "$T4H" ||
    fail "Siguiente after Respuesta did not give the new word its tries: $SHOT"
if ((STRICT_PICTURES)); then
    key_looks_grey "$SHOT" "${keys1[0]}" && fail "the keys are still greyed on the next word: $SHOT"
fi
previous=$SHOT

# ------------------------------------------------------ the grapheme panel
bare_hover "$GAME"
game_click "$GAME" Image5
shot "$GAME" grafemario_open
opened=$SHOT
share=$(colour_share "$opened" "$((F2X + 1))" "$((F2Y + 1))" 6 6 "$PANEL_YELLOW" 0)
ratio_at_least "$share" 0.9 || fail "the grapheme panel's corner is not pale yellow RGB($PANEL_YELLOW) ($share): $opened"
region_changed "$previous" "$opened" "$F2X" "$F2Y" "$F2W" "$F2H" 0.3 || fail "the grapheme panel did not open: $opened"

# One area of the chart: it plays its grapheme and leaves the panel open.
read -r cx cy cw ch <<<"$(py chart "$E2E_TABLES" 28)"
click "$GAME" $((cx + cw / 2)) $((cy + ch / 2))
assert_running "a chart area was clicked"
shot "$GAME" grafemario_area_clicked
region_same "$opened" "$SHOT" "$F2X" "$F2Y" "$F2W" "$F2H" 0.02 ||
    fail "the grapheme panel changed on a click of a chart area: $SHOT"

game_click "$GAME" Command38 Frame2
shot "$GAME" grafemario_closed
region_same "$previous" "$SHOT" "$F2X" "$F2Y" "$F2W" "$F2H" 0.02 ||
    fail "\"Volver\" of the grapheme panel did not close it: $SHOT"

# ------------------------------------------------------------- the end
game_click "$GAME" Image40
MENU=$(find_window "$MENU_TITLE" 10)
wait_gone "$GAME_TITLE" 5
shot "$MENU" menu_again
menu_click "$MENU" Command2
wait_exit 10
((E2E_STATUS == 0)) || fail "\"Salir\" ended the program with status $E2E_STATUS, expected 0"
no_error_lines
e2e_finish
