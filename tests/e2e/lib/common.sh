# Shared functions of the end-to-end scripts (sourced, not run).
#
# A script calls `e2e_setup "$@"` first: with its arguments <korivanta> <work-dir>
# it starts again inside its own Xvfb server, prepares the work dir, and from
# then on every helper below is time-bound and every failure kills the program
# and ends the script with a message and a non-zero status.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_PY=/usr/bin/python3
E2E_HELPER="$E2E_LIB_DIR/e2e_helper.py"

# The titles the windows must carry, exactly.
MENU_TITLE='SOFTWARE EDUCATIVO (Versión Demo)'
GAME_TITLE='Conocer Objetos'
ERROR_BOX_TITLE='KORIVANTA'

# Where the game window's client area sits on the screen, and its size (pixels).
GAME_X=79
GAME_Y=38
GAME_W=707
GAME_H=543
MENU_W=385
MENU_H=239

# The menu's controls (twips: left top width height). The menu is not part of
# the tables that korivanta-tables dumps, so its few rectangles are kept here.
declare -A MENU_CONTROL=(
    [Option1]="2640 960 1935 375"   # Naturaleza
    [Option2]="2640 1320 1935 495"  # Animales
    [Option3]="2640 1800 1935 255"  # Colores
    [Option4]="2640 2040 1935 495"  # Insectos
    [Option5]="2640 2520 1935 255"  # Personas
    [Command1]="3840 3000 1215 375" # Aceptar
    [Command2]="2160 3000 1215 375" # Salir
)

# Colours the checks look for.
MASK_GREEN="192 255 192"     # background of the mask box Text5
PANEL_YELLOW="255 255 128"   # background of the grapheme panel Frame2
MENU_BACKGROUND="255 224 192"

E2E_PID=""
E2E_SHOT_NO=0
E2E_DEFERRED=()

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    if [[ -n ${E2E_MAIN_PID:-} && $BASHPID != "$E2E_MAIN_PID" ]]; then
        # Inside a command substitution or pipeline: end the script itself.
        kill -USR1 "$E2E_MAIN_PID"
        exit 1
    fi
    if [[ -n ${E2E_STDERR:-} && -s $E2E_STDERR ]]; then
        printf -- '--- program stderr ---\n' >&2
        grep -v '^QSoundEffect(qaudio): Error decoding source' "$E2E_STDERR" | tail -n 30 >&2
    fi
    kill_program
    exit 1
}

kill_program() {
    if [[ -n $E2E_PID ]] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill "$E2E_PID" 2>/dev/null
        sleep 0.5
        kill -9 "$E2E_PID" 2>/dev/null
    fi
    E2E_PID=""
}

# Starts the script again under its own X server, then prepares the work dir.
# e2e_setup for scripts that read the program through the accessibility bus:
# inside Xvfb the script starts again in a D-Bus session of its own, and the
# program runs with Qt's accessibility on. `at ARGS` runs lib/atspi_tool.py.
e2e_setup_accessible() {
    if [[ ${KORIVANTA_E2E_INSIDE:-} == 1 && -z ${KORIVANTA_E2E_DBUS:-} ]]; then
        export KORIVANTA_E2E_DBUS=1
        exec dbus-run-session -- bash "$0" "$@"
    fi
    e2e_setup "$@"
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    AT="$E2E_LIB_DIR/atspi_tool.py"
}
at() { timeout 20 "$E2E_PY" "$AT" "$@"; }

e2e_setup() {
    if (($# < 2)); then
        echo "usage: $0 <path-to-korivanta> <work-dir>" >&2
        exit 2
    fi
    if [[ ${KORIVANTA_E2E_INSIDE:-} != 1 ]]; then
        export KORIVANTA_E2E_INSIDE=1
        exec timeout -k 10 500 xvfb-run -a -s "-screen 0 ${E2E_SCREEN:-1280x1024x24}" bash "$0" "$@"
    fi
    unset KORIVANTA_E2E_INSIDE
    [[ -n ${DISPLAY:-} ]] || fail "no DISPLAY inside xvfb-run"

    E2E_BIN=$(readlink -f "$1")
    E2E_WORK=$2
    [[ -x $E2E_BIN ]] || fail "program not found or not executable: $1"
    rm -rf "$E2E_WORK"
    mkdir -p "$E2E_WORK/shots" "$E2E_WORK/runtime"
    E2E_WORK=$(cd "$E2E_WORK" && pwd)
    E2E_SHOTS=$E2E_WORK/shots
    chmod 700 "$E2E_WORK/runtime"
    export XDG_RUNTIME_DIR=$E2E_WORK/runtime

    E2E_TABLES=$E2E_WORK/tables.json
    local dumper
    dumper=$(dirname "$E2E_BIN")/korivanta-tables
    [[ -x $dumper ]] || fail "korivanta-tables not found beside the program: $dumper"
    timeout 20 "$dumper" "$E2E_TABLES" >/dev/null || fail "korivanta-tables failed"

    E2E_MAIN_PID=$BASHPID
    trap 'kill_program' EXIT
    trap 'kill_program; exit 1' USR1
    trap 'echo "FAIL: interrupted" >&2; kill_program; exit 1' INT TERM
    log "display $DISPLAY, work dir $E2E_WORK"
}

py() { timeout 60 "$E2E_PY" "$E2E_HELPER" "$@"; }

# The media root that the program will read, and the words database in it.
drive_c_of() { echo "$(dirname "$1")/drive_c"; }
words_db() { echo "$(drive_c_of "$E2E_BIN")/Trab_zumel/diccionario.mdb"; }

# start_program [binary]: runs the program with stdout and stderr to files
# numbered by run (stderr_1.txt, ...); E2E_STDERR names the current one.
start_program() {
    local bin=${1:-$E2E_BIN}
    E2E_RUN_NO=$((${E2E_RUN_NO:-0} + 1))
    E2E_STDERR=$E2E_WORK/stderr_$E2E_RUN_NO.txt
    "$bin" >"$E2E_WORK/stdout_$E2E_RUN_NO.txt" 2>"$E2E_STDERR" &
    E2E_PID=$!
    log "started $bin (pid $E2E_PID)"
}

# wait_exit SECONDS: waits for the program to end and sets E2E_STATUS.
wait_exit() {
    local limit=$1 i
    for ((i = 0; i < limit * 10; i++)); do
        kill -0 "$E2E_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$E2E_PID" 2>/dev/null && fail "the program did not end within $limit s"
    wait "$E2E_PID"
    E2E_STATUS=$?
    E2E_PID=""
    log "program ended with status $E2E_STATUS"
}

assert_running() {
    kill -0 "$E2E_PID" 2>/dev/null || {
        wait "$E2E_PID"
        local st=$?
        E2E_PID=""
        fail "the program ended unexpectedly (status $st) ${1:+while: $1}"
    }
}

# find_window TITLE [SECONDS]: the id of the visible window with exactly this title.
find_window() {
    local title=$1 limit=${2:-15} pattern wid
    pattern="^$(printf '%s' "$title" | sed 's/[][\\.*^$()+?{}|]/\\&/g')\$"
    wid=$(timeout "$limit" xdotool search --sync --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
    if [[ -z $wid ]]; then
        local shown
        shown=$(timeout 5 xdotool search --onlyvisible --name '.' 2>/dev/null | while read -r w; do
            printf '"%s" ' "$(xdotool getwindowname "$w" 2>/dev/null)"
        done)
        fail "no visible window titled \"$title\" within $limit s (visible titles: ${shown:-none})"
    fi
    echo "$wid"
}

# check_title WID TITLE: the title the window manager shows (_NET_WM_NAME, as
# xdotool reads it) is exactly TITLE. A wrong title is recorded and the script
# goes on, so the checks after it still run; e2e_finish then fails.
check_title() {
    local shown
    shown=$(timeout 5 xdotool getwindowname "$1" 2>/dev/null)
    if [[ $shown != "$2" ]]; then
        printf 'FAIL (recorded, going on): window %s is titled "%s", expected exactly "%s"\n' "$1" "$shown" "$2" >&2
        E2E_DEFERRED+=("window titled \"$shown\", expected \"$2\"")
    fi
}

# e2e_finish: ends the script, failing if a check recorded a failure.
e2e_finish() {
    if ((${#E2E_DEFERRED[@]} > 0)); then
        printf 'FAIL: %s\n' "${E2E_DEFERRED[@]}" | sort -u >&2
        kill_program
        exit 1
    fi
    log "PASS: screenshots in $E2E_SHOTS"
    exit 0
}

# window_exists TITLE: true when a window (shown or not) has exactly this title.
window_exists() {
    local pattern
    pattern="^$(printf '%s' "$1" | sed 's/[][\\.*^$()+?{}|]/\\&/g')\$"
    [[ -n $(timeout 5 xdotool search --name "$pattern" 2>/dev/null) ]]
}

window_visible() {
    local pattern
    pattern="^$(printf '%s' "$1" | sed 's/[][\\.*^$()+?{}|]/\\&/g')\$"
    [[ -n $(timeout 5 xdotool search --onlyvisible --name "$pattern" 2>/dev/null) ]]
}

# wait_gone TITLE SECONDS: waits until no visible window has this title.
wait_gone() {
    local i
    for ((i = 0; i < $2 * 5; i++)); do
        window_visible "$1" || return 0
        sleep 0.2
    done
    fail "window \"$1\" still shown after $2 s"
}

# check_geometry WID X Y W H: the window's client area is at X,Y (screen) and W x H.
check_geometry() {
    local wid=$1 geo x y w h
    geo=$(timeout 5 xdotool getwindowgeometry --shell "$wid") || fail "cannot read the geometry of window $wid"
    x=$(sed -n 's/^X=//p' <<<"$geo")
    y=$(sed -n 's/^Y=//p' <<<"$geo")
    w=$(sed -n 's/^WIDTH=//p' <<<"$geo")
    h=$(sed -n 's/^HEIGHT=//p' <<<"$geo")
    if [[ $2 != - ]] && ((x != $2 || y != $3)); then
        fail "window $wid at $x,$y, expected $2,$3"
    fi
    ((w == $4 && h == $5)) || fail "window $wid is ${w}x$h, expected $4x$5"
}

# shot WID NAME: screenshot of the window into the shots folder, numbered in
# the order taken; its path is left in SHOT.
shot() {
    local wid=$1 name=$2
    E2E_SHOT_NO=$((E2E_SHOT_NO + 1))
    SHOT=$(printf '%s/%02d_%s.png' "$E2E_SHOTS" "$E2E_SHOT_NO" "$name")
    timeout 20 import -window "$wid" -depth 8 ppm:- 2>/dev/null | py topng - "$SHOT" ||
        fail "screenshot of window $wid ($name) failed"
}

# probe WID: a throw-away screenshot for polling; its path is left in PROBE.
probe() {
    PROBE=$E2E_WORK/probe.png
    timeout 20 import -window "$1" -depth 8 ppm:- 2>/dev/null | py topng - "$PROBE" || fail "screenshot of window $1 failed"
}

# click WID X Y: a left click at window pixel X,Y.
click() {
    timeout 10 xdotool mousemove --window "$1" "$2" "$3" click 1 || fail "xdotool click at $2,$3 failed"
    sleep 0.3
}

# hover WID X Y: moves the pointer there, in a few steps so the program sees movement.
hover() {
    local wid=$1 x=$2 y=$3
    timeout 10 xdotool mousemove --window "$wid" $((x - 3)) $((y - 3)) || fail "xdotool move failed"
    sleep 0.1
    timeout 10 xdotool mousemove --window "$wid" "$x" "$y" || fail "xdotool move failed"
    sleep 0.3
}

# Pixel rectangle of a menu control (twips from MENU_CONTROL).
menu_rect() {
    local r
    r=${MENU_CONTROL[$1]:-}
    [[ -n $r ]] || fail "unknown menu control $1"
    set -- $r
    echo $((($1 + 7) / 15)) $((($2 + 7) / 15)) $((($3 + 7) / 15)) $((($4 + 7) / 15))
}

menu_click() {
    local wid=$1 x y w h
    read -r x y w h <<<"$(menu_rect "$2")"
    # Options: click the round button near the left end; buttons: their centre.
    if [[ $2 == Option* ]]; then
        click "$wid" $((x + 8)) $((y + h / 2))
    else
        click "$wid" $((x + w / 2)) $((y + h / 2))
    fi
}

# game_rect NAME [CONTAINER] / game_centre NAME [CONTAINER]: from the tables, in pixels.
game_rect() { py rect "$E2E_TABLES" "$@" || fail "no rectangle for $*"; }
game_centre() { py centre "$E2E_TABLES" "$@" || fail "no centre for $*"; }
key_rect() { py key "$E2E_TABLES" "$1" || fail "no key $1"; }
key_grapheme() { "$E2E_PY" -c 'import json,sys; print(json.load(open(sys.argv[1]))["keys"][int(sys.argv[2])]["grapheme"])' "$E2E_TABLES" "$1"; }

game_click() {
    local x y
    read -r x y <<<"$(game_centre "${@:2}")"
    click "$1" "$x" "$y"
}

# A spot of the game window's bare surface inside the rectangle where pointer
# movement hides the instruction animation, away from every control.
BARE_X=80
BARE_Y=520

# bare_hover WID: moves over the bare surface (hides the instruction animation).
bare_hover() { hover "$1" "$BARE_X" "$BARE_Y"; }

# ratio_at_least / ratio_at_most VALUE LIMIT: VALUE >= LIMIT / VALUE <= LIMIT.
ratio_at_least() { "$E2E_PY" -c 'import sys; sys.exit(0 if float(sys.argv[1]) >= float(sys.argv[2]) else 1)' "$1" "$2"; }
ratio_at_most() { "$E2E_PY" -c 'import sys; sys.exit(0 if float(sys.argv[1]) <= float(sys.argv[2]) else 1)' "$1" "$2"; }

# colour_share PNG X Y W H "R G B" TOL
colour_share() { py colour "$1" "$2" "$3" "$4" "$5" $6 "${7:-0}"; }

# changed_share A B X Y W H
changed_share() { py changed "$@"; }

# wait_until SECONDS DESCRIPTION COMMAND...: polls COMMAND every 0.25 s.
wait_until() {
    local limit=$1 what=$2 end
    shift 2
    end=$((SECONDS + limit))
    while ((SECONDS <= end)); do
        "$@" && return 0
        sleep 0.25
    done
    fail "timed out after $limit s waiting for: $what"
}

# category_words CATEGORY_KEY: nom_ay of every row, in the order of the same
# query text the game sends for the category.
category_words() {
    local db
    db=$(words_db)
    [[ -f $db ]] || fail "words database not found: $db"
    timeout 10 sqlite3 -readonly -separator $'\t' "$db" "SELECT * from nominal where categoria='$1';" | cut -f1 ||
        fail "cannot read the words database"
}

# nth_word CATEGORY_KEY N: nom_ay of row N (from 1) of the category's query.
nth_word() {
    local word
    word=$(category_words "$1" | sed -n "$2p")
    [[ -n $word ]] || fail "category $1 has no word number $2"
    echo "$word"
}

# Whether the key pictures exist yet: checks on their look are strict only then.
key_pictures_built() {
    local build
    build=$(dirname "$(dirname "$E2E_BIN")")
    [[ -f $build/window_pictures/key_00_grey.bmp ]]
}

# no_error_lines: stderr has no line containing "Error".
#
# Tolerance while the asset pipeline has not made the sounds yet: Qt reports
# each sound file it cannot read as "QSoundEffect(qaudio): Error decoding
# source file://PATH"; such a line is let pass only while PATH does not exist.
# Once the sounds are there, the same line is a failure like any other.
no_error_lines() {
    local line path bad=0 missing=0
    while IFS= read -r line; do
        [[ $line == *Error* ]] || continue
        if [[ $line =~ ^QSoundEffect\(qaudio\):\ Error\ decoding\ source\ file://(/.*)$ ]]; then
            path=${BASH_REMATCH[1]}
            if [[ ! -e $path ]]; then
                missing=$((missing + 1))
                continue
            fi
        fi
        printf 'stderr: %s\n' "$line" >&2
        bad=1
    done <"$E2E_STDERR"
    ((missing == 0)) || log "tolerated: $missing sound files not made yet (QSoundEffect decoding errors)"
    ((bad == 0)) || fail "the program wrote an error on stderr"
}
