#!/usr/bin/env bash
# What Orca itself would say while a screen-reader user plays: Orca runs in
# the program's own D-Bus session, with its settings in a throw-away home and
# its debug log in the work dir (no sound device needed: the log has every
# "SPEECH OUTPUT" line). The whole Colores category is played from the
# keyboard with letters, Enter, Space and Page Down only (never Tab, never
# the mouse). Orca's log is the witness: the new word ch'iyara is counted in
# keys ("Seis teclas"), a hit on it and its completion are spelled by keys
# ("ch glotalizada, ..."), a miss is said, what Orca speaks comes in the
# game's order, and Orca never speaks an empty notification.
#
# usage: keyboard_orca_speech.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup_accessible "$@"

# Orca and the speech service it starts keep everything under this home.
ORCA_HOME=$E2E_WORK/orca-home
mkdir -p "$ORCA_HOME"/{config,data,cache,prefs}
ORCA_LOG=$E2E_WORK/orca-debug.txt
ORCA_OUT=$E2E_WORK/orca-stderr.txt
HOME=$ORCA_HOME XDG_CONFIG_HOME=$ORCA_HOME/config XDG_DATA_HOME=$ORCA_HOME/data \
    XDG_CACHE_HOME=$ORCA_HOME/cache GSETTINGS_BACKEND=memory \
    "$E2E_PY" "$E2E_LIB_DIR/orca_logged.py" "$ORCA_LOG" --disable braille \
    --user-prefs "$ORCA_HOME/prefs" >"$ORCA_OUT" 2>&1 &
ORCA_PID=$!
trap 'kill_program; kill $ORCA_PID 2>/dev/null' EXIT
log "started orca (pid $ORCA_PID)"

# spoken_lines: the text of every line Orca spoke, in order.
# A line is "SPEECH OUTPUT: 'TEXT'" then the voice ({...}, [...] or voice=...).
spoken_lines() { sed -n "s/^.* - SPEECH OUTPUT: '\(.*\)'[[{ ].*$/\1/p" "$ORCA_LOG" 2>/dev/null; }
orca_said() { spoken_lines | grep -qF -- "$1"; }
wait_until 30 "Orca listening" grep -q 'SPEECH: Initialized' "$ORCA_LOG"

start_program
at wait-app 20 || fail "the program is not on the accessibility bus"
# The sentences as the game sends them, recorded from the bus beside Orca.
SAID=$E2E_WORK/said.txt
timeout 420 "$E2E_PY" "$AT" listen "$SAID" 400 >"$E2E_WORK/listener.txt" 2>&1 &
LISTENER=$!
trap 'kill_program; kill $ORCA_PID $LISTENER 2>/dev/null' EXIT
wait_until 10 "the listener" grep -q '^#listening' "$SAID"
said() { grep -qF -- "$1" "$SAID"; }
said_count() { grep -cF -- "$1" "$SAID"; }
# said_times N TEXT: TEXT has come at least N times.
said_times() { (($(said_count "$2") >= $1)); }
tries_are() { [[ $(at text Vidas) == "$1" ]]; }
keys() { timeout 10 xdotool key --delay 120 "$@" || fail "xdotool key $*"; sleep 0.3; }
type_word() { timeout 30 xdotool type --delay 250 "$1" || fail "xdotool type $1"; }

MENU=$(find_window "$MENU_TITLE" 20)
timeout 5 xdotool windowfocus --sync "$MENU" || fail "cannot focus the menu"
keys Down Down Down Return # Naturaleza, Animales, Colores; Aceptar
GAME=$(find_window "$GAME_TITLE" 20)
timeout 5 xdotool windowfocus --sync "$GAME" || fail "cannot focus the game"

mapfile -t WORDS < <(category_words color)
((${#WORDS[@]} > 2)) || fail "the Colores category has too few words"
# "next", in turn: Enter and Space on the completion panel, Page Down.
NEXT_KEYS=(Return space Page_Down)
target="ch'iyara"
for i in "${!WORDS[@]}"; do
    word=${WORDS[$i]}
    wait_until 60 "word $((i + 1)) ($word) announced" said_times $((i + 1)) "Nueva palabra:"
    # Orca drops what came before it presented the new window: the first
    # word is typed once Orca has spoken it.
    ((i > 0)) || wait_until 60 "Orca speaking the first word" orca_said "Nueva palabra: "
    if [[ $word == "$target" ]]; then
        # Orca speaks the count in keys, then a hit on ch' and a miss.
        wait_until 60 "Orca speaking the new word $target by keys" orca_said "Nueva palabra: negro. Seis teclas."
        type_word "ch'"
        wait_until 60 "Orca speaking the hit by keys" \
            orca_said "Bien: ch glotalizada, una vez. ch glotalizada, oculta, oculta, oculta, oculta, oculta."
        miss=$(py misses "$E2E_TABLES" "$word" | while read -r k; do
            g=$(key_grapheme "$k")
            [[ $g =~ ^[a-z]$ && $g != [kptqlc] ]] && echo "$g" && break
        done)
        [[ -n $miss ]] || fail "no plain letter missing from $word"
        type_word "$miss"
        wait_until 60 "Orca speaking the miss" orca_said "No está $miss."
        type_word "${word:3}"
    else
        type_word "$word"
    fi
    keys Return # a grapheme that could still grow is pressed now
    wait_until 30 "the completion of $word" said_times $((i + 1)) "¡Felicidades!"
    keys "${NEXT_KEYS[$((i % 3))]}"
done
wait_until 30 "the end of the category" said "Fin de la categoría."
# "Next" at the end does nothing: no grapheme key is pressed, no try lost.
tries=$(at text Vidas)
keys Page_Down Page_Down
sleep 1
tries_are "$tries" || fail "a key after the end of the category cost a try: $(at text Vidas)"
((${#WORDS[@]} == $(said_count "¡Felicidades!"))) || fail "not every word was completed"
! said "No está" || [[ $(said_count "No está") == 1 ]] || fail "a grapheme key was pressed by a navigation key"

# Orca lags behind on a busy machine: wait for the last sentence.
wait_until 120 "Orca speaking the end of the category" orca_said "Fin de la categoría."
log "Orca spoke:"
spoken_lines | tee "$E2E_WORK/orca-spoken.txt"
grep -v '^#' "$SAID" >"$E2E_WORK/sentences.txt"
# Each sentence the game sent, Orca spoke as a notification, in the same
# order; no notification without its text; the ch'iyara sentences by keys.
"$E2E_PY" - "$E2E_WORK/orca-spoken.txt" "$E2E_WORK/sentences.txt" <<'PYEOF' || fail "Orca did not speak the game's sentences as it should"
import sys
spoken = open(sys.argv[1], encoding="utf-8").read().splitlines()
sent = open(sys.argv[2], encoding="utf-8").read().splitlines()
if any(not s.strip() for s in sent):
    sys.exit("the game sent an empty sentence")
empty = [line for line in spoken if line.strip().rstrip(".").strip() == "notification"]
if empty:
    sys.exit(f"Orca spoke {len(empty)} empty notification(s)")
must = ["Nueva palabra: negro. Seis teclas.",
        "Bien: ch glotalizada, una vez. ch glotalizada, oculta, oculta, oculta, oculta, oculta.",
        "La palabra negro en aymara se escribe: ch glotalizada, i, y, a, r, a."]
for m in must:
    if not any(m in s for s in sent):
        sys.exit(f"the game never sent {m!r}")
for s in sent:
    if "Nueva palabra:" in s and " letra" in s:
        sys.exit(f"a word counted in letters: {s!r}")
# Orca drops events when too many come at once ("flood"), as they do while a
# word is typed fast: what it spoke must be sentences the game sent, in the
# game's order, and the sentences of ch'iyara and the end must be among them.
notes = [line[len("notification "):] for line in spoken if line.startswith("notification ")]
at = 0
for note in notes:
    while at < len(sent) and sent[at] != note:
        at += 1
    if at == len(sent):
        sys.exit(f"Orca spoke {note!r}, not sent by the game or out of order")
    at += 1
for m in must + ["Fin de la categoría. Pulsa Volver."]:
    if not any(m in note for note in notes):
        sys.exit(f"Orca never spoke {m!r}")
print(f"Orca spoke {len(notes)} of the {len(sent)} sentences, in order")
PYEOF
kill_program
log "PASS"
