#!/usr/bin/env bash
# Hostile media files with a real sound device. Each case starts the real game
# on a copy of the data folder in which the words' picture and sound, the
# sound of the grapheme "a" or the instruction animation are replaced by a
# hostile file or name: WAVs at 2, 10 and 25 Hz, cut short or lying about
# their size, named pipes, a GIF that is a symbolic link to /dev/zero, a tiny
# GIF with a 5000 x 5000 canvas and 50 frames, symbolic links out of the
# folder, names that climb with "..", and names on drive D. The case opens the
# game window (picture and animation), plays the word's sound with *Sonido*
# and the key "a", and checks: the program is still running, it wrote a
# warning on stderr, the window still answers (Volver brings the menu back),
# Salir ends it with status 0 within 2 s, and strace saw no file opened
# outside the data folders (drive C and the working folder).
#
# A PulseAudio server with a null sink, started here, is the sound device:
# without a device no WAV is ever decoded.
#
# usage: hostile_media.sh <path-to-korivanta> <work-dir>
# KORIVANTA_HOSTILE_CASES="wav_2hz climb" runs only the cases named.
set -u -o pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_setup "$@"

for tool in pulseaudio pactl strace sqlite3 mkfifo; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (see tools/packages.txt)"
done

# The program runs under strace: ending it means ending the traced program
# (whose ids name the trace files) as well as strace.
kill_program() {
    local f pid
    for f in "${CASE:-/nonexistent}"/trace.*; do
        pid=${f##*.}
        # Only while that id is still this case's program.
        [[ -e $f && $(readlink "/proc/$pid/exe" 2>/dev/null) == "$CASE/korivanta" ]] && kill -9 "$pid" 2>/dev/null
    done
    if [[ -n $E2E_PID ]] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill "$E2E_PID" 2>/dev/null
        sleep 0.3
        kill -9 "$E2E_PID" 2>/dev/null
    fi
    E2E_PID=""
}

DRIVE_C=$(drive_c_of "$E2E_BIN")
[[ -f $DRIVE_C/Trab_zumel/diccionario.mdb ]] || fail "no data folder beside the program: $DRIVE_C"

# --- the sound server -------------------------------------------------------
PULSE_DIR=$E2E_WORK/pulse
mkdir -p "$PULSE_DIR"
chmod 700 "$PULSE_DIR"
HOME=$PULSE_DIR XDG_RUNTIME_DIR=$PULSE_DIR DISPLAY= \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    -L "module-null-sink sink_name=nullsink" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_DIR/pa" >"$PULSE_DIR/log" 2>&1 &
PULSE_PID=$!
trap 'kill_program; kill "$PULSE_PID" 2>/dev/null' EXIT
for _ in $(seq 100); do
    [[ -S $PULSE_DIR/pa ]] && break
    sleep 0.1
done
[[ -S $PULSE_DIR/pa ]] || fail "pulseaudio did not start: $(tail -n 5 "$PULSE_DIR/log")"
export PULSE_SERVER=unix:$PULSE_DIR/pa
timeout 10 pactl list short sinks | grep -q nullsink || fail "no null sink on the sound server"
log "sound server up (pid $PULSE_PID)"

# --- hostile files ----------------------------------------------------------
# make_file KIND PATH: writes one hostile file.
make_file() {
    "$E2E_PY" - "$1" "$2" <<'EOF'
import struct, sys

kind, path = sys.argv[1], sys.argv[2]

def wav(rate, channels=1, bits=16, frames=2000, data_size=None, cut=None):
    data = bytes(frames * channels * bits // 8)
    size = len(data) if data_size is None else data_size
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", size) + data
    out = b"RIFF" + struct.pack("<I", len(body)) + body
    return out if cut is None else out[:cut]

def huge_gif(side=5000, frames=50):
    out = b"GIF89a" + struct.pack("<HHBBB", side, side, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
    out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\0\0\0"
    for i in range(frames):
        out += b"\x21\xf9\x04\x00\x0a\x00\x00\x00"
        out += b"\x2c" + struct.pack("<HHHHB", i % side, 0, 1, 1, 0)
        out += b"\x02\x02\x44\x01\x00"  # one pixel of colour 0: clear, 0, end
    return out + b"\x3b"

files = {
    "wav_2hz": lambda: wav(2),
    "wav_10hz": lambda: wav(10),
    "wav_25hz": lambda: wav(25),
    "wav_cut": lambda: wav(22050, frames=22050, cut=3000),
    "wav_data_lie": lambda: wav(22050, data_size=0x7FFFFFF0),
    "wav_channels_lie": lambda: wav(22050, channels=200),
    "wav_good": lambda: wav(22050, frames=4410),
    "huge_gif": huge_gif,
}
with open(path, "wb") as f:
    f.write(files[kind]())
EOF
}

# The local name of a program path under a drive C (first match, any case).
local_file() {
    local root=$1 rest=$2 part found dir=$1
    IFS='\' read -r -a parts <<<"$rest"
    for part in "${parts[@]}"; do
        [[ -n $part ]] || continue
        found=$(find "$dir" -maxdepth 1 -mindepth 1 -iname "$part" -print -quit)
        [[ -n $found ]] || found=$dir/$part
        dir=$found
    done
    echo "$dir"
}

KEY_A=$("$E2E_PY" -c 'import json,sys; print([k["grapheme"] for k in json.load(open(sys.argv[1]))["keys"]].index("a"))' "$E2E_TABLES") ||
    fail "no key for the grapheme a"

# prepare_case NAME: a copy of the program beside a copy of the data folder,
# a working folder, a drive D beside drive C and an "outside" folder with
# files a hostile name might reach. Leaves CASE, C (drive C) and DB set.
prepare_case() {
    CASE=$E2E_WORK/$1
    rm -rf "$CASE"
    mkdir -p "$CASE/work" "$CASE/drive_d" "$CASE/outside"
    CASE=$(realpath "$CASE")
    cp "$E2E_BIN" "$CASE/korivanta" || fail "cannot copy the program"
    cp -r "$DRIVE_C" "$CASE/drive_c" || fail "cannot copy the data folder"
    C=$CASE/drive_c
    DB=$C/Trab_zumel/diccionario.mdb
    make_file wav_good "$CASE/outside/secreto.wav"
    make_file wav_good "$CASE/drive_d/secreto.wav"
    cp "$(local_file "$C" 'Trab_zumel\la_mano.gif')" "$CASE/outside/secreto.gif"
    printf 'secreto\n' >"$CASE/outside/secreto.txt"
    GRAPHEME_A=$(local_file "$C" 'Trab_zumel\grafemario\a.wav')
    INSTRUCTIONS_GIF=$(local_file "$C" 'Trab_zumel\animaciones\anima_adivina.gif')
    [[ -f $GRAPHEME_A && -f $INSTRUCTIONS_GIF ]] || fail "the data folder lacks a.wav or anima_adivina.gif"
}

# set_word_media DIBUJO SONIDO: every word names this picture and this sound.
set_word_media() {
    local d=${1//\'/\'\'} s=${2//\'/\'\'}
    timeout 10 sqlite3 "$DB" "UPDATE nominal SET dibujo = '$d', sonido = '$s';" || fail "cannot change the words"
}

# The paths the program opened that lie under the case's folder but outside
# drive C and the working folder, or that are one of the outside targets;
# each path with its links followed and ".." taken away, as the files lie now.
opened_outside() {
    local path real
    cat "$CASE"/trace.* 2>/dev/null |
        sed -n 's/^[a-z0-9_]*(\(AT_FDCWD, \)\{0,1\}"\([^"]*\)".* = [0-9][0-9]*$/\2/p' | sort -u |
        while IFS= read -r path; do
            [[ $path == /* ]] || path=$CASE/work/$path
            case $path in
            "$CASE"/* | /etc/passwd | /dev/zero) ;;
            *) continue ;;
            esac
            real=$(realpath -m -- "$path")
            case $real in
            "$C" | "$C"/* | "$CASE"/work | "$CASE"/work/* | "$CASE"/korivanta) ;;
            "$CASE"/* | /etc/passwd | /dev/zero) echo "$path ($real)" ;;
            esac
        done | sort -u
}

# run_case NAME DESCRIPTION: starts the prepared copy under strace from its
# working folder, opens the game window, plays the word's sound and the key
# "a", then checks what the header promises.
run_case() {
    local name=$1 what=$2
    log "case $name: $what"
    E2E_RUN_NO=$((${E2E_RUN_NO:-0} + 1))
    E2E_STDERR=$CASE/stderr.txt
    # No session bus: a bus started on demand would outlive the program
    # under strace -f.
    (cd "$CASE/work" && DBUS_SESSION_BUS_ADDRESS=unix:path=$CASE/no-bus exec strace -f -ff -qq -e trace=open,openat,openat2,creat -o "$CASE/trace" \
        "$CASE/korivanta" >"$CASE/stdout.txt" 2>"$E2E_STDERR") &
    E2E_PID=$!

    local menu game x y w h
    menu=$(find_window "$MENU_TITLE" 30)
    menu_click "$menu" Command1
    game=$(find_window "$GAME_TITLE" 30)
    assert_running "$name: the game window opened"
    bare_hover "$game"
    game_click "$game" Image2
    game_click "$game" Image2
    read -r x y w h <<<"$(key_rect "$KEY_A")"
    click "$game" $((x + w / 2)) $((y + h / 2))
    sleep 1
    assert_running "$name: sounds played"
    shot "$game" "${name}_game"

    # The window still answers: Volver brings the menu back.
    game_click "$game" Image40
    wait_gone "$GAME_TITLE" 10
    menu=$(find_window "$MENU_TITLE" 10)
    assert_running "$name: back on the menu"
    menu_click "$menu" Command2
    wait_exit 2
    ((E2E_STATUS == 0)) || fail "$name: Salir ended the program with status $E2E_STATUS"

    grep -q '^korivanta: aviso: ' "$E2E_STDERR" || fail "$name: no warning on stderr"
    log "$name: $(grep -c '^korivanta: aviso: ' "$E2E_STDERR") warnings, e.g. $(grep -m 1 '^korivanta: aviso: ' "$E2E_STDERR")"
    local outside
    outside=$(opened_outside)
    [[ -z $outside ]] || fail "$name: files opened outside the data folders: $outside"
}

# --- the cases --------------------------------------------------------------
# want NAME: whether the case is to run.
want() { [[ -z ${KORIVANTA_HOSTILE_CASES:-} || " $KORIVANTA_HOSTILE_CASES " == *" $1 "* ]]; }

WORD_PICTURE='c:\Trab_zumel\dibujos\hostil.bmp'
WORD_SOUND='c:\Trab_zumel\sonido\hostil.wav'

for kind in wav_2hz wav_10hz wav_25hz wav_cut wav_data_lie wav_channels_lie; do
    want "$kind" || continue
    prepare_case "$kind"
    make_file "$kind" "$(local_file "$C" 'Trab_zumel\sonido')/hostil.wav"
    make_file "$kind" "$GRAPHEME_A"
    set_word_media '' "$WORD_SOUND"
    run_case "$kind" "a hostile WAV as the word's sound and as the key a's"
done

if want fifo_picture; then
    prepare_case fifo_picture
    mkfifo "$(local_file "$C" 'Trab_zumel\dibujos')/hostil.bmp"
    set_word_media "$WORD_PICTURE" ''
    run_case fifo_picture "a named pipe as the word's picture"
fi

if want fifo_wav; then
    prepare_case fifo_wav
    mkfifo "$(local_file "$C" 'Trab_zumel\sonido')/hostil.wav"
    rm -f "$GRAPHEME_A" && mkfifo "$GRAPHEME_A"
    set_word_media '' "$WORD_SOUND"
    run_case fifo_wav "a named pipe as the word's sound and as the key a's"
fi

if want fifo_gif; then
    prepare_case fifo_gif
    rm -f "$INSTRUCTIONS_GIF" && mkfifo "$INSTRUCTIONS_GIF"
    run_case fifo_gif "a named pipe as the instruction animation"
fi

if want dev_zero_gif; then
    prepare_case dev_zero_gif
    rm -f "$INSTRUCTIONS_GIF" && ln -s /dev/zero "$INSTRUCTIONS_GIF"
    run_case dev_zero_gif "the instruction animation a symbolic link to /dev/zero"
fi

if want huge_gif; then
    prepare_case huge_gif
    make_file huge_gif "$INSTRUCTIONS_GIF"
    run_case huge_gif "the instruction animation a $(stat -c %s "$INSTRUCTIONS_GIF")-byte GIF of 5000 x 5000 with 50 frames"
fi

if want symlink_out; then
    prepare_case symlink_out
    ln -s "$CASE/outside/secreto.wav" "$(local_file "$C" 'Trab_zumel\sonido')/hostil.wav"
    ln -s "$CASE/outside/secreto.gif" "$(local_file "$C" 'Trab_zumel\dibujos')/hostil.bmp"
    rm -f "$INSTRUCTIONS_GIF" && ln -s "$CASE/outside/secreto.gif" "$INSTRUCTIONS_GIF"
    ln -s "$CASE/outside" "$C/Trab_zumel/fuera"
    rm -f "$GRAPHEME_A" && ln -s ../fuera/secreto.wav "$GRAPHEME_A"
    set_word_media "$WORD_PICTURE" "$WORD_SOUND"
    run_case symlink_out "symbolic links that lead out of the data folder"
fi

if want symlink_folder_out; then
    prepare_case symlink_folder_out
    set_word_media 'c:\Trab_zumel\fuera\secreto.gif' 'C:\TRAB_ZUMEL\FUERA\SECRETO.WAV'
    ln -s "$CASE/outside" "$C/Trab_zumel/fuera"
    run_case symlink_folder_out "a linked folder that leads out of the data folder"
fi

if want climb; then
    prepare_case climb
    set_word_media 'c:\..\..\outside\secreto.gif' '..\outside\secreto.wav'
    run_case climb "names that climb out with .."
fi

if want climb_far; then
    prepare_case climb_far
    set_word_media '..\..\..\..\..\..\..\..\..\..\etc\passwd' '..\..\..\..\..\..\..\..\..\..\etc\passwd'
    run_case climb_far "names that climb to /etc/passwd"
fi

if want drive_d; then
    prepare_case drive_d
    set_word_media 'D:\secreto.gif' 'd:\secreto.wav'
    cp "$CASE/outside/secreto.gif" "$CASE/drive_d/secreto.gif"
    run_case drive_d "names on drive D"
fi

e2e_finish
