#!/usr/bin/env bash
# A teacher of the group korivanta may write in /var/lib/korivanta; root works
# there too (postinst's `korivanta-palabras componer`, an admin's
# `sudo korivanta-palabras importar`). This test mounts, for real, each attack
# such a teacher could plan against root through the school's folder, and
# checks that none of them reaches anything of root's.
#
# The build under test is packaged with CPack and installed with apt-get; a
# test user of the group korivanta (the attacker) gives the school a word with
# a picture and one with a sound, and that store is kept as the clean state
# every case starts from. The attacker plants links with runuser; root runs
# the command. Root's things the attacker may name but never touch:
#   - a root-only file (0600, in a 0700 folder of root's) with known bytes,
#   - a setuid-root copy of passwd (4755, in that folder),
#   - a path that does not exist ($ABSENT),
#   - a folder only root may write, holding one file ($rootdir),
#   - the top of the file system.
# After every case: the canaries are unchanged (bytes, owner, mode with the
# setuid bit; the absent path still absent), nothing new in the root folder or
# in /, the store's databases pass PRAGMA integrity_check, every link in the
# store is one the attacker made, the command either refused with a Spanish
# message on stderr or finished, and the package is still installed. One line
# per case, PASS or FAIL; the exit status is non-zero when any case fails.
#
#   bash package_hostile_teacher.sh <path-to-korivanta> <work-dir>
#
# The build folder is the parent of the folder that holds korivanta. The
# package, the test user, the canaries and the school's folder are removed
# again on the way out, pass or fail.
set -uo pipefail

SCHOOL=/var/lib/korivanta
STORE_LOCK=$SCHOOL/.palabras-escuela.bloqueo
TRAB_ZUMEL=$SCHOOL/drive_c/Trab_zumel
SCHOOL_MEDIA=$TRAB_ZUMEL/escuela
ATTACKER="korivanta-hostil"
# A path nobody has: a lock link to it must not make it appear.
ABSENT=/etc/korivanta-prueba-nologin
# The word whose picture the picture-folder case brings; where it would land
# with the folder linked to /.
PICTURE_WORD=qhatu
VOICE_WORD=yapu
SECRET_WORD=pirqa

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

# ---------------------------------------------------------------------------
# Run as the attacker, in the background: for as long as STOP does not exist,
# keeps NAME in DIR (none if "-") a link to TARGET and turns every other
# hidden file that appears in DIR into one. LOG, made first, lists each link. Should the test
# itself be killed, the loop ends with STOP's folder, or after half an hour.
#   package_hostile_teacher.sh --race DIR NAME TARGET STOP LOG
race() {
    local dir=$1 name=$2 target=$3 stop=$4 log=$5 fixed="" f
    [ "$name" = - ] || fixed=$dir/$name
    shopt -s nullglob dotglob
    : >>"$log"
    while [ ! -e "$stop" ] && [ -d "${stop%/*}" ] && ((SECONDS < 1800)); do
        for f in ${fixed:+"$fixed"} "$dir"/.*; do
            case ${f##*/} in . | ..) continue ;; esac
            if [ -L "$f" ]; then
                [ "$(readlink "$f")" = "$target" ] && continue
            elif [ "$f" != "$fixed" ] && [ ! -f "$f" ]; then
                continue
            fi
            ln -sfn "$target" "$f" 2>/dev/null && echo "$f" >>"$log"
        done
        sleep 0.005
    done
}

if [ "${1:-}" = "--race" ]; then
    shift
    race "$@"
    exit 0
fi

# ---------------------------------------------------------------------------
[ $# -eq 2 ] || { echo "usage: $0 <path-to-korivanta> <work-dir>" >&2; exit 2; }
korivanta=$(readlink -f "$1")
work=$2
build_dir=$(dirname "$(dirname "$korivanta")")
script=$(readlink -f "$0")
started=$SECONDS

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "SKIP: installing a Debian package needs root and apt-get"
    exit 0
fi
for tool in cpack dpkg-deb dpkg-query apt-get sqlite3 runuser useradd userdel timeout sha256sum espeak-ng sox \
    /usr/bin/python3 /usr/bin/passwd; do
    command -v "$tool" >/dev/null || fail "missing tool: $tool (see tools/packages.txt)"
done
[ -f "$build_dir/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $build_dir"

installed() { [ "$(dpkg-query -W -f='${Status}' korivanta 2>/dev/null)" = "install ok installed" ]; }
installed && fail "the korivanta package is already installed; remove it first (apt-get purge korivanta)"
[ -e "$SCHOOL" ] && fail "$SCHOOL exists (a school's words?); the test would change it: move it away first"
id "$ATTACKER" >/dev/null 2>&1 && fail "the user $ATTACKER exists already"
for path in "$ABSENT" "/$PICTURE_WORD.png" "/$PICTURE_WORD@2x.png"; do
    [ -e "$path" ] || [ -L "$path" ] && fail "$path exists; the test needs it absent"
done
# What the package makes that a purge leaves: removed again if it is new.
had_service_user=0
id _korivanta >/dev/null 2>&1 && had_service_user=1
had_group=0
getent group korivanta >/dev/null && had_group=1

rm -rf "$work"
mkdir -p "$work/deb"
work=$(readlink -f "$work")
top_before=$(ls -A /)

race_pid=""
race_stop=""
rootonly=""
rootdir=""
secretdir=""
files=""
snapshot=""
cleanup() {
    stop_race
    if [ "$(dpkg-query -W -f='${Status}' korivanta 2>/dev/null)" != "" ]; then
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 purge -y -qq korivanta >/dev/null 2>&1 ||
            echo "cleanup: could not purge korivanta" >&2
    fi
    rm -rf "$SCHOOL"
    id "$ATTACKER" >/dev/null 2>&1 && userdel "$ATTACKER" 2>/dev/null
    if [ "$had_service_user" = 0 ] && id _korivanta >/dev/null 2>&1; then
        userdel _korivanta 2>/dev/null || echo "cleanup: could not delete the user _korivanta" >&2
    fi
    if [ "$had_group" = 0 ] && getent group korivanta >/dev/null; then
        groupdel korivanta 2>/dev/null || echo "cleanup: could not delete the group korivanta" >&2
    fi
    rm -f "$ABSENT"
    remove_new_at_top
    local d
    for d in "$rootonly" "$rootdir" "$secretdir" "$files" "$snapshot"; do
        [ -n "$d" ] && rm -rf "$d"
    done
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Entries that appeared at the top of the file system under the picture's
# names (a picture written through a link to /) are removed; nothing else.
remove_new_at_top() {
    local name
    while IFS= read -r name; do
        case $name in "$PICTURE_WORD"*) rm -rf "/${name:?}" ;; esac
    done < <(comm -13 <(echo "$top_before") <(ls -A /))
}

as_attacker() { (cd / && runuser -u "$ATTACKER" -- env HOME="$files" "$@"); }

# make_png FILE WIDTH HEIGHT: a plain PNG of that size.
make_png() {
    /usr/bin/python3 - "$@" <<'PYEOF'
import struct, sys, zlib
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
raw = b"".join(b"\0" + bytes((40, 90, 30)) * w for _ in range(h))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)
open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                       + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
PYEOF
}

# --- The package ---------------------------------------------------------------
log "packaging $build_dir"
(cd "$build_dir" && timeout 300 cpack -G DEB -B "$work/deb") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/deb/korivanta_*.deb) || fail "no package made"
log "installing $(dpkg-deb -f "$deb" Version)"
LC_ALL=C DEBIAN_FRONTEND=noninteractive timeout 300 apt-get -o DPkg::Lock::Timeout=120 install -y "$deb" \
    >"$work/apt-install.log" 2>&1 || { cat "$work/apt-install.log" >&2; fail "apt-get install failed"; }
installed || fail "korivanta is not installed"
[ "$(stat -c '%U:%G %a' "$SCHOOL")" = "root:korivanta 2775" ] ||
    fail "$SCHOOL is $(stat -c '%U:%G %a' "$SCHOOL"), not root:korivanta 2775"

# --- The attacker, a teacher of the school, and the school's first words ---------
useradd --system --no-create-home --shell /usr/sbin/nologin -G korivanta "$ATTACKER" ||
    fail "cannot add the user $ATTACKER"
files=$(mktemp -d /tmp/korivanta-hostil.XXXXXX)
chown "$ATTACKER:" "$files"
chmod 0755 "$files"
make_png "$files/escarabajo.png" 120 200 || fail "cannot make a picture"
/usr/bin/python3 - "$files/polilla.wav" <<'PYEOF' || fail "cannot make a sound"
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(22050)
    w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(i / 8))) for i in range(11025)))
PYEOF
printf 'nom_ay;nom_esp;categoria;dibujo;sonido\nlluqu;escarabajo;insecto;escarabajo.png;\nthuthu;polilla;insecto;;polilla.wav\n' \
    >"$files/palabras.csv"
make_png "$files/$PICTURE_WORD.png" 160 120 || fail "cannot make a picture"
printf 'nom_ay;nom_esp;categoria;dibujo\n%s;mercado;naturaleza;%s.png\n' "$PICTURE_WORD" "$PICTURE_WORD" \
    >"$files/dibujo.csv"
printf 'nom_ay;nom_esp;categoria\n%s;chacra;naturaleza\n' "$VOICE_WORD" >"$files/voz.csv"
chown "$ATTACKER:" "$files"/*
chmod 0644 "$files"/*

log "the teacher imports the school's first words"
as_attacker korivanta-palabras importar "$files/palabras.csv" >"$work/import-teacher.log" 2>&1 ||
    { cat "$work/import-teacher.log" >&2; fail "the teacher could not import words"; }
for d in "$SCHOOL_MEDIA/dibujos" "$SCHOOL_MEDIA/sonido"; do
    if [ ! -d "$d" ] || [ -L "$d" ]; then fail "the teacher's import made no folder $d"; fi
done
[ -f "$TRAB_ZUMEL/diccionario.mdb" ] || fail "the teacher's import composed nothing"

# The clean state each case starts from.
# The copy takes the store folder's group and mode: it is kept inside a
# folder of root's, out of the attacker's reach.
snapshot=$(mktemp -d /tmp/korivanta-limpio.XXXXXX)
chmod 0700 "$snapshot"
mkdir "$snapshot/escuela" || fail "cannot make $snapshot/escuela"
cp -a "$SCHOOL/." "$snapshot/escuela/" || fail "cannot keep a copy of the store"
restore_store() {
    find "$SCHOOL" -mindepth 1 -delete && cp -a "$snapshot/escuela/." "$SCHOOL/"
}

# --- Root's things ----------------------------------------------------------------
rootonly=$(mktemp -d /tmp/korivanta-root.XXXXXX)
chmod 0700 "$rootonly"
CANARY=$rootonly/canario
SETUID=$rootonly/passwd-copia
CANARY_TEXT="canario de root: solo root lo lee y nadie lo cambia"
rootdir=$(mktemp -d /tmp/korivanta-rootdir.XXXXXX)
chmod 0755 "$rootdir"
# A picture only root may read, in a folder anyone may look into.
secretdir=$(mktemp -d /tmp/korivanta-secreto.XXXXXX)
chmod 0755 "$secretdir"
SECRET=$secretdir/secreto-dibujo.png
make_png "$SECRET" 90 70 || fail "cannot make the secret picture"
chmod 0600 "$SECRET"
secret_sha=$(sha256sum <"$SECRET" | cut -d' ' -f1)
secret_state="sha256 ${secret_sha:0:16} root:root 600"
printf 'nom_ay;nom_esp;categoria;dibujo\n%s;pared;naturaleza;%s\n' "$SECRET_WORD" "$SECRET" >"$files/secreto.csv"
chown "$ATTACKER:" "$files/secreto.csv"
chmod 0644 "$files/secreto.csv"

# Fresh canaries for every case.
make_canaries() {
    find "$rootonly" "$rootdir" -mindepth 1 -delete
    rm -f "$ABSENT"
    if ! { printf '%s\n' "$CANARY_TEXT" >"$CANARY" && chmod 0600 "$CANARY" &&
        cp /usr/bin/passwd "$SETUID" && chown root:root "$SETUID" && chmod 4755 "$SETUID" &&
        printf 'de root\n' >"$rootdir/intacto.txt" && chmod 0644 "$rootdir/intacto.txt"; }; then
        fail "cannot make the canaries"
    fi
}
state() {
    if [ -L "$1" ]; then
        echo "a link to $(readlink "$1")"
    elif [ ! -f "$1" ]; then
        echo "missing"
    else
        printf 'sha256 %s %s\n' "$(sha256sum <"$1" | cut -c1-16)" "$(stat -c '%U:%G %a' "$1")"
    fi
}
canary_state="sha256 $(printf '%s\n' "$CANARY_TEXT" | sha256sum | cut -c1-16) root:root 600"
setuid_state="sha256 $(sha256sum </usr/bin/passwd | cut -c1-16) root:root 4755"
# One line per entry of a folder: name, kind, owner, mode and, for a file,
# the start of its bytes' sha256.
folder_state() {
    local entry
    (cd "$1" && find . -mindepth 1 | sort | while IFS= read -r entry; do
        printf '%s (%s)\n' "$entry" "$(stat -c '%F %U:%G %a' "$entry")$(
            [ -f "$entry" ] && [ ! -L "$entry" ] && printf ' %s' "$(sha256sum <"$entry" | cut -c1-16)")"
    done)
}

target_of() {
    case $1 in
        canary) echo "$CANARY" ;;
        setuid) echo "$SETUID" ;;
        absent) echo "$ABSENT" ;;
        rootdir) echo "$rootdir" ;;
        top) echo / ;;
        -) ;;
        *) fail "unknown target $1" ;;
    esac
}

# --- What the attacker does ----------------------------------------------------------
# Each plant_* is given the link's target; the links the test plants are listed
# in $planted, and the racing loop's in its own log.
planted=$work/planted
plant_none() { :; }
plant_lock() {
    as_attacker ln -s "$1" "$STORE_LOCK" && echo "$STORE_LOCK" >>"$planted"
}
plant_trab_zumel() {
    as_attacker mv "$TRAB_ZUMEL" "$TRAB_ZUMEL.movido" && as_attacker ln -s "$1" "$TRAB_ZUMEL" &&
        echo "$TRAB_ZUMEL" >>"$planted"
}
plant_pictures() {
    as_attacker mv "$SCHOOL_MEDIA/dibujos" "$SCHOOL_MEDIA/dibujos.movido" &&
        as_attacker ln -s "$1" "$SCHOOL_MEDIA/dibujos" && echo "$SCHOOL_MEDIA/dibujos" >>"$planted"
}
# plant_voice_race TARGET [NAME]: the racing loop, with the name the voice's
# hidden file has while it is made linked before root starts, or with no name
# of its own ("-"): then only the hidden files that appear are linked.
plant_voice_race() {
    local name=${2:-.$VOICE_WORD.wav.tmp.wav}
    race_stop=$files/parar
    rm -f "$race_stop" "$files/carrera.log"
    as_attacker bash "$script" --race "$SCHOOL_MEDIA/sonido" "$name" "$1" "$race_stop" "$files/carrera.log" &
    race_pid=$!
    # Under way once its log is there, and its first link if it has a name.
    local i
    for ((i = 0; i < 200; i++)); do
        if [ -e "$files/carrera.log" ] && { [ "$name" = - ] || [ -L "$SCHOOL_MEDIA/sonido/$name" ]; }; then
            return 0
        fi
        kill -0 "$race_pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}
plant_hidden_race() { plant_voice_race "$1" -; }
stop_race() {
    [ -n "$race_pid" ] || return 0
    touch "$race_stop"
    wait "$race_pid" 2>/dev/null
    race_pid=""
    [ -f "$files/carrera.log" ] && sort -u "$files/carrera.log" >>"$planted"
}

# --- What root runs ---------------------------------------------------------------
# Each sets $rc and leaves stdout and stderr in $out and $err.
root_runs() {
    (cd / && env -u KORIVANTA_ESCUELA timeout 300 "$@") >"$out" 2>"$err"
    rc=$?
}
run_componer() { root_runs korivanta-palabras componer; }
run_reinstall() {
    root_runs env LC_ALL=C DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 install -y --reinstall "$deb"
}
run_import_voice() { root_runs korivanta-palabras importar "$files/voz.csv" --generar-voz; }
run_import_picture() { root_runs korivanta-palabras importar "$files/dibujo.csv"; }
run_import_secret() { root_runs korivanta-palabras importar "$files/secreto.csv"; }

# --- The checks -----------------------------------------------------------------------
problems=()
problem() { problems+=("$*"); }

spanish() {
    grep -qiE '[áéíóúñ¿«»]|\b(no|se|de|la|el|los|las|en|que|puede|carpeta|archivo|enlace|palabras?|escuela)\b' "$1"
}

check_canaries() {
    local now
    now=$(state "$CANARY")
    [ "$now" = "$canary_state" ] || problem "root's file $CANARY changed: $canary_state -> $now"
    now=$(state "$SETUID")
    [ "$now" = "$setuid_state" ] || problem "the setuid copy $SETUID changed: $setuid_state -> $now"
    if [ -e "$ABSENT" ] || [ -L "$ABSENT" ]; then
        problem "$ABSENT now exists ($(stat -c '%U:%G %a %s bytes' "$ABSENT"))"
    fi
    now=$(state "$SECRET")
    [ "$now" = "$secret_state" ] || problem "root's picture $SECRET changed: $secret_state -> $now"
    local line
    now=$(folder_state "$rootdir")
    while IFS= read -r line; do
        problem "in root's folder $rootdir, now: $line"
    done < <(comm -13 <(echo "$rootdir_before") <(echo "$now"))
    while IFS= read -r line; do
        problem "in root's folder $rootdir, before: $line"
    done < <(comm -23 <(echo "$rootdir_before") <(echo "$now"))
    while IFS= read -r line; do
        problem "new at the top of the file system: /$line ($(stat -c '%F %U:%G %a' "/$line"))"
    done < <(comm -13 <(echo "$top_before") <(ls -A /))
}

check_store() {
    if [ -L "$SCHOOL" ] || [ ! -d "$SCHOOL" ]; then
        problem "$SCHOOL is no longer a folder"
        return
    fi
    local db result composed=0 link
    if [ ! -f "$SCHOOL/palabras-escuela.db" ] || [ -L "$SCHOOL/palabras-escuela.db" ]; then
        problem "$SCHOOL/palabras-escuela.db is not a file of its own"
    fi
    while IFS= read -r db; do
        [ "${db##*/}" = diccionario.mdb ] && composed=1
        result=$(sqlite3 -readonly "$db" 'PRAGMA integrity_check' 2>&1)
        [ "$result" = ok ] || problem "$db fails PRAGMA integrity_check: $result"
    done < <(find "$SCHOOL" -type f \( -name '*.db' -o -name '*.mdb' \))
    [ "$composed" = 1 ] || problem "no composed diccionario.mdb is left in the store"
    while IFS= read -r link; do
        grep -qxF -- "$link" "$planted" 2>/dev/null ||
            problem "$link is a link to $(readlink "$link") that the attacker did not make"
    done < <(find "$SCHOOL" -type l)
}

# check_outcome MUST NAME: the command refused with a Spanish message on
# stderr, or finished. MUST "refuse": only a refusal will do; NAME: the file
# the message must name.
check_outcome() {
    local must=$1 name=$2
    if [ "$rc" = 124 ]; then
        problem "the command did not end within 300 s"
    elif [ "$rc" != 0 ]; then
        outcome="refused (exit $rc)"
        if [ ! -s "$err" ]; then
            problem "refused with nothing on stderr"
        elif ! spanish "$err"; then
            problem "the refusal is not in Spanish"
        fi
        if [ "$name" != - ] && ! grep -qF -- "$name" "$err" && ! grep -qF -- "${name##*/}" "$err"; then
            problem "the refusal does not name $name"
        fi
    else
        outcome="finished (exit 0)"
        [ "$must" = refuse ] && problem "it was not refused"
    fi
    installed || problem "the package is no longer installed: $(dpkg-query -W -f='${Status}' korivanta 2>&1)"
}

# The secret picture never reaches the store: no word for it, no new media file.
check_secret_kept() {
    local rows copy
    rows=$(sqlite3 -readonly "$SCHOOL/palabras-escuela.db" \
        "SELECT count(*) FROM nominal WHERE nom_ay = '$SECRET_WORD'" 2>&1)
    [ "$rows" = 0 ] || problem "the school's words hold $SECRET_WORD ($rows)"
    while IFS= read -r copy; do
        problem "new in the store: ${copy#./}"
    done < <(comm -13 <(echo "$media_before") <(cd "$SCHOOL" && find . -type f | sort))
    while IFS= read -r copy; do
        problem "the secret picture's bytes are in $copy"
    done < <(find "$SCHOOL" -type f -exec sha256sum {} + | grep -F "$secret_sha" | cut -d' ' -f3-)
}

# --- The cases ------------------------------------------------------------------------
# id | what happens | what the attacker plants | its target | what root runs | refuse | file to name
CASES=(
    "1a|lock linked to a root-only file; root composes|plant_lock|canary|run_componer|-|-"
    "1b|lock linked to a setuid-root program; root composes|plant_lock|setuid|run_componer|-|-"
    "1c|lock linked to a missing path; root composes|plant_lock|absent|run_componer|-|-"
    "1d|lock linked to a root-only file; apt-get reinstalls (postinst)|plant_lock|canary|run_reinstall|-|-"
    "1e|lock linked to a setuid-root program; apt-get reinstalls (postinst)|plant_lock|setuid|run_reinstall|-|-"
    "1f|lock linked to a missing path; apt-get reinstalls (postinst)|plant_lock|absent|run_reinstall|-|-"
    "2|Trab_zumel replaced by a link to root's folder; root composes|plant_trab_zumel|rootdir|run_componer|-|-"
    "3a|voice's hidden file raced to a root-only file; root imports with --generar-voz|plant_voice_race|canary|run_import_voice|-|-"
    "3b|every new hidden file of the sounds raced to a root-only file; root imports with --generar-voz|plant_hidden_race|canary|run_import_voice|-|-"
    "4a|escuela/dibujos replaced by a link to root's folder; root imports a picture|plant_pictures|rootdir|run_import_picture|-|-"
    "4b|escuela/dibujos replaced by a link to /; root imports a picture|plant_pictures|top|run_import_picture|-|-"
    "5|root imports a CSV naming a picture only root may read|plant_none|-|run_import_secret|refuse|$SECRET"
)

results=()
failed=0
for row in "${CASES[@]}"; do
    IFS='|' read -r id what plant target command must name <<<"$row"
    log "case $id: $what"
    restore_store || fail "cannot restore the clean store"
    make_canaries
    : >"$planted"
    rootdir_before=$(folder_state "$rootdir")
    media_before=$(cd "$SCHOOL" && find . -type f | sort)
    out=$work/case-$id.out
    err=$work/case-$id.err
    problems=()
    outcome="not run"
    if "$plant" "$(target_of "$target")"; then
        "$command"
        stop_race
        check_outcome "$must" "$name"
        if [ "$plant" = plant_voice_race ] || [ "$plant" = plant_hidden_race ]; then
            outcome+=", $(sort -u "$files/carrera.log" | wc -l) names linked by the attacker"
        fi
        [ -s "$err" ] && sed 's/^/    | /' "$err"
        # apt-get passes on what postinst says with its own output.
        [ "$command" = run_reinstall ] && grep '^korivanta' "$out" | sed 's/^/    | /'
    else
        stop_race
        problem "the attacker could not plant the link"
    fi
    check_canaries
    check_store
    [ "$command" = run_import_secret ] && check_secret_kept
    if [ ${#problems[@]} -eq 0 ]; then
        results+=("PASS $id $what: $outcome, nothing of root's touched")
    else
        failed=1
        results+=("FAIL $id $what: $outcome; $(printf '%s; ' "${problems[@]}" | sed 's/; $//')")
    fi
    echo "${results[-1]}"
    # What a failing case left where the next case looks.
    rm -f "$ABSENT"
    remove_new_at_top
done

echo
echo "Hostile teacher cases ($((SECONDS - started)) s):"
printf '%s\n' "${results[@]}"
# The status of the script.
[ "$failed" = 0 ]
