"""Draws every word's picture: dibujos/<nom_ay>.bmp under the media root, a
24-bit BMP of the size of the picture box Image4 (which stretches what it is
given, so the picture is made at exactly that size).

What a picture shows comes from the word list:
- a word with an emoji code point: that emoji, taken from the Noto Color Emoji
  font (its glyphs are PNG bitmaps in the CBDT table), large and centred;
- a colour word: a paint splash with a brush, in that colour;
- a word that no emoji shows well: a drawing of our own, one of the SVG files
  in assets/media/pictures/.
Everything is placed on a soft pastel card whose tint follows the category,
composed as one SVG and rendered with rsvg-convert, then written as BMP by
ImageMagick. Each picture also comes at twice the size beside it
(dibujos/<nom_ay>@2x.bmp), rendered from the same SVG, for screens of device
pixel ratio 2."""
import base64
import csv
import json
import math
import os
import subprocess
import unicodedata
import xml.etree.ElementTree as ET
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from raster import SCALES, at_scale

EMOJI_FONT = Path("/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf")
DRAWINGS = Path(__file__).resolve().parents[3] / "assets" / "media" / "pictures"
SVG_NS = "http://www.w3.org/2000/svg"

# Our own drawings, by the word's Spanish name: the words that have no emoji,
# and two whose emoji shows a different animal (the font has an eagle and a
# llama, but no condor and no alpaca). A drawing here wins over the emoji.
DRAWING_FOR = {
    "cóndor": "condor.svg",
    "alpaca": "alpaca.svg",
    "cuello": "cuello.svg",
    "picaflor": "picaflor.svg",
    "pulga": "pulga.svg",
    "piojo": "piojo.svg",
    "chuño": "chuno.svg",
    "papa cocida": "papa_cocida.svg",
}

# The colour words, by their Spanish name: the paint's colour.
PAINT = {
    "rojo": "#d7263d",
    "negro": "#1c1c21",
    "blanco": "#ffffff",
    "amarillo": "#ffd60a",
    "verde": "#2e9e4a",
    "azul": "#1f6fd1",
    "marrón": "#7a4a24",
    "gris": "#8e8e8e",
    "rosado": "#ff8fb8",
    "morado": "#7b3fa8",
}

# Card tints by category: (centre, edge) of a radial gradient.
CARD = {
    "naturaleza": ("#f4fbff", "#bfe3f7"),
    "persona": ("#fffaf3", "#f9d9b8"),
    "cuerpo": ("#fff7f8", "#f6cfd8"),
    "animal": ("#f7fff5", "#c8eabf"),
    "ave": ("#f5fcff", "#c4e4f2"),
    "insecto": ("#fdfff2", "#e4efb0"),
    "alimento": ("#fffbf0", "#f8dfae"),
    "color": ("#f4f4f8", "#c9cbd8"),
    "hogar": ("#fbf7ff", "#dccdf0"),
}
DEFAULT_CARD = ("#fbfbfb", "#dadada")


def _size(tables):
    data = json.loads(Path(tables).read_text(encoding="utf-8"))
    tpp = data.get("twipsPerPixel", 15)
    box = data["controls"]["Image4"]
    return (box["width"] + tpp // 2) // tpp, (box["height"] + tpp // 2) // tpp


class EmojiFont:
    """PNG bitmaps of the colour emoji font, by code point."""

    def __init__(self, path=EMOJI_FONT):
        from fontTools.ttLib import TTFont

        self.font = TTFont(str(path), lazy=True)
        self.cmap = self.font.getBestCmap()
        self.strike = self.font["CBDT"].strikeData[0]

    def png(self, code_point):
        name = self.cmap.get(code_point)
        if name is None:
            raise SystemExit(f"word_pictures: the emoji font has no U+{code_point:04X}")
        glyph = self.strike[name]
        return glyph.imageData


def _data_uri(mime, data):
    return f"data:{mime};base64,{base64.b64encode(data).decode('ascii')}"


def _drawing(file_name, x, y, w, h):
    """One of our own drawings as a nested <svg> placed in the given box."""
    ET.register_namespace("", SVG_NS)
    root = ET.parse(DRAWINGS / file_name).getroot()
    for key in ("x", "y", "width", "height"):
        root.attrib.pop(key, None)
    root.set("x", f"{x:g}")
    root.set("y", f"{y:g}")
    root.set("width", f"{w:g}")
    root.set("height", f"{h:g}")
    root.set("preserveAspectRatio", "xMidYMid meet")
    return ET.tostring(root, encoding="unicode")


def _splash_path(cx, cy, radius, lobes=7):
    """A paint splash: a closed wavy outline around (cx, cy), smooth curves
    through points on r(a) = radius * (1 + bumps)."""
    n = 28
    pts = []
    for i in range(n):
        a = 2 * math.pi * i / n
        r = radius * (1 + 0.13 * math.sin(lobes * a + 0.6) + 0.06 * math.sin(3 * a + 2.1))
        pts.append((cx + r * math.cos(a), cy + 0.82 * r * math.sin(a)))
    # Catmull-Rom through the points, as cubic Bezier segments.
    d = [f"M{pts[0][0]:.1f},{pts[0][1]:.1f}"]
    for i in range(n):
        p0, p1, p2, p3 = pts[i - 1], pts[i], pts[(i + 1) % n], pts[(i + 2) % n]
        c1 = (p1[0] + (p2[0] - p0[0]) / 6, p1[1] + (p2[1] - p0[1]) / 6)
        c2 = (p2[0] - (p3[0] - p1[0]) / 6, p2[1] - (p3[1] - p1[1]) / 6)
        d.append(f"C{c1[0]:.1f},{c1[1]:.1f} {c2[0]:.1f},{c2[1]:.1f} {p2[0]:.1f},{p2[1]:.1f}")
    return " ".join(d) + "Z"


def _shade(colour, factor):
    """The colour darkened (factor < 1) or lightened towards white (factor > 1)."""
    r, g, b = (int(colour[i : i + 2], 16) for i in (1, 3, 5))
    if factor <= 1:
        r, g, b = (round(c * factor) for c in (r, g, b))
    else:
        t = factor - 1
        r, g, b = (round(c + (255 - c) * t) for c in (r, g, b))
    return f"#{r:02x}{g:02x}{b:02x}"


def _paint_swatch(colour):
    """A splash of paint in the colour with a brush dipped in it, drawn on a
    128 x 128 grid."""
    edge = "#9a9aa6" if colour.lower() in ("#ffffff",) else _shade(colour, 0.6)
    light = "#ffffff" if colour.lower() != "#ffffff" else "#e9ecf2"
    splash = _splash_path(58, 70, 40)
    return f"""<svg xmlns="{SVG_NS}" viewBox="0 0 128 128">
  <path d="{splash}" fill="{colour}" stroke="{edge}" stroke-width="2.5"/>
  <circle cx="104" cy="100" r="6" fill="{colour}" stroke="{edge}" stroke-width="2"/>
  <circle cx="16" cy="104" r="4.5" fill="{colour}" stroke="{edge}" stroke-width="2"/>
  <circle cx="20" cy="32" r="3.5" fill="{colour}" stroke="{edge}" stroke-width="1.8"/>
  <ellipse cx="42" cy="56" rx="13" ry="7" fill="{light}" opacity="0.35" transform="rotate(-25 42 56)"/>
  <g transform="rotate(40 86 40)">
    <rect x="80" y="-14" width="12" height="50" rx="5" fill="#d9a066" stroke="#8a5a2b" stroke-width="2"/>
    <rect x="78" y="34" width="16" height="14" rx="2" fill="#c9ccd6" stroke="#6d7080" stroke-width="2"/>
    <path d="M78,48 L94,48 Q95,62 86,72 Q77,62 78,48 Z" fill="{colour}" stroke="{edge}" stroke-width="2"/>
  </g>
</svg>"""


def picture_svg(row, size, emoji):
    """The whole picture of one row of the word list, as SVG text."""
    w, h = size
    inner, outer = CARD.get(row["categoria"], DEFAULT_CARD)
    side = round(min(w, h) * 0.86)
    x, y = (w - side) / 2, (h - side) / 2 - 1
    code = row["emoji"].strip()
    drawing = DRAWING_FOR.get(row["nom_esp"])
    if drawing is not None:
        subject = _drawing(drawing, x, y, side, side)
    elif code:
        png = emoji.png(int(code, 16))
        subject = (
            f'<image x="{x:g}" y="{y:g}" width="{side}" height="{side}" '
            f'preserveAspectRatio="xMidYMid meet" href="{_data_uri("image/png", png)}"/>'
        )
    elif row["categoria"] == "color":
        colour = PAINT.get(row["nom_esp"])
        if colour is None:
            raise SystemExit(f"word_pictures: no paint colour for '{row['nom_esp']}'")
        subject = (
            f'<image x="{x:g}" y="{y:g}" width="{side}" height="{side}" '
            f'href="{_data_uri("image/svg+xml", _paint_swatch(colour).encode())}"/>'
        )
    else:
        raise SystemExit(f"word_pictures: '{row['nom_ay']}' has neither an emoji nor a drawing")
    return f"""<svg xmlns="{SVG_NS}" width="{w}" height="{h}" viewBox="0 0 {w} {h}">
  <defs>
    <radialGradient id="card" cx="50%" cy="42%" r="70%">
      <stop offset="0" stop-color="{inner}"/>
      <stop offset="1" stop-color="{outer}"/>
    </radialGradient>
  </defs>
  <rect width="{w}" height="{h}" fill="url(#card)"/>
  <rect x="3.5" y="3.5" width="{w - 7}" height="{h - 7}" rx="10" fill="none" stroke="#ffffff" stroke-opacity="0.7" stroke-width="2"/>
  <ellipse cx="{w / 2:g}" cy="{y + side * 0.95:.1f}" rx="{side * 0.36:.1f}" ry="{side * 0.06:.1f}" fill="#000000" opacity="0.10"/>
  {subject}
</svg>"""


def _render(svg, size, target):
    w, h = size
    png = subprocess.run(
        ["rsvg-convert", "-w", str(w), "-h", str(h), "-f", "png"],
        input=svg.encode("utf-8"), stdout=subprocess.PIPE, check=True).stdout
    tmp = target.with_name(target.name + ".tmp")
    subprocess.run(
        ["/usr/bin/convert", "png:-", "-background", "white", "-alpha", "remove", "-alpha", "off",
         "-type", "TrueColor", f"BMP3:{tmp}"],
        input=png, check=True)
    os.replace(tmp, target)


def read_words(words):
    with open(words, encoding="utf-8", newline="") as f:
        return [
            {k: unicodedata.normalize("NFC", v or "") for k, v in row.items()}
            for row in csv.DictReader(f)
        ]


def make(tables, words, out):
    size = _size(tables)
    rows = read_words(words)
    folder = Path(out) / "dibujos"
    folder.mkdir(parents=True, exist_ok=True)
    emoji = EmojiFont()
    jobs = [(picture_svg(row, size, emoji), (size[0] * scale, size[1] * scale),
             at_scale(folder / f"{row['nom_ay']}.bmp", scale))
            for row in rows for scale in SCALES]
    with ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
        list(pool.map(lambda job: _render(*job), jobs))
