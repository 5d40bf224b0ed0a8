#!/usr/bin/env bash
# The game window at QT_SCALE_FACTOR=1 and 2 on a real display. At scale 2
# every picture is drawn from its copy at twice the size, so a fixed crop of
# the scale-2 window (a row of keys, the board's caption, a round button, a
# chart letter, the word picture) differs clearly from the scale-1 crop
# pixel-doubled (ImageMagick -scale 200%), while shrunk to half it still
# matches the scale-1 crop closely (the same picture, in the same place). At
# scale 1 the program opens no @2x file. "--pantalla-grande" starts it scaled
# to fit the screen.
#
# usage: sharp_at_scale_two.sh <path-to-korivanta> <work-dir>
set -u -o pipefail
E2E_SCREEN=1920x1280x24 # room for the window at scale 2
source "$(dirname "$0")/lib/common.sh"
e2e_setup "$@"

CONVERT=/usr/bin/convert
COMPARE=/usr/bin/compare
command -v strace >/dev/null || fail "strace is not installed"

# The crops, in the window's logical pixels: NAME X Y W H (SHOT: game or chart).
read -r K0X K0Y _ KH <<<"$(key_rect 5)"    # the top row of keys, from key 5 ...
read -r K1X _ K1W _ <<<"$(key_rect 1)"     # ... to key 1
read -r L1X L1Y _ L1H <<<"$(game_rect Label1)"
read -r T5X T5Y _ T5H <<<"$(game_rect Text5)"
read -r BX BY BW BH <<<"$(game_rect Image40)"
read -r PX PY PW PH <<<"$(game_rect Image4)"
read -r CX CY CW CH <<<"$(py chart "$E2E_TABLES" 7)" # CHh
CROPS=(
    "keys game $K0X $K0Y $((K1X + K1W - K0X)) $KH"
    "caption game $((L1X - 62)) $((L1Y - 8)) 60 $((T5Y + T5H + 16 - L1Y))"
    "button game $BX $BY $BW $BH"
    "chart_letter chart $((CX - 4)) $((CY - 4)) $((CW + 8)) $((CH + 8))"
    "word_picture game $((PX + 2)) $((PY + 2)) $((PW - 4)) $((PH - 4))" # inside its thin border
)

# run_at SCALE: the game window's screenshots at that scale, the grapheme panel
# open in the second; SHOT_game_SCALE and SHOT_chart_SCALE name them.
run_at() {
    local s=$1 menu game x y w h
    export QT_SCALE_FACTOR=$s
    # Under strace, which writes every file the program (its main thread, where
    # pictures and animations are read) looks at to files_S.txt.
    E2E_RUN_NO=$((${E2E_RUN_NO:-0} + 1))
    E2E_STDERR=$E2E_WORK/stderr_$E2E_RUN_NO.txt
    strace -qq -e trace=open,openat,stat,newfstatat,statx,access -o "$E2E_WORK/files_$s.txt" \
        "$E2E_BIN" >"$E2E_WORK/stdout_$E2E_RUN_NO.txt" 2>"$E2E_STDERR" &
    E2E_PID=$!
    menu=$(find_window "$MENU_TITLE" 30)
    read -r x y w h <<<"$(menu_rect Command1)"
    click "$menu" $((s * (x + w / 2))) $((s * (y + h / 2)))
    game=$(find_window "$GAME_TITLE" 30)
    check_geometry "$game" $((s * GAME_X)) $((s * GAME_Y)) $((s * GAME_W)) $((s * GAME_H))
    sleep 1
    hover "$game" $((s * BARE_X)) $((s * BARE_Y))
    sleep 0.5
    shot "$game" "game_scale$s"
    printf -v "SHOT_game_$s" '%s' "$SHOT"
    read -r x y w h <<<"$(game_rect Image5)"
    click "$game" $((s * (x + w / 2))) $((s * (y + h / 2)))
    sleep 0.5
    shot "$game" "chart_scale$s"
    printf -v "SHOT_chart_$s" '%s' "$SHOT"
    assert_running "the game window at scale $s"
    # The program is strace's child: end it, and strace ends with it.
    local program
    program=$(pgrep -P "$E2E_PID" -x korivanta)
    if [[ -n $program ]]; then
        kill "$program"
        for _ in {1..25}; do
            kill -0 "$program" 2>/dev/null || break
            sleep 0.2
        done
        kill -9 "$program" 2>/dev/null
    fi
    wait_exit 10
}

# rmse A B: ImageMagick's normalised root-mean-square difference (0 to 1).
rmse() {
    local out
    out=$("$COMPARE" -metric RMSE "$1" "$2" null: 2>&1)
    [[ $out =~ \(([0-9.e+-]+)\) ]] || fail "compare gave no figure for $1 and $2: $out"
    echo "${BASH_REMATCH[1]}"
}

run_at 1
run_at 2

# centred S W H: the corner of the client area of a window of W x H logical
# pixels centred, frame included (40 pixels of title, 10 of borders), on this
# 1920 x 1280 screen at scale S; in screen pixels.
centred() {
    local s=$1 w=$2 h=$3
    echo $((s * ((1920 / s - w - 10) / 2 + 5))) $((s * ((1280 / s - h - 40) / 2 + 40)))
}

# The big-screen start picks scale 2 on this 1920 x 1280 screen by itself, and
# puts the menu and the game window in the middle of the screen.
unset QT_SCALE_FACTOR
E2E_RUN_NO=$((E2E_RUN_NO + 1))
E2E_STDERR=$E2E_WORK/stderr_$E2E_RUN_NO.txt
"$E2E_BIN" --pantalla-grande >"$E2E_WORK/stdout_$E2E_RUN_NO.txt" 2>"$E2E_STDERR" &
E2E_PID=$!
menu=$(find_window "$MENU_TITLE" 30)
check_geometry "$menu" $(centred 2 "$MENU_W" "$MENU_H") $((2 * MENU_W)) $((2 * MENU_H))
read -r x y w h <<<"$(menu_rect Command1)"
click "$menu" $((2 * (x + w / 2))) $((2 * (y + h / 2)))
check_geometry "$(find_window "$GAME_TITLE" 30)" $(centred 2 "$GAME_W" "$GAME_H") $((2 * GAME_W)) $((2 * GAME_H))
log "big screen: the menu and the game window are centred"
kill_program

# The word's picture that the program read at each scale.
word_1=$(grep -o '"[^"]*/dibujos/[^"]*\.bmp"' "$E2E_WORK/files_1.txt" | tr -d '"' | head -n 1)
word_2=$(grep -o '"[^"]*/dibujos/[^"]*@2x\.bmp"' "$E2E_WORK/files_2.txt" | tr -d '"' | head -n 1)
[[ -n $word_1 ]] || fail "at scale 1 no word picture was read (files_1.txt)"
[[ -n $word_2 ]] || fail "at scale 2 no @2x word picture was looked at (files_2.txt)"
if grep '@2x' "$E2E_WORK/files_1.txt" >/dev/null; then
    fail "at scale 1 the program looked at @2x files: $(grep -o '"[^"]*@2x[^"]*"' "$E2E_WORK/files_1.txt" | sort -u | head -3)"
fi
log "scale 1 opened no @2x file; scale 2 read $(grep -o '"[^"]*@2x[^"]*"' "$E2E_WORK/files_2.txt" | sort -u | wc -l)"

crops=$E2E_WORK/crops
mkdir -p "$crops"
for crop in "${CROPS[@]}"; do
    read -r name which x y w h <<<"$crop"
    one_shot=SHOT_${which}_1
    two_shot=SHOT_${which}_2
    one=$crops/${name}_1.png two=$crops/${name}_2.png
    "$CONVERT" "${!one_shot}" -crop "${w}x${h}+${x}+${y}" +repage "$one" || fail "crop $name at scale 1"
    "$CONVERT" "${!two_shot}" -crop "$((2 * w))x$((2 * h))+$((2 * x))+$((2 * y))" +repage "$two" ||
        fail "crop $name at scale 2"
    "$CONVERT" "$one" -scale 200% "$crops/${name}_1_doubled.png"
    "$CONVERT" "$two" -scale 50% "$crops/${name}_2_half.png"
    detail=$(rmse "$two" "$crops/${name}_1_doubled.png")
    apart=$(rmse "$crops/${name}_2_half.png" "$one")
    log "$name: scale 2 against scale 1 doubled $detail, halved against scale 1 $apart"
    if [[ $name == word_picture ]]; then
        # The picture box stretches its picture smoothly, so at scale 2 even
        # the 1x picture is not pixel-doubled: there the crop must be the @2x
        # picture itself, pixel for pixel (inside the border as the crop).
        "$CONVERT" "$word_2" -crop "$((2 * w))x$((2 * h))+4+4" +repage "$crops/word_picture_file.png"
        own=$(rmse "$two" "$crops/word_picture_file.png")
        log "$name: scale 2 against its @2x file $own"
        ratio_at_most "$own" 0.005 || fail "$name: at scale 2 the drawn picture is not $word_2 (RMSE $own): $two"
    else
        ratio_at_least "$detail" 0.02 ||
            fail "$name: the scale-2 crop is the scale-1 crop pixel-doubled (RMSE $detail): $two"
    fi
    ratio_at_most "$apart" 0.06 ||
        fail "$name: the scale-2 crop shrunk to half is not the scale-1 crop (RMSE $apart): $two"
done
e2e_finish
