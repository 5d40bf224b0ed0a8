#!/usr/bin/python3
"""Makes the sheet of the game's words, docs/palabras.png: every word's picture
as the build made it (dibujos/<nom_ay>.bmp under the media root), grouped by
category, the menu's five categories first, with the Spanish name under each
picture and the Aymara word under it. A heading over each group gives the
category and its number of words. Looking at one category's pictures side by
side shows whether any two could be taken for each other.

  tools/assets/word_sheet.py [--words assets/words.csv]
      [--pictures build/bin/drive_c/Trab_zumel/dibujos] [--out docs/palabras.png]

The sheet is written without time stamps: the same pictures give the same file."""
import argparse
import csv
import pathlib
import subprocess
import sys
import tempfile
import unicodedata

ROOT = pathlib.Path(__file__).resolve().parents[2]
CONVERT = "/usr/bin/convert"
MONTAGE = "/usr/bin/montage"
FONT = "DejaVu-Sans"
BOLD = "DejaVu-Sans-Bold"
COLUMNS = 9

# The categories in the order of the sheet: the menu's five (by their titles on
# the board), then those without a button, whose words the game shows only when
# no category is chosen.
CATEGORIES = [
    ("naturaleza", "Naturaleza"),
    ("animal", "Animales"),
    ("persona", "Personas"),
    ("color", "Colores"),
    ("insecto", "Insectos"),
    ("cuerpo", "cuerpo (sin botón en el menú)"),
    ("ave", "ave (sin botón en el menú)"),
    ("alimento", "alimento (sin botón en el menú)"),
    ("hogar", "hogar (sin botón en el menú)"),
]


def read_words(path):
    with open(path, encoding="utf-8", newline="") as f:
        return [{k: unicodedata.normalize("NFC", v or "") for k, v in row.items()} for row in csv.DictReader(f)]


def label(text):
    """Text as ImageMagick shows it in a label: no % escapes, no @file."""
    text = text.replace("%", "%%")
    return "\\" + text if text.startswith("@") else text


def run(cmd):
    subprocess.run(cmd, check=True)


def group(title, rows, pictures, out):
    """One category: its heading over a grid of its pictures."""
    tiles = []
    for row in rows:
        picture = pictures / f"{row['nom_ay']}.bmp"
        if not picture.is_file():
            raise SystemExit(f"word_sheet: no picture {picture} (build the media first)")
        tiles += ["-label", label(f"{row['nom_esp']}\n{row['nom_ay']}"), str(picture)]
    grid = out.with_suffix(".grid.png")
    run([MONTAGE, "-font", FONT, "-pointsize", "13", "-background", "#ffffff", *tiles,
         "-tile", f"{COLUMNS}x", "-geometry", "+6+6", f"png24:{grid}"])
    run([CONVERT, "-background", "#ffffff", "-fill", "#3a3a46", "-font", BOLD, "-pointsize", "22",
         f"label:{label(f'{title} — {len(rows)} palabras')}", "-gravity", "northwest", "-splice", "10x14",
         str(grid), "-append", f"png24:{out}"])
    grid.unlink()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--words", default=ROOT / "assets" / "words.csv", type=pathlib.Path)
    ap.add_argument("--pictures", default=ROOT / "build" / "bin" / "drive_c" / "Trab_zumel" / "dibujos",
                    type=pathlib.Path)
    ap.add_argument("--out", default=ROOT / "docs" / "palabras.png", type=pathlib.Path)
    args = ap.parse_args()

    words = read_words(args.words)
    known = {key for key, _ in CATEGORIES}
    unknown = sorted({w["categoria"] for w in words} - known)
    if unknown:
        raise SystemExit(f"word_sheet: categories without a place on the sheet: {', '.join(unknown)}")
    with tempfile.TemporaryDirectory(prefix="word-sheet-") as tmp:
        parts = []
        for key, title in CATEGORIES:
            rows = [w for w in words if w["categoria"] == key]
            if rows:
                part = pathlib.Path(tmp) / f"{len(parts):02d}.png"
                group(title, rows, args.pictures, part)
                parts.append(str(part))
        run([CONVERT, "-background", "#ffffff", *parts, "-gravity", "west", "-append", "-bordercolor", "#ffffff",
             "-border", "12", "-strip", "-define", "png:exclude-chunks=date,time", f"png24:{args.out}"])
    print(f"{args.out}: {len(words)} words")


if __name__ == "__main__":
    sys.exit(main())
