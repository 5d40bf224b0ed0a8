#!/usr/bin/env bash
# Debian package checks: makes the .deb with CPack and fails on any finding of
#   - lintian (errors, warnings and info tags; pedantic tags are shown only),
#   - desktop-file-validate on the packaged menu entries (errors and hints),
#   - appstreamcli validate --pedantic on the packaged metainfo and
#     appstreamcli validate-tree --pedantic on the whole package tree,
#   - a machine-readable copyright file (strict DEP-5 parse; every licence
#     that a Files paragraph names has its text),
#   - hardening-check on every program it installs (any "no"),
# and checks that the package, its changelog, its AppStream release and its
# manual pages all carry the project's version.
#
#   bash package_lint.sh <path-to-korivanta> <work-dir>
#
# The build folder is the parent of the folder that holds korivanta. Nothing is
# installed: root is not needed.
set -uo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -eq 2 ] || { echo "usage: $0 <path-to-korivanta> <work-dir>" >&2; exit 2; }
korivanta=$(readlink -f "$1")
work=$2
build_dir=$(dirname "$(dirname "$korivanta")")

for tool in cpack dpkg-deb dpkg-parsechangelog lintian desktop-file-validate appstreamcli hardening-check file zcat timeout \
    /usr/bin/python3; do
    command -v "$tool" >/dev/null || fail "missing tool: $tool (see tools/packages.txt)"
done
/usr/bin/python3 -c 'import debian.copyright' 2>/dev/null || fail "missing python3-debian (see tools/packages.txt)"
[ -f "$build_dir/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $build_dir"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build_dir/CMakeCache.txt"

rm -rf "$work"
mkdir -p "$work/packages" "$work/root"
work=$(readlink -f "$work")

echo "== packaging version $version in $build_dir"
(cd "$build_dir" && timeout 300 cpack -G DEB -B "$work/packages") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
shopt -s nullglob
debs=("$work"/packages/korivanta_*.deb)
shopt -u nullglob
[ ${#debs[@]} -eq 1 ] || fail "expected one korivanta_*.deb in $work/packages, found ${#debs[@]}"
deb=${debs[0]}
echo "package: $deb"
dpkg-deb -x "$deb" "$work/root" || fail "cannot unpack $deb"
root=$work/root

findings=0
finding() {
    echo "FINDING: $*" >&2
    findings=$((findings + 1))
}

# lintian: "E:" and "W:" are defects by definition. "I:" tags are shown and
# counted too: each one has been looked at and there is none left, so a new one
# is a change worth a look. "P:" (pedantic) tags are Debian style opinions that
# may contradict each other (for instance asking for an upstream signing key,
# which a package made by its own upstream has no use for): they are printed,
# not counted.
echo "== lintian"
timeout 600 lintian --tag-display-limit 0 --display-info --pedantic --fail-on error,warning,info "$deb" >"$work/lintian.log" 2>&1
lintian_status=$?
cat "$work/lintian.log"
[ $lintian_status -eq 0 ] || finding "lintian ended with status $lintian_status"
if grep -E '^[EWI]: ' "$work/lintian.log" >/dev/null; then
    finding "lintian reports errors, warnings or info tags (above)"
fi

echo "== desktop-file-validate"
# The game's menu entry and the word editor's.
desktops=("$root"/usr/share/applications/*.desktop)
names=$(for d in "${desktops[@]}"; do basename "$d"; done | sort | tr '\n' ' ')
[ "$names" = "bo.korivanta.editor.desktop bo.korivanta.korivanta.desktop " ] ||
    fail "expected the menu entries of the game and the editor in /usr/share/applications, found: ${desktops[*]}"
for desktop in "${desktops[@]}"; do
    out=$(desktop-file-validate "$desktop" 2>&1)
    status=$?
    [ -z "$out" ] || echo "$out"
    if [ $status -ne 0 ] || [ -n "$out" ]; then
        finding "desktop-file-validate: ${desktop#"$root"}"
    fi
done

echo "== appstreamcli validate --pedantic"
metainfos=("$root"/usr/share/metainfo/*.metainfo.xml)
if [ ${#metainfos[@]} -ne 1 ] || [ ! -f "${metainfos[0]}" ]; then
    fail "expected one metainfo file in /usr/share/metainfo, found: ${metainfos[*]}"
fi
metainfo=${metainfos[0]}
# Every issue, from error to pedantic, is a line "<letter>: <id>:<line>: <tag> ...".
for run in "validate --pedantic --no-net $metainfo" "validate-tree --pedantic --no-net $root"; do
    # shellcheck disable=SC2086
    out=$(appstreamcli $run 2>&1)
    status=$?
    echo "\$ appstreamcli ${run//"$root"/<package>}"
    echo "$out"
    if [ $status -ne 0 ] || grep -E '^[EWIP]: ' <<<"$out" >/dev/null; then
        finding "appstreamcli ${run%% *} reports issues (above)"
    fi
done

# The desktop file's name is the AppStream id, and the launchable names it.
id=$(basename "$metainfo" .metainfo.xml)
[ -f "$root/usr/share/applications/$id.desktop" ] ||
    finding "no menu entry is named after the AppStream id $id"

echo "== copyright file"
copyright=$root/usr/share/doc/korivanta/copyright
[ -f "$copyright" ] || fail "no /usr/share/doc/korivanta/copyright in the package"
/usr/bin/python3 - "$copyright" <<'EOF' || finding "the copyright file is not a complete machine-readable copyright file"
import sys
from debian import copyright

with open(sys.argv[1], encoding="utf-8") as f:
    c = copyright.Copyright(f, strict=True)
texts = {p.license.synopsis for p in c.all_license_paragraphs()}
bad = False
for files in c.all_files_paragraphs():
    lic = files.license
    if lic.text.strip():
        continue
    # "A and B", "A or B": each name needs its own License paragraph.
    names = lic.synopsis.replace(",", " ").split()
    for name in names:
        if name in ("and", "or") or name in texts:
            continue
        print(f"Files: {' '.join(files.files)}: no License paragraph for {name}", file=sys.stderr)
        bad = True
sys.exit(1 if bad else 0)
EOF

echo "== one version everywhere: $version"
deb_version=$(dpkg-deb -f "$deb" Version)
[ "$deb_version" = "$version" ] || finding "the package's version is $deb_version"
changelog=$root/usr/share/doc/korivanta/changelog.gz
if [ -f "$changelog" ]; then
    zcat "$changelog" >"$work/changelog"
    changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1)
    [ "$changelog_version" = "$version" ] || finding "the changelog's latest entry is $changelog_version"
else
    finding "no /usr/share/doc/korivanta/changelog.gz in the package"
fi
release_version=$(/usr/bin/python3 -c '
import sys, xml.etree.ElementTree as ET
r = ET.parse(sys.argv[1]).getroot().find("releases/release")
print("" if r is None else r.get("version"))' "$metainfo")
[ "$release_version" = "$version" ] || finding "the AppStream release is \"$release_version\""
for program in korivanta korivanta-palabras korivanta-editor; do
    page=$root/usr/share/man/man1/$program.1.gz
    [ -x "$root/usr/bin/$program" ] || finding "no /usr/bin/$program in the package"
    if [ -f "$page" ]; then
        th=$(zcat "$page" | grep -m 1 '^\.TH ')
        [[ "$th" == *"\"korivanta $version\""* ]] || finding "the manual page of $program says: $th"
    else
        finding "no manual page /usr/share/man/man1/$program.1.gz"
    fi
done

echo "== hardening-check"
# Every program the package installs is built with Debian's hardening: any
# "no" (PIE, stack protector, FORTIFY, RELRO, immediate binding, stack-clash
# or control-flow protection) is a finding.
programs=0
while IFS= read -r -d '' binary; do
    file -b "$binary" | grep -q '^ELF' || continue
    programs=$((programs + 1))
    out=$(hardening-check "$binary" 2>&1)
    echo "${out//"$root"/}"
    if grep -E ': no\b' <<<"$out" >/dev/null; then
        finding "hardening-check: ${binary#"$root"} lacks a protection (above)"
    fi
done < <(find "$root/usr" -type f -perm -u+x -print0)
[ $programs -ge 3 ] || finding "hardening-check found only $programs programs in the package"

[ $findings -eq 0 ] || fail "$findings finding(s) on $deb"
echo "PASS: $deb passes lintian, desktop-file-validate, appstreamcli and hardening-check"
