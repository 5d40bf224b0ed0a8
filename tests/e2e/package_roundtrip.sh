#!/usr/bin/env bash
# Debian package round trip: makes the .deb with CPack, installs it with
# apt-get, checks the installed files, plays a moment of the installed game
# under Xvfb (menu -> "Aceptar" -> game window -> one key), then removes the
# package again.
#
#   bash package_roundtrip.sh <path-to-korivanta> <work-dir>
#
# The build folder is the parent of the folder that holds korivanta. The
# package is always removed again on the way out, whether the run passed or not.
set -uo pipefail

MENU_TITLE='SOFTWARE EDUCATIVO (Versión Demo)'
GAME_TITLE='Conocer Objetos'
# "Aceptar" (Command1) on the menu window, in twips: left, top, width, height.
ACEPTAR_TWIPS=(3840 3000 1215 375)
WAIT_WINDOW=30 # seconds for a window to appear

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

px() { echo $((($1 + 7) / 15)); }

# The centre of a rectangle given in twips, in pixels: "X Y".
centre() {
    echo "$(($(px "$1") + $(px "$3") / 2)) $(($(px "$2") + $(px "$4") / 2))"
}

# Regular expression that matches exactly the window title $1.
title_regex() {
    printf '^%s$' "$(printf '%s' "$1" | sed 's/[][()\\.^$*+?{}|]/\\&/g')"
}

wait_window() {
    local title=$1 wid
    wid=$(timeout "$WAIT_WINDOW" xdotool search --sync --onlyvisible --name "$(title_regex "$title")" | head -n 1)
    [ -n "$wid" ] || return 1
    echo "$wid"
}

# A digest of the pixels of the area $2 (WxH+X+Y) of the picture $1.
counter_pixels() {
    convert "$1" -crop "$2" +repage rgb:- | md5sum
}

# ---------------------------------------------------------------------------
# Second stage, run inside xvfb-run: drives the installed program.
#   bash package_roundtrip.sh --drive <program> <work-dir> <key-x> <key-y> <counters>
# <counters> is the ImageMagick crop geometry (WxH+X+Y) of the score and tries.
drive() {
    local program=$1 work=$2 key_x=$3 key_y=$4 counters=$5
    local log=$work/korivanta.log

    env -u QT_QPA_PLATFORM "$program" >"$log" 2>&1 &
    local pid=$!
    # shellcheck disable=SC2064
    trap "kill $pid 2>/dev/null; sleep 0.5; kill -9 $pid 2>/dev/null" EXIT

    local menu
    menu=$(wait_window "$MENU_TITLE") ||
        { cat "$log" >&2; fail "the menu window \"$MENU_TITLE\" did not appear within ${WAIT_WINDOW}s"; }
    echo "menu window: $menu"
    import -window "$menu" "$work/menu.png" || echo "note: no screenshot of the menu"

    read -r ax ay < <(centre "${ACEPTAR_TWIPS[@]}")
    xdotool mousemove --window "$menu" "$ax" "$ay" click 1 || fail "cannot click \"Aceptar\""

    local game
    game=$(wait_window "$GAME_TITLE") ||
        { cat "$log" >&2; fail "the game window \"$GAME_TITLE\" did not appear within ${WAIT_WINDOW}s after \"Aceptar\""; }
    echo "game window: $game"
    sleep 1
    import -window "$game" "$work/game-before.png" || fail "cannot take a screenshot of the game window"
    xdotool mousemove --window "$game" "$key_x" "$key_y" click 1 || fail "cannot click key \"A\""
    sleep 1
    import -window "$game" "$work/game.png" || fail "cannot take a screenshot of the game window"

    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "the installed program ended after the key was pressed"; }
    if grep -q '^korivanta: Error' "$log"; then
        cat "$log" >&2
        fail "the installed program reported an error"
    fi
    if [ "$(counter_pixels "$work/game-before.png" "$counters")" = "$(counter_pixels "$work/game.png" "$counters")" ]; then
        fail "pressing key \"A\" changed neither the score nor the tries (compare $work/game-before.png and $work/game.png)"
    fi
    echo "screenshot: $work/game.png"
}

if [ "${1:-}" = "--drive" ]; then
    shift
    drive "$@"
    exit $?
fi

# ---------------------------------------------------------------------------
# First stage: package, install, check, run, remove.
[ $# -eq 2 ] || { echo "usage: $0 <path-to-korivanta> <work-dir>" >&2; exit 2; }
korivanta=$(readlink -f "$1")
work=$2
build_dir=$(dirname "$(dirname "$korivanta")")

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "SKIP: installing a Debian package needs root and apt-get"
    exit 0
fi
for tool in cpack dpkg-deb dpkg-query desktop-file-validate appstreamcli xvfb-run xdotool import identify convert md5sum timeout /usr/bin/python3; do
    command -v "$tool" >/dev/null || fail "missing tool: $tool (see tools/packages.txt)"
done
[ -f "$build_dir/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $build_dir"

installed() {
    [ "$(dpkg-query -W -f='${Status}' korivanta 2>/dev/null)" = "install ok installed" ]
}
if installed; then
    fail "the korivanta package is already installed; remove it first (apt-get purge korivanta)"
fi

rm -rf "$work"
mkdir -p "$work/packages" "$work/runtime"
chmod 0700 "$work/runtime"
work=$(readlink -f "$work")

cleanup() {
    if [ -n "$(dpkg-query -W -f='${Status}' korivanta 2>/dev/null)" ]; then
        echo "cleanup: purging the korivanta package"
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 purge -y -qq korivanta >/dev/null 2>&1 ||
            echo "cleanup: could not purge korivanta" >&2
    fi
}
trap cleanup EXIT

echo "== packaging in $build_dir"
(cd "$build_dir" && timeout 300 cpack -G DEB -B "$work/packages") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
shopt -s nullglob
debs=("$work"/packages/korivanta_*.deb)
shopt -u nullglob
[ ${#debs[@]} -eq 1 ] || fail "expected one korivanta_*.deb in $work/packages, found ${#debs[@]}"
deb=${debs[0]}
echo "package: $deb"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libqt6widgets6 libqt6sql6-sqlite qt6-image-formats-plugins fonts-liberation fonts-dejavu-core fonts-comic-neue; do
    [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "the package does not depend on $dep"
done

echo "== installing"
(cd "$work/packages" && DEBIAN_FRONTEND=noninteractive timeout 300 apt-get -o DPkg::Lock::Timeout=120 install -y ./korivanta_*.deb) \
    >"$work/apt-install.log" 2>&1 || { cat "$work/apt-install.log" >&2; fail "apt-get install of the package failed"; }
installed || fail "apt-get reported success but korivanta is not installed"

for f in /usr/bin/korivanta /usr/share/korivanta/drive_c/Trab_zumel/diccionario.mdb \
    /usr/share/applications/bo.korivanta.korivanta.desktop /usr/share/metainfo/bo.korivanta.korivanta.metainfo.xml \
    /usr/share/man/man1/korivanta.1.gz /usr/share/man/man1/korivanta-palabras.1.gz /usr/share/doc/korivanta/copyright \
    /usr/bin/korivanta-editor /usr/share/applications/bo.korivanta.editor.desktop \
    /usr/share/man/man1/korivanta-editor.1.gz; do
    [ -f "$f" ] || fail "not installed: $f"
done
[ -x /usr/bin/korivanta ] || fail "/usr/bin/korivanta is not executable"
# The installed word editor starts and stays up (ended by the timeout: 124).
QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/korivanta-editor >"$work/editor.log" 2>&1
[ $? -eq 124 ] || { cat "$work/editor.log" >&2; fail "the installed korivanta-editor did not keep running"; }
for n in 16 32 48 64 128 256; do
    icon=/usr/share/icons/hicolor/${n}x${n}/apps/korivanta.png
    [ -f "$icon" ] || fail "not installed: $icon"
    size=$(identify -format '%wx%h' "$icon") || fail "cannot read $icon"
    [ "$size" = "${n}x${n}" ] || fail "$icon is $size, not ${n}x${n}"
done
desktop-file-validate /usr/share/applications/bo.korivanta.korivanta.desktop ||
    fail "desktop-file-validate rejects the installed bo.korivanta.korivanta.desktop"
appstreamcli validate --no-net /usr/share/metainfo/bo.korivanta.korivanta.metainfo.xml ||
    fail "appstreamcli rejects the installed metainfo file"

# Where to click and where to look, from the program's own layout tables: the
# centre of key "A", and the score and tries boxes (Text3, Text4), one of which
# changes when a key press is handled (a hit adds points, a miss costs a try).
tables=$build_dir/bin/korivanta-tables
[ -x "$tables" ] || fail "no $tables to read the game layout from"
"$tables" "$work/tables.json" || fail "korivanta-tables failed"
read -r key_x key_y counters < <(/usr/bin/python3 -c '
import json, sys
t = json.load(open(sys.argv[1]))
px = lambda v: (v + 7) // 15
key = next(k for k in t["keys"] if k["letters"] == "A")
boxes = [t["controls"][n] for n in ("Text3", "Text4")]
left = min(px(b["left"]) for b in boxes)
top = min(px(b["top"]) for b in boxes)
right = max(px(b["left"]) + px(b["width"]) for b in boxes)
bottom = max(px(b["top"]) + px(b["height"]) for b in boxes)
print(px(key["left"]) + px(key["width"]) // 2, px(key["top"]) + px(key["height"]) // 2,
      f"{right - left}x{bottom - top}+{left}+{top}")
' "$work/tables.json") || fail "cannot read the game layout from $work/tables.json"

echo "== running the installed program"
XDG_RUNTIME_DIR=$work/runtime timeout 180 \
    xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" --drive /usr/bin/korivanta "$work" "$key_x" "$key_y" "$counters" ||
    fail "the installed program did not play (see above)"

echo "== removing"
DEBIAN_FRONTEND=noninteractive timeout 300 apt-get -o DPkg::Lock::Timeout=120 remove -y korivanta >"$work/apt-remove.log" 2>&1 ||
    { cat "$work/apt-remove.log" >&2; fail "apt-get remove korivanta failed"; }
! installed || fail "korivanta is still installed after apt-get remove"
[ ! -e /usr/bin/korivanta ] || fail "/usr/bin/korivanta is still there after apt-get remove"
[ ! -e /usr/share/korivanta/drive_c/Trab_zumel/diccionario.mdb ] ||
    fail "the words database is still there after apt-get remove"
# The school's words folder, made on installation, goes only with a purge.
DEBIAN_FRONTEND=noninteractive timeout 300 apt-get -o DPkg::Lock::Timeout=120 purge -y korivanta >"$work/apt-purge.log" 2>&1 ||
    { cat "$work/apt-purge.log" >&2; fail "apt-get purge korivanta failed"; }
[ ! -e /var/lib/korivanta ] || fail "/var/lib/korivanta is still there after apt-get purge"

echo "PASS: package built, installed, played and removed"
