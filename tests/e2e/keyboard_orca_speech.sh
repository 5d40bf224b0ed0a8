#!/usr/bin/env bash
# What Orca itself would say while a screen-reader user plays: Orca runs in
# the program's own D-Bus session, with its settings in a throw-away home and
# its debug log in the work dir (no sound device needed: the log has every
# "SPEECH OUTPUT" line). A new word, a hit and a miss are played through the
# press actions of the keys, and the log must show Orca speaking the game's
# sentence for each, in that order.
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
timeout 100 "$E2E_PY" "$AT" listen "$SAID" 90 >"$E2E_WORK/listener.txt" 2>&1 &
LISTENER=$!
trap 'kill_program; kill $ORCA_PID $LISTENER 2>/dev/null' EXIT
wait_until 10 "the listener" grep -q '^#listening' "$SAID"
MENU=$(find_window "$MENU_TITLE" 20)
timeout 5 xdotool windowfocus --sync "$MENU" || fail "cannot focus the menu"
timeout 10 xdotool key --delay 120 Down Return || fail "xdotool key" # Naturaleza, Aceptar
wait_until 10 "the game window" window_visible "$GAME_TITLE"
word=$(nth_word naturaleza 1)
# Orca can lag well behind the game on a busy machine.
wait_until 60 "Orca speaking the new word" orca_said "Nueva palabra: "

# A hit: the first key of the word; a miss: a key whose grapheme it lacks.
hit=$(py spell "$E2E_TABLES" "$word" | sed -n 1p)
miss=$(py misses "$E2E_TABLES" "$word" | sed -n 1p)
for k in "$hit" "$miss"; do
    name=$(
        "$E2E_PY" -c '
import json, sys
k = json.load(open(sys.argv[1]))["keys"][int(sys.argv[2])]
g = k["grapheme"]
print(k["tooltip"].lower() if k.get("tooltip") else g + " larga" if g in "äïü" else g)' "$E2E_TABLES" "$k"
    )
    at press "$name" || fail "cannot press the key named \"$name\""
    if [[ $k == "$hit" ]]; then
        wait_until 60 "Orca speaking the hit" orca_said "Bien: "
    else
        wait_until 60 "Orca speaking the miss" orca_said "No está "
    fi
done

log "Orca spoke:"
spoken_lines | tee "$E2E_WORK/orca-spoken.txt"
grep -v '^#' "$SAID" >"$E2E_WORK/sentences.txt"
# Each sentence the game sent, Orca spoke as a notification, in the same order.
"$E2E_PY" - "$E2E_WORK/orca-spoken.txt" "$E2E_WORK/sentences.txt" <<'PYEOF' || fail "Orca did not speak the game's sentences in order"
import sys
spoken = open(sys.argv[1], encoding="utf-8").read().splitlines()
sent = open(sys.argv[2], encoding="utf-8").read().splitlines()
starts = ["Nueva palabra: ", "Bien: ", "No está "]
if [s for s in sent if any(s.startswith(w) for w in starts)] != sent or len(sent) != 3:
    sys.exit(f"the game sent {sent!r}, expected a new word, a hit and a miss")
want = ["notification " + s for s in sent]
at = 0
for line in spoken:
    if at < len(want) and line == want[at]:
        print("matched:", line)
        at += 1
if at < len(want):
    sys.exit(f"Orca never spoke {want[at]!r}")
PYEOF
kill_program
log "PASS"
