#!/usr/bin/env bash
# A teacher's word from the editor to a child's game on another computer: the
# word editor, on an empty school store over the built data folder, adds a
# word with a picture (chosen in the editor's file dialog) and a sound recorded
# from the microphone (a PulseAudio sine source) and saves it, then exports it into a word pack; the pack is imported into a second, empty school store with
# korivanta-palabras; the game, started on that second store, is played
# through the category up to the new word, whose picture fills the picture
# frame and whose mask has one dot per letter; Sonido then plays the word's
# own sound file (seen in the files the game opens, with a PulseAudio null
# sink as the sound device).
#
# usage: editor_to_game.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup_accessible "$@"
for tool in sox convert pulseaudio pactl strace sqlite3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (see tools/packages.txt)"
done
BIN_DIR=$(dirname "$E2E_BIN")
EDITOR=$BIN_DIR/korivanta-editor
WORD_TOOL=$BIN_DIR/korivanta-palabras
[[ -x $EDITOR && -x $WORD_TOOL ]] || fail "korivanta-editor or korivanta-palabras not beside $E2E_BIN"
ED="$E2E_LIB_DIR/atspi_editor.py"
ed() { timeout 30 "$E2E_PY" "$ED" "$@" || fail "editor: $*"; }

# The new word: in the category Insectos, after the package's words.
CATEGORY=insecto
NOM_AY=ch\'iwchi
NOM_ESP="pollito del maestro"
SCHOOL1=$E2E_WORK/escuela1
SCHOOL2=$E2E_WORK/escuela2
PICTURE=$E2E_WORK/pollito.png
PACK=$E2E_WORK/clase.korivanta
MAGENTA="255 0 255"
# The picture has the frame's shape, so the frame shows nothing but it.
read -r fx fy fw fh < <(game_rect Image4)
convert -size "$((fw * 2))x$((fh * 2))" "xc:rgb(255,0,255)" "$PICTURE" || fail "cannot draw the picture"

# --- the sound server: a null sink as speakers, a 440 Hz sine as microphone ---
PULSE_DIR=$E2E_WORK/pulse
mkdir -p "$PULSE_DIR"
chmod 700 "$PULSE_DIR"
HOME=$PULSE_DIR XDG_RUNTIME_DIR=$PULSE_DIR DISPLAY='' \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    -L "module-null-sink sink_name=nullsink" \
    -L "module-sine-source source_name=sine frequency=440" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_DIR/pa" >"$PULSE_DIR/log" 2>&1 &
PULSE_PID=$!
trap 'kill_program; kill "$PULSE_PID" 2>/dev/null' EXIT
wait_until 10 "the sound server" test -S "$PULSE_DIR/pa"
export PULSE_SERVER=unix:$PULSE_DIR/pa
timeout 10 pactl set-default-source sine || fail "cannot make the sine source the microphone"

# --- the editor --------------------------------------------------------------
export KORIVANTA_ESCUELA=$SCHOOL1
start_program "$EDITOR"
ed wait-app 20
ed press Agregar
ed set "Palabra en aymara" "$NOM_AY"
ed set "Palabra en castellano" "$NOM_ESP"
# The category: its list opens with a click and finds the key by its first letters.
read -r x y < <(ed centre-in "Categoría" "combo box")
xdotool mousemove "$x" "$y" click 1 || fail "cannot open the category list"
sleep 0.5
xdotool type --delay 80 "insecto" || fail "cannot type the category"
xdotool key Return || fail "cannot choose the category"
sleep 0.5
ed press "Elegir dibujo"
ed choose "Elegir dibujo" "$PICTURE" Abrir
# The sound: two seconds recorded from the microphone.
ed press "Grabar la voz"
sleep 2
ed press "Detener la grabación"
sleep 1.5
shot "$(xdotool search --onlyvisible --name '^Agregar palabra$' | head -n 1)" editor-form
ed press Guardar
school_rows() { sqlite3 -readonly "$SCHOOL1/palabras-escuela.db" "SELECT count(*) FROM nominal" 2>/dev/null; }
one_school_row() { [[ $(school_rows) == 1 ]]; }
wait_until 10 "the word in the school's words database" one_school_row
saved=$(sqlite3 -readonly -separator '|' "$SCHOOL1/palabras-escuela.db" "SELECT nom_ay, nom_esp, categoria FROM nominal")
[[ $saved == "$NOM_AY|$NOM_ESP|$CATEGORY" ]] || fail "the editor saved «$saved»"
log "saved: $saved"

# Export: the word is chosen in the list, then packed.
read -r x y < <(ed centre "$NOM_AY" "table cell")
xdotool mousemove "$x" "$y" click 1 || fail "cannot choose the word in the list"
sleep 0.5
ed press "Exportar paquete"
ed choose "Exportar paquete de palabras" "$PACK" Guardar
wait_until 10 "the pack" test -s "$PACK"
kill_program
log "exported $(stat -c %s "$PACK") bytes"

# --- the second computer -------------------------------------------------------
KORIVANTA_ESCUELA=$SCHOOL2 timeout 60 "$WORD_TOOL" importar "$PACK" >"$E2E_WORK/import.txt" 2>&1 ||
    { cat "$E2E_WORK/import.txt" >&2; fail "korivanta-palabras could not import the pack"; }
[[ $(sqlite3 -readonly "$SCHOOL2/drive_c/Trab_zumel/diccionario.mdb" \
    "SELECT count(*) FROM nominal WHERE nom_ay='ch''iwchi' AND categoria='$CATEGORY'") == 1 ]] ||
    fail "the second store's game words lack the pack's word"
stored_sound=$(sqlite3 -readonly "$SCHOOL2/palabras-escuela.db" "SELECT sonido FROM nominal")
relative=${stored_sound#c:\\}
sound_file=$SCHOOL2/drive_c/${relative//\\//}
[[ -f $sound_file ]] || fail "the pack's sound is not at $sound_file"
# The recording as the game plays it: 22050 Hz, mono, 16 bits, about the time
# between Grabar and Detener (a sine has no silence to trim).
format=$(soxi -r "$sound_file")/$(soxi -c "$sound_file")/$(soxi -b "$sound_file")
[[ $format == 22050/1/16 ]] || fail "the recorded sound is $format (rate/channels/bits)"
seconds=$(soxi -D "$sound_file")
ratio_at_least "$seconds" 1.0 || fail "the recorded sound lasts $seconds s"
ratio_at_most "$seconds" 8 || fail "the recorded sound lasts $seconds s"
log "recorded sound: $format, $seconds s"

# --- the game ------------------------------------------------------------------
export KORIVANTA_ESCUELA=$SCHOOL2
TRACE=$E2E_WORK/game.trace
E2E_RUN_NO=$((${E2E_RUN_NO:-0} + 1))
E2E_STDERR=$E2E_WORK/stderr_$E2E_RUN_NO.txt
strace -f -e trace=openat -o "$TRACE" "$E2E_BIN" >"$E2E_WORK/stdout_$E2E_RUN_NO.txt" 2>"$E2E_STDERR" &
# shellcheck disable=SC2034 # kill_program ends it
E2E_PID=$!
menu=$(find_window "$MENU_TITLE" 30)
menu_click "$menu" Option4 # Insectos
menu_click "$menu" Command1
game=$(find_window "$GAME_TITLE" 30)
# The category's words in the game's order, the new one last.
words=$E2E_WORK/words.tsv
sqlite3 -readonly -separator $'\t' "$SCHOOL2/drive_c/Trab_zumel/diccionario.mdb" \
    "SELECT nom_ay, nom_esp FROM nominal WHERE categoria='$CATEGORY';" >"$words" || fail "cannot read the words"
[[ $(tail -n 1 "$words") == "$NOM_AY"$'\t'"$NOM_ESP" ]] || fail "the new word is not the category's last"
timeout 240 "$E2E_PY" "$E2E_LIB_DIR/atspi_words.py" "$E2E_TABLES" "$words" ||
    fail "the game did not reach the new word (above)"
sleep 0.5
bare_hover "$game"
shot "$game" new-word
share=$(colour_share "$SHOT" "$fx" "$fy" "$fw" "$fh" "$MAGENTA" 40)
ratio_at_least "$share" 0.9 || fail "the picture frame is $share magenta, not the word's picture"
# The mask: one mask character per character of the word, none revealed.
mask=$(at text Palabra)
"$E2E_PY" -c '
import sys
mask, word = sys.argv[1].rstrip("\r\n"), sys.argv[2]
sys.exit(0 if len(mask) == len(word) and not set(mask) & set(word) else 1)' "$mask" "$NOM_AY" ||
    fail "the mask is «$mask», not a hidden «$NOM_AY»"
log "mask «$mask»"
# Sonido: the game opens the word's sound file once more to play it.
opens() { grep -cF "\"$sound_file\"" "$TRACE"; }
before=$(opens)
sleep 1
[[ $(opens) == "$before" ]] || fail "the game keeps opening the word's sound without Sonido"
at press Sonido || fail "cannot press Sonido"
opened_again() { (($(opens) > before)); }
wait_until 10 "the word's sound played by the game" opened_again
log "Sonido played $sound_file"
assert_running
e2e_finish
