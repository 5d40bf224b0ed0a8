#!/bin/bash
# Makes docs/editor-dialogo.png: the word editor's "Importar paquete" file
# dialog, with Qt's own texts in Spanish, on a virtual screen.
#   tools/docs/editor_file_dialog.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export KORIVANTA_ESCUELA=$work/escuela LANG=C.UTF-8
Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
trap 'kill "$pid" "$xpid" 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=:77
sleep 1
# The dialog opens in the current folder: one with a class's packs in it.
export HOME=$work/maestra
mkdir -p "$HOME/Documentos"
for name in clase-3a animales-del-altiplano colores; do
    : >"$HOME/Documentos/$name.korivanta"
done
(cd "$HOME/Documentos" && exec "$build/bin/korivanta-editor") >/dev/null 2>&1 &
pid=$!
for _ in $(seq 50); do
    win=$(xdotool search --name "Palabras de la escuela" 2>/dev/null | head -n 1) && [[ -n $win ]] && break
    sleep 0.2
done
[[ -n ${win:-} ]] || { echo "no editor window" >&2; exit 1; }
xdotool windowfocus --sync "$win" key --clearmodifiers alt+i
dialog=
for _ in $(seq 50); do
    dialog=$(xdotool search --name "Importar paquete de palabras" 2>/dev/null | head -n 1) && [[ -n $dialog ]] && break
    sleep 0.2
done
[[ -n $dialog ]] || { echo "no file dialog" >&2; exit 1; }
sleep 1
import -window "$dialog" "$root/docs/editor-dialogo.png"
echo "$root/docs/editor-dialogo.png"
