#!/usr/bin/env bash
# The asset pipeline makes the same files every time: run every step twice
# into fresh folders and compare them byte for byte.
set -euo pipefail
korivanta=$1
work=$2
src=${KORIVANTA_SOURCE_DIR:?}
bin=$(dirname "$korivanta")
rm -rf "$work" && mkdir -p "$work"
"$bin/korivanta-tables" "$work/tables.json"

run_all() {
  local out=$1
  for step in scene pictures; do
    if [ -f "$src/tools/assets/$step/make.py" ]; then
      extra=()
      [ "$step" = pictures ] && extra=(--scene "$out/pictures/background.bmp")
      /usr/bin/python3 "$src/tools/assets/$step/make.py" --tables "$work/tables.json" --out "$out/pictures" "${extra[@]}"
    fi
  done
  /usr/bin/python3 "$src/tools/assets/media/make.py" --tables "$work/tables.json" \
    --words "$src/assets/words.csv" --out "$out/Trab_zumel" --stamp "$out/stamp" \
    --scene "$out/pictures/background.bmp"
}

run_all "$work/first"
run_all "$work/second"
count=$(find "$work/first" -type f | wc -l)
if ! diff -r "$work/first" "$work/second" > "$work/diff.txt"; then
  echo "the asset pipeline made different files on two runs:" >&2
  head -20 "$work/diff.txt" >&2
  exit 1
fi
echo "asset pipeline deterministic: $count files identical on two runs"
