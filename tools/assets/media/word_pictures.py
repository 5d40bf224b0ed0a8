"""Draws every word's picture: dibujos/<nom_ay>.bmp under the media root, a
24-bit BMP of the size of the picture box Image4 (which stretches what it is
given, so the picture is made at exactly that size).

What a picture shows comes from the word list:
- a word with an emoji: that emoji, taken from the Noto Color Emoji font (its
  glyphs are PNG bitmaps in the CBDT table), large and centred. The emoji
  column holds one code point ("1f999") or a sequence joined by hyphens
  ("1f9d1-200d-1f3eb", the teacher), which the font draws as one glyph;
- a colour word: a paint splash with a brush, in that colour (or two);
- a family word (hijo, nieto, tía, yerno, nuera, gemelo): a small family tree
  of emoji faces, the word's own person in a yellow glow with the red arrow
  of our drawings pointing at them;
- a word that no emoji shows well: a drawing of our own, one of the SVG files
  in assets/media/pictures/.
Everything is placed on a soft pastel card whose tint follows the category,
composed as one SVG and rendered with rsvg-convert, then written as BMP by
ImageMagick. Each picture also comes at twice the size beside it
(dibujos/<nom_ay>@2x.bmp), rendered from the same SVG, for screens of device
pixel ratio 2. Pictures of words no longer in the list are removed."""
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
# and those whose emoji shows something else (the font has an eagle, a llama,
# a frog face and a mouth, but no condor, alpaca, toad or lips alone). A
# drawing here wins over the emoji.
DRAWING_FOR = {
    "cóndor": "condor.svg",
    "alpaca": "alpaca.svg",
    "cuello": "cuello.svg",
    "picaflor": "picaflor.svg",
    "pulga": "pulga.svg",
    "piojo": "piojo.svg",
    "chuño": "chuno.svg",
    "papa cocida": "papa_cocida.svg",
    # naturaleza
    "día": "dia.svg",
    "raíz": "raiz.svg",
    "semilla": "semilla.svg",
    "arena": "arena.svg",
    "ceniza": "ceniza.svg",
    # animal
    "sapo": "sapo.svg",
    "guanaco": "guanaco.svg",
    "vicuña": "vicuna.svg",
    "comadreja": "comadreja.svg",
    # persona
    "muchacha": "muchacha.svg",
    "viejito": "viejito.svg",
    "viejita": "viejita.svg",
    # cuerpo
    "rodilla": "rodilla.svg",
    "codo": "codo.svg",
    "labio": "labio.svg",
    "barriga": "barriga.svg",
    "ombligo": "ombligo.svg",
    "espalda": "espalda.svg",
    "garganta": "garganta.svg",
    # ave
    "halcón": "halcon.svg",
    # insecto
    "tarántula": "tarantula.svg",
    "polilla": "polilla.svg",
    "libélula": "libelula.svg",
    "renacuajo": "renacuajo.svg",
    # hogar
    "almohada": "almohada.svg",
    "aguayo": "aguayo.svg",
}

# The family words, by their Spanish name: a family tree on a 160 x 120 grid.
# Each person is an emoji face filling the square at x, y of the size given;
# the word's own person is marked; lines join parents to their children (a bar
# between the parents, a stem down to the children's bar) and a ring a couple.
MAN, WOMAN, BOY = "1f468", "1f469", "1f466"
OLD_MAN, OLD_WOMAN, BABY = "1f474", "1f475", "1f476"
GROOM, BRIDE, RING = "1f935-200d-2642", "1f470-200d-2640", "1f48d"


def _person(code, x, y, size, marked=False):
    return {"code": code, "x": x, "y": y, "size": size, "marked": marked}


def _family(people, lines=(), rings=()):
    return {"people": people, "lines": list(lines), "rings": list(rings)}


FAMILY = {
    # The parents, and their boy.
    "hijo": _family(
        [_person(MAN, 30, 6, 40), _person(WOMAN, 90, 6, 40), _person(BOY, 58, 64, 44, marked=True)],
        lines=[[(70, 26), (90, 26)], [(80, 26), (80, 64)]]),
    # Grandparents, their son, his boy.
    "nieto": _family(
        [_person(OLD_MAN, 42, 4, 32), _person(OLD_WOMAN, 86, 4, 32),
         _person(MAN, 64, 44, 32), _person(BOY, 64, 82, 32, marked=True)],
        lines=[[(74, 20), (86, 20)], [(80, 20), (80, 44)], [(80, 76), (80, 82)]]),
    # Grandparents, their son and their daughter; the son's boy.
    "tía": _family(
        [_person(OLD_MAN, 42, 4, 32), _person(OLD_WOMAN, 86, 4, 32),
         _person(MAN, 36, 46, 32), _person(WOMAN, 92, 46, 32, marked=True), _person(BOY, 36, 84, 30)],
        lines=[[(74, 20), (86, 20)], [(80, 20), (80, 40)], [(52, 40), (108, 40)], [(52, 40), (52, 46)],
               [(108, 40), (108, 46)], [(52, 78), (52, 84)]]),
    # Grandparents, their daughter the bride, and the groom who marries her.
    "yerno": _family(
        [_person(OLD_MAN, 22, 4, 32), _person(OLD_WOMAN, 62, 4, 32),
         _person(BRIDE, 34, 62, 46), _person(GROOM, 90, 62, 46, marked=True)],
        lines=[[(54, 20), (62, 20)], [(58, 20), (58, 62)]],
        rings=[(85, 92, 16)]),
    # Grandparents, their son the groom, and the bride who marries him.
    "nuera": _family(
        [_person(OLD_MAN, 22, 4, 32), _person(OLD_WOMAN, 62, 4, 32),
         _person(GROOM, 34, 62, 46), _person(BRIDE, 90, 62, 46, marked=True)],
        lines=[[(54, 20), (62, 20)], [(58, 20), (58, 62)]],
        rings=[(85, 92, 16)]),
    # Two babies alike, side by side.
    "gemelo": _family([_person(BABY, 18, 26, 62), _person(BABY, 80, 26, 62)]),
}
FAMILY_GRID = (160, 120)
ARROW = "#e23b3b"  # the arrow of our drawings (cuello.svg)
GLOW = "#ffd23f"

# The colour words, by their Spanish name: the paint's colour, or two colours
# for a two-coloured paint.
PAINT = {
    "rojo": "#e3211c",
    "negro": "#1c1c21",
    "blanco": "#ffffff",
    "amarillo": "#ffd60a",
    "verde": "#2e9e4a",
    "azul": "#1f6fd1",
    "marrón": "#7a4a24",
    "gris": "#8e8e8e",
    "rosado": "#ff8fb8",
    "morado": "#7b3fa8",
    "carmesí": "#a8083f",
    "celeste": "#7fcdf2",
    "verde esmeralda": "#00a88f",
    "blanquecino": "#e9e2cf",
    "bicolor": ("#1c1c21", "#ffffff"),
    "pardo": "#8c7a5b",
    "café claro": "#c89a6a",
    "guindo": "#5e0d22",
    "violeta": "#a77bea",
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
    """PNG bitmaps of the colour emoji font, by code point or by a sequence of
    code points joined by hyphens (drawn by the font as one ligature glyph)."""

    def __init__(self, path=EMOJI_FONT):
        from fontTools.ttLib import TTFont

        self.font = TTFont(str(path), lazy=True)
        self.cmap = self.font.getBestCmap()
        self.strike = self.font["CBDT"].strikeData[0]
        self._ligatures = None

    def ligatures(self):
        """The font's ligatures: the glyphs of a sequence, to the glyph drawn."""
        if self._ligatures is None:
            self._ligatures = {}
            for lookup in self.font["GSUB"].table.LookupList.Lookup:
                for table in lookup.SubTable:
                    if table.LookupType != 4:
                        continue
                    for first, ligatures in table.ligatures.items():
                        for ligature in ligatures:
                            self._ligatures[(first, *ligature.Component)] = ligature.LigGlyph
        return self._ligatures

    def png(self, code):
        """The bitmap of "1f999" or of "1f9d1-200d-1f3eb"."""
        points = [int(part, 16) for part in code.split("-")]
        names = [self.cmap.get(point) for point in points]
        label = "-".join(f"U+{point:04X}" for point in points)
        if None in names:
            raise SystemExit(f"word_pictures: the emoji font has no {label}")
        name = names[0] if len(names) == 1 else self.ligatures().get(tuple(names))
        if name is None or name not in self.strike:
            raise SystemExit(f"word_pictures: the emoji font draws no glyph for {label}")
        return self.strike[name].imageData


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


def _paint_swatch(paint):
    """A splash of paint in the colour with a brush dipped in it, drawn on a
    128 x 128 grid. Two colours (a tuple) split the splash and the brush's
    paint along a slanted line, each half with an edge of its own."""
    colour, second = (paint, None) if isinstance(paint, str) else paint

    def edge_of(c):
        return "#9a9aa6" if c.lower() == "#ffffff" else _shade(c, 0.6)

    edge = edge_of(colour)
    light = "#ffffff" if colour.lower() != "#ffffff" else "#e9ecf2"
    splash = _splash_path(58, 70, 40)
    halves = ""
    brush_paint = f'fill="{colour}" stroke="{edge}"'
    if second is not None:
        # The second colour covers the lower right, behind the line x + y = 124.
        halves = f"""<clipPath id="second"><path d="M124,0 L128,0 L128,128 L-4,128 Z"/></clipPath>
  <path d="{splash}" fill="{second}" stroke="{edge_of(second)}" stroke-width="2.5" clip-path="url(#second)"/>"""
        brush_paint = f'fill="{second}" stroke="{edge_of(second)}"'
    drops = [(104, 100, 6, 2), (16, 104, 4.5, 2), (20, 32, 3.5, 1.8)]
    dots = "\n  ".join(
        f'<circle cx="{x}" cy="{y}" r="{r}" fill="{colour if second is None or x + y < 124 else second}" '
        f'stroke="{edge if second is None or x + y < 124 else edge_of(second)}" stroke-width="{w}"/>'
        for x, y, r, w in drops)
    return f"""<svg xmlns="{SVG_NS}" viewBox="0 0 128 128">
  <path d="{splash}" fill="{colour}" stroke="{edge}" stroke-width="2.5"/>
  {halves}
  {dots}
  <ellipse cx="42" cy="56" rx="13" ry="7" fill="{light}" opacity="0.35" transform="rotate(-25 42 56)"/>
  <g transform="rotate(40 86 40)">
    <rect x="80" y="-14" width="12" height="50" rx="5" fill="#d9a066" stroke="#8a5a2b" stroke-width="2"/>
    <rect x="78" y="34" width="16" height="14" rx="2" fill="#c9ccd6" stroke="#6d7080" stroke-width="2"/>
    <path d="M78,48 L94,48 Q95,62 86,72 Q77,62 78,48 Z" {brush_paint} stroke-width="2"/>
  </g>
</svg>"""


def _arrow(tip_x, tip_y, angle=35, length=26):
    """The red arrow of our drawings, its tip at (tip_x, tip_y), its tail
    towards angle (degrees counter-clockwise from the right: 35 comes from
    the upper right, 145 from the upper left)."""
    a = math.radians(angle)
    dx, dy = math.cos(a), -math.sin(a)
    tail = (tip_x + dx * length, tip_y + dy * length)
    neck = (tip_x + dx * 12, tip_y + dy * 12)
    wing = (-dy * 7, dx * 7)
    return (f'<path d="M{tail[0]:.1f},{tail[1]:.1f} L{neck[0]:.1f},{neck[1]:.1f}" stroke="{ARROW}" '
            f'stroke-width="5" stroke-linecap="round"/>'
            f'<path d="M{tip_x:.1f},{tip_y:.1f} L{neck[0] + wing[0]:.1f},{neck[1] + wing[1]:.1f} '
            f'L{neck[0] - wing[0]:.1f},{neck[1] - wing[1]:.1f} Z" fill="{ARROW}" stroke="{ARROW}" '
            f'stroke-width="3" stroke-linejoin="round"/>')


def _family_svg(family, emoji):
    """A family tree (FAMILY) on its grid: the lines first, then the faces,
    the marked person in a glow with the arrow pointing at them."""
    gw, gh = FAMILY_GRID
    parts = []
    for points in family["lines"]:
        d = " ".join(f"{'M' if i == 0 else 'L'}{x:g},{y:g}" for i, (x, y) in enumerate(points))
        parts.append(f'<path d="{d}" fill="none" stroke="#8b8fa3" stroke-width="3" stroke-linecap="round"/>')
    marked = None
    for p in family["people"]:
        if p["marked"]:
            marked = p
            r = p["size"] * 0.58
            cx, cy = p["x"] + p["size"] / 2, p["y"] + p["size"] / 2
            parts.append(f'<circle cx="{cx:g}" cy="{cy:g}" r="{r:.1f}" fill="{GLOW}" opacity="0.85"/>')
    for p in family["people"]:
        parts.append(f'<image x="{p["x"]:g}" y="{p["y"]:g}" width="{p["size"]:g}" height="{p["size"]:g}" '
                     f'href="{_data_uri("image/png", emoji.png(p["code"]))}"/>')
    for x, y, size in family["rings"]:
        parts.append(f'<image x="{x - size / 2:g}" y="{y - size / 2:g}" width="{size:g}" height="{size:g}" '
                     f'href="{_data_uri("image/png", emoji.png(RING))}"/>')
    if marked is not None:
        tip_y = marked["y"] + marked["size"] * 0.2
        if marked["x"] + marked["size"] + 22 <= gw:
            parts.append(_arrow(marked["x"] + marked["size"] * 0.9, tip_y))
        else:  # no room on the right: the arrow comes from the left
            parts.append(_arrow(marked["x"] + marked["size"] * 0.1, tip_y, angle=145))
    body = "\n  ".join(parts)
    return f'<svg xmlns="{SVG_NS}" viewBox="0 0 {gw} {gh}">\n  {body}\n</svg>'


def picture_svg(row, size, emoji):
    """The whole picture of one row of the word list, as SVG text."""
    w, h = size
    inner, outer = CARD.get(row["categoria"], DEFAULT_CARD)
    side = round(min(w, h) * 0.86)
    x, y = (w - side) / 2, (h - side) / 2 - 1
    code = row["emoji"].strip()
    drawing = DRAWING_FOR.get(row["nom_esp"])
    family = FAMILY.get(row["nom_esp"])
    if drawing is not None:
        subject = _drawing(drawing, x, y, side, side)
    elif family is not None:
        # The tree is wider than high: it takes the card's width.
        fw, fh = w - 8, h - 6
        subject = (
            f'<image x="4" y="2" width="{fw}" height="{fh}" preserveAspectRatio="xMidYMid meet" '
            f'href="{_data_uri("image/svg+xml", _family_svg(family, emoji).encode())}"/>'
        )
    elif code:
        png = emoji.png(code)
        subject = (
            f'<image x="{x:g}" y="{y:g}" width="{side}" height="{side}" '
            f'preserveAspectRatio="xMidYMid meet" href="{_data_uri("image/png", png)}"/>'
        )
    elif row["categoria"] == "color":
        paint = PAINT.get(row["nom_esp"])
        if paint is None:
            raise SystemExit(f"word_pictures: no paint colour for '{row['nom_esp']}'")
        subject = (
            f'<image x="{x:g}" y="{y:g}" width="{side}" height="{side}" '
            f'href="{_data_uri("image/svg+xml", _paint_swatch(paint).encode())}"/>'
        )
    else:
        raise SystemExit(f"word_pictures: '{row['nom_ay']}' has neither an emoji nor a drawing")
    # A soft shadow under a single subject; a family tree stands on no ground.
    shadow = "" if drawing is None and family is not None else (
        f'<ellipse cx="{w / 2:g}" cy="{y + side * 0.95:.1f}" rx="{side * 0.36:.1f}" ry="{side * 0.06:.1f}" '
        f'fill="#000000" opacity="0.10"/>')
    return f"""<svg xmlns="{SVG_NS}" width="{w}" height="{h}" viewBox="0 0 {w} {h}">
  <defs>
    <radialGradient id="card" cx="50%" cy="42%" r="70%">
      <stop offset="0" stop-color="{inner}"/>
      <stop offset="1" stop-color="{outer}"/>
    </radialGradient>
  </defs>
  <rect width="{w}" height="{h}" fill="url(#card)"/>
  <rect x="3.5" y="3.5" width="{w - 7}" height="{h - 7}" rx="10" fill="none" stroke="#ffffff" stroke-opacity="0.7" stroke-width="2"/>
  {shadow}
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
    # A word that left the list takes its pictures with it: the package
    # installs the whole folder.
    made = {target for _, _, target in jobs}
    for old in folder.glob("*.bmp"):
        if old not in made:
            old.unlink()
