#!/usr/bin/env bash
# Screenshots of the keyboard's focus mark for the README, taken from the
# real game under Xvfb: the mark on the yellow round button "Sonido" and on
# "wali" of the completion panel, each cropped around the control and shown
# at twice its size.
#
# usage: tools/focus_mark_screenshots.sh <path-to-korivanta> <work-dir> [docs-dir]
set -u -o pipefail
DOCS=$(cd "$(dirname "$0")/.." && pwd)/docs
[[ $# -ge 3 ]] && DOCS=$(readlink -f "$3")
export KORIVANTA_DOCS_DIR=${KORIVANTA_DOCS_DIR:-$DOCS}
source "$(dirname "$0")/../tests/e2e/lib/common.sh"
e2e_setup_accessible "$@"
DOCS=$KORIVANTA_DOCS_DIR

keys() { timeout 10 xdotool key --delay 120 "$@" || fail "xdotool key $*"; sleep 0.5; }

# crop_control NAME OUT [CONTAINER]: the last screenshot around a control,
# with a margin, at 200%.
crop_control() {
    local x y w h m=24
    read -r x y w h <<<"$(game_rect "$1" ${3:-})"
    timeout 20 convert "$SHOT" -crop "$((w + 2 * m))x$((h + 2 * m))+$((x - m))+$((y - m))" +repage \
        -scale 200% "$2" || fail "cannot crop $1"
    log "wrote $2"
}

start_program
at wait-app 20 || fail "the program is not on the accessibility bus"
MENU=$(find_window "$MENU_TITLE" 20)
timeout 5 xdotool windowfocus --sync "$MENU" || fail "cannot focus the menu"
keys Down Return # Naturaleza, Aceptar
GAME=$(find_window "$GAME_TITLE" 20)
timeout 5 xdotool windowfocus --sync "$GAME" || fail "cannot focus the game"
sleep 1
keys Tab # onto Sonido
shot "$GAME" sonido
crop_control Image2 "$DOCS/foco_boton.png"

keys Escape # back to the keys
timeout 20 xdotool type --delay 150 "$(nth_word naturaleza 1)" || fail "xdotool type"
keys Return
wait_until 20 "the completion panel" at has "push button" wali
keys shift+Tab # the last of the buttons: wali
shot "$GAME" wali
crop_control Command1 "$DOCS/foco_wali.png" Picture1
kill_program
log "PASS"
