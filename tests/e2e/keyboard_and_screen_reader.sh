#!/usr/bin/env bash
# Playing without a mouse. First with the keyboard alone (xdotool key and
# type): the menu's arrows and Enter, a whole word typed, Enter on the
# completion panel for the next word, a word lost by typing missing
# graphemes, Page Down for Respuesta, the chart opened and closed, Volver. Then as a screen-reader user: keys and buttons found by
# role and name over AT-SPI and pressed through their action. The mask,
# points and tries are read through the accessibility tree, and the spoken
# sentences are recorded from the accessibility bus, in order.
#
# usage: keyboard_and_screen_reader.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup_accessible "$@"
SAID=$E2E_WORK/said.txt

# spelled WORD: the word as the game spells it to a screen reader, key by key.
spelled() {
    "$E2E_PY" -c '
import json, sys
keys = json.load(open(sys.argv[1]))["keys"]
def name(k):
    g = k["grapheme"]
    return k["tooltip"].lower() if k.get("tooltip") else g + " larga" if g in "äïü" else g
word, out, at = sys.argv[2], [], 0
while at < len(word):
    best = max((k for k in keys if word.startswith(k["grapheme"], at)), key=lambda k: len(k["grapheme"]))
    out.append(name(best))
    at += len(best["grapheme"])
print(", ".join(out))' "$E2E_TABLES" "$1"
}

# spoken INDEX: the name a key has for a screen reader.
spoken() {
    "$E2E_PY" -c '
import json, sys
k = json.load(open(sys.argv[1]))["keys"][int(sys.argv[2])]
g = k["grapheme"]
print(k["tooltip"].lower() if k.get("tooltip") else g + " larga" if g in "äïü" else g)' "$E2E_TABLES" "$1"
}

said() { grep -qF -- "$1" "$SAID"; }
# said_times N TEXT: TEXT has come at least N times.
said_times() { (($(grep -cF -- "$2" "$SAID") >= $1)); }
mask_is() { [[ $(at text Palabra) == "$1" ]]; }
tries_are() { [[ $(at text Vidas) == "$1" ]]; }

focus_window() { timeout 5 xdotool windowfocus --sync "$1" || fail "cannot focus window $1"; }
keys() { timeout 10 xdotool key --delay 120 "$@" || fail "xdotool key $*"; sleep 0.3; }

start_program
at wait-app 20 || fail "the program is not on the accessibility bus"
timeout 150 "$E2E_PY" "$AT" listen "$SAID" 140 &
LISTENER=$!
E2E_DEFERRED+=("kill $LISTENER")
wait_until 10 "the listener" grep -q '^#listening' "$SAID"

# --- The keyboard alone -----------------------------------------------------
MENU=$(find_window "$MENU_TITLE" 20)
focus_window "$MENU"
at has frame "$MENU_TITLE" || fail "the menu is not a frame named by its title"
keys Down Return # Naturaleza, Aceptar
GAME=$(find_window "$GAME_TITLE" 20)
focus_window "$GAME"
at has frame "$GAME_TITLE" || fail "the game window is not a frame named by its title"

word1=$(nth_word naturaleza 1)
wait_until 10 "the first word announced" said "Nueva palabra:"
timeout 20 xdotool type --delay 150 "$word1" || fail "xdotool type"
keys Return # a grapheme that could still grow is pressed now
wait_until 10 "the mask showing $word1" mask_is "$word1"
points=$(at text Puntos)
((points > 0)) || fail "no points after the whole word: $points"
tries_are "${#word1}" || fail "tries changed on a word typed without a miss: $(at text Vidas)"
wait_until 20 "the completion announced" said "¡Felicidades!"
keys Return # on the completion panel: the next word
word2=$(nth_word naturaleza 2)
wait_until 10 "the second word announced" said_times 2 "Nueva palabra:"

# Lose the word: only graphemes of one plain letter that it lacks.
lost=0
for k in $(py misses "$E2E_TABLES" "$word2"); do
    g=$(key_grapheme "$k")
    [[ $g =~ ^[a-z]$ && $g != [kptql] ]] || continue
    timeout 10 xdotool type --delay 100 "$g" || fail "xdotool type $g"
    lost=$((lost + 1))
    ((lost == ${#word2})) && break
done
((lost == ${#word2})) || fail "not enough plain missing letters to lose $word2"
wait_until 10 "no tries left" tries_are 0
wait_until 10 "the keyboard locking announced" said "No quedan vidas. Pulsa Respuesta."
at has "push button" Respuesta || fail "Respuesta is not exposed once the tries ran out"
keys Page_Down # "next" with no tries left: Respuesta
wait_until 10 "the answer in the mask" mask_is "$word2"
wait_until 10 "the answer spelled by keys" said "Respuesta: $(spelled "$word2")."

keys Tab Tab Return # Sonido, Grafemario: the chart
wait_until 10 "the chart shown" at has image "Tabla de grafemas"
keys Right space Escape
wait_until 10 "the chart closed" bash -c "! timeout 20 $E2E_PY $AT has image 'Tabla de grafemas'"
keys shift+Tab Return # Volver
wait_gone "$GAME_TITLE" 10
window_visible "$MENU_TITLE" || fail "the menu did not come back"

# --- The accessibility tree alone -------------------------------------------
at press Aceptar || fail "cannot press Aceptar"
wait_until 10 "the game window again" window_visible "$GAME_TITLE"
wait_until 10 "the word announced again" said_times 3 "Nueva palabra:"
for k in $(py spell "$E2E_TABLES" "$word1"); do
    name=$(spoken "$k")
    at press "$name" || fail "cannot press the key named \"$name\""
done
wait_until 10 "the mask showing $word1 again" mask_is "$word1"
wait_until 20 "the completion announced again" said_times 2 "¡Felicidades!"
at press Volver || fail "cannot press Volver"
wait_gone "$GAME_TITLE" 10

# The sentences, in the order they came.
grep -v '^#' "$SAID" >"$E2E_WORK/sentences.txt"
log "sentences:"
cat "$E2E_WORK/sentences.txt"
"$E2E_PY" - "$E2E_WORK/sentences.txt" <<'PYEOF' || fail "the sentences did not come in order"
import sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
want = ["Nueva palabra:", "Bien:", "¡Felicidades!", "Nueva palabra:", "No está", "No quedan vidas.",
        "Respuesta:", "Nueva palabra:", "Bien:", "¡Felicidades!"]
at = 0
for line in lines:
    if at < len(want) and line.startswith(want[at]) or (at < len(want) and want[at] in line):
        at += 1
sys.exit(0 if at == len(want) else 1)
PYEOF
kill_program
log "PASS"
