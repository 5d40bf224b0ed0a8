#!/usr/bin/python3
"""Paints the game window's scene and its two icons.

background.bmp  707 x 546, 24 bits per pixel: the painted scene of the game
                window. The board, the picture frame, the five round buttons,
                the condor's poncho under the keyboard and the llama's Puntos
                and Vidas words are all placed from the layout tables
                (--tables), so each lies under the control that the program
                puts over it.
icon.ico        32 x 32, 256 colours: the window icon (assets/scene/icon.svg).
hand.ico        32 x 32, 256 colours: the hand pointer (assets/scene/hand.svg).
                Its hotspot is the tip of the raised index finger, the pixel
                HAND_HOTSPOT below; an ICO stores no hotspot, so the program
                gives it when it makes the cursor.

Each also comes at twice the size beside it (background@2x.bmp 1414 x 1092,
icon@2x.ico and hand@2x.ico 64 x 64), rendered from the same drawing, for
screens of device pixel ratio 2.

The drawings are SVG: the llama and the condor's head and wing are hand-drawn
pieces under assets/scene/, the rest is written here from the tables. Every
run gives the same bytes: the stones of the wall come from a fixed seed and no
output carries a time stamp.
"""
import argparse
import colorsys
import json
import math
import pathlib
import random
import re
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "common"))
sys.dont_write_bytecode = True  # no __pycache__ among the step's own sources
from raster import SCALES, at_scale  # noqa: E402

SOURCES = HERE.parents[2] / "assets" / "scene"
CONVERT = "/usr/bin/convert"
RSVG = "/usr/bin/rsvg-convert"
ICOTOOL = "/usr/bin/icotool"

# The background picture is the client area's width and three rows taller
# than its height (those rows fall outside the window).
PICTURE_EXTRA_ROWS = 3
# The pixel of hand.ico that points: the top of the raised index finger.
HAND_HOTSPOT = (10, 1)

FONT = "font-family=\"Comic Neue\" font-weight=\"bold\""
INK = "#55207e"  # the pictograms on the yellow discs
FLOOR_SHARE = 0.135  # the pale green floor takes this share of the picture's height
BUTTONS = [  # hotspot, word under the button, pictogram
    ("Image2", "Sonido", "sound"),
    ("Image5", "Grafemario", "letters"),
    ("Image6", "Siguiente", "next"),
    ("Image7", "Respuesta", "question"),
    ("Image40", "Volver", "back"),
]


def px(twips):
    return (twips + 7) // 15


class Rect:
    def __init__(self, x, y, w, h):
        self.x, self.y, self.w, self.h = x, y, w, h

    @classmethod
    def from_twips(cls, t):
        return cls(px(t["left"]), px(t["top"]), px(t["width"]), px(t["height"]))

    @property
    def right(self):
        return self.x + self.w

    @property
    def bottom(self):
        return self.y + self.h

    @property
    def cx(self):
        return self.x + self.w / 2

    @property
    def cy(self):
        return self.y + self.h / 2

    def grown(self, dx, dy=None):
        dy = dx if dy is None else dy
        return Rect(self.x - dx, self.y - dy, self.w + 2 * dx, self.h + 2 * dy)


def f(v):
    """A coordinate as SVG text: at most two decimals, no trailing zeros."""
    s = f"{v:.2f}".rstrip("0").rstrip(".")
    return "0" if s == "-0" else s


def rect_svg(r, **attrs):
    extra = " ".join(f'{k.replace("_", "-")}="{v}"' for k, v in attrs.items())
    return f'<rect x="{f(r.x)}" y="{f(r.y)}" width="{f(r.w)}" height="{f(r.h)}" {extra}/>'


def fragment(name):
    """The <defs> and the drawing of one of the hand-drawn pieces."""
    text = (SOURCES / name).read_text(encoding="utf-8")
    body = re.search(r"<svg[^>]*>(.*)</svg>", text, re.S).group(1)
    defs = "".join(re.findall(r"<defs>(.*?)</defs>", body, re.S))
    body = re.sub(r"<defs>.*?</defs>", "", body, flags=re.S)
    body = re.sub(r"<!--.*?-->", "", body, flags=re.S)
    return defs, body


def text_svg(x, y, text, size, fill, stroke=None, width=0, anchor="middle"):
    """Text with an outline drawn under it, so it reads on any ground."""
    out = []
    common = f'x="{f(x)}" y="{f(y)}" font-size="{f(size)}" {FONT} text-anchor="{anchor}"'
    if stroke:
        out.append(f'<text {common} fill="{stroke}" stroke="{stroke}" stroke-width="{f(width)}" '
                   f'stroke-linejoin="round">{text}</text>')
    out.append(f'<text {common} fill="{fill}">{text}</text>')
    return "".join(out)


COMMON_DEFS = """
<filter id="shadow" x="-20%" y="-20%" width="140%" height="140%">
  <feGaussianBlur in="SourceAlpha" stdDeviation="2.5"/>
  <feOffset dx="3" dy="4" result="blur"/>
  <feComponentTransfer><feFuncA type="linear" slope="0.55"/></feComponentTransfer>
  <feMerge><feMergeNode/><feMergeNode in="SourceGraphic"/></feMerge>
</filter>
<filter id="softShadow" x="-30%" y="-30%" width="160%" height="160%">
  <feGaussianBlur stdDeviation="5"/>
</filter>
<linearGradient id="stoneShade" x1="0" y1="0" x2="0.35" y2="1">
  <stop offset="0" stop-color="#ffffff" stop-opacity="0.32"/>
  <stop offset="0.35" stop-color="#ffffff" stop-opacity="0"/>
  <stop offset="0.6" stop-color="#000000" stop-opacity="0"/>
  <stop offset="1" stop-color="#000000" stop-opacity="0.38"/>
</linearGradient>
<radialGradient id="wallLight" cx="0.5" cy="0.35" r="0.75">
  <stop offset="0" stop-color="#fff4d8" stop-opacity="0.12"/>
  <stop offset="0.6" stop-color="#000000" stop-opacity="0"/>
  <stop offset="1" stop-color="#1a0a05" stop-opacity="0.45"/>
</radialGradient>
<linearGradient id="floor" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#cdeab6"/>
  <stop offset="1" stop-color="#e6f6d8"/>
</linearGradient>
<linearGradient id="floorShade" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#1d3a12" stop-opacity="0.45"/>
  <stop offset="1" stop-color="#1d3a12" stop-opacity="0"/>
</linearGradient>
<linearGradient id="wood" x1="0" y1="0" x2="1" y2="1">
  <stop offset="0" stop-color="#c58a4a"/>
  <stop offset="0.5" stop-color="#9a602c"/>
  <stop offset="1" stop-color="#6e3f18"/>
</linearGradient>
<linearGradient id="gilt" x1="0" y1="0" x2="1" y2="1">
  <stop offset="0" stop-color="#ffe79a"/>
  <stop offset="0.45" stop-color="#d9a441"/>
  <stop offset="1" stop-color="#8f5f16"/>
</linearGradient>
<linearGradient id="chalkboard" x1="0" y1="0" x2="0.4" y2="1">
  <stop offset="0" stop-color="#3f9153"/>
  <stop offset="1" stop-color="#2a6a3a"/>
</linearGradient>
<linearGradient id="plate" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#fffdf0"/>
  <stop offset="1" stop-color="#f5eac4"/>
</linearGradient>
<linearGradient id="panel" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#f2fbe9"/>
  <stop offset="1" stop-color="#d3efc1"/>
</linearGradient>
<linearGradient id="flagWave" x1="0" y1="0" x2="1" y2="0">
  <stop offset="0" stop-color="#ffffff" stop-opacity="0.25"/>
  <stop offset="0.25" stop-color="#000000" stop-opacity="0.12"/>
  <stop offset="0.5" stop-color="#ffffff" stop-opacity="0.2"/>
  <stop offset="0.75" stop-color="#000000" stop-opacity="0.15"/>
  <stop offset="1" stop-color="#ffffff" stop-opacity="0.1"/>
</linearGradient>
<linearGradient id="chakana" x1="0" y1="0" x2="0.3" y2="1">
  <stop offset="0" stop-color="#b47ae0"/>
  <stop offset="0.5" stop-color="#7e3cb0"/>
  <stop offset="1" stop-color="#4f1a7a"/>
</linearGradient>
<radialGradient id="disc" cx="0.4" cy="0.35" r="0.7">
  <stop offset="0" stop-color="#fffbc8"/>
  <stop offset="0.45" stop-color="#ffe23c"/>
  <stop offset="1" stop-color="#f2a900"/>
</radialGradient>
<linearGradient id="gloss" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#ffffff" stop-opacity="0.8"/>
  <stop offset="1" stop-color="#ffffff" stop-opacity="0"/>
</linearGradient>
<linearGradient id="poncho" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#161616"/>
  <stop offset="1" stop-color="#050505"/>
</linearGradient>
<linearGradient id="ponchoFolds" x1="0" y1="0" x2="60" y2="0" gradientUnits="userSpaceOnUse" spreadMethod="reflect">
  <stop offset="0" stop-color="#000000"/>
  <stop offset="0.7" stop-color="#161616"/>
  <stop offset="1" stop-color="#1e1e1e"/>
</linearGradient>
<pattern id="ponchoWeave" width="16" height="16" patternUnits="userSpaceOnUse">
  <path d="M0,8 L8,0 L16,8 L8,16 Z" fill="none" stroke="#222222" stroke-width="1"/>
</pattern>
<pattern id="ponchoTrim" width="12" height="12" patternUnits="userSpaceOnUse">
  <rect width="12" height="12" fill="#d62839"/>
  <path d="M0,12 L6,0 L12,12 Z" fill="#ffc933"/>
  <path d="M3,12 L6,6 L9,12 Z" fill="#1f9a55"/>
</pattern>
"""


def wall(width, height):
    """Rows of rounded, warm-coloured stones on dark mortar."""
    rng = random.Random(20240611)
    out = [f'<rect width="{width}" height="{height}" fill="#3f2c26"/>']
    y = -4
    while y < height:
        row_h = rng.randint(22, 30)
        x = -rng.randint(4, 40)
        while x < width:
            w = rng.randint(36, 66)
            hue = rng.uniform(0.02, 0.08)
            light = rng.uniform(0.40, 0.56)
            sat = rng.uniform(0.14, 0.30)
            r, g, b = (round(c * 255) for c in colorsys.hls_to_rgb(hue, light, sat))
            jx, jy = rng.uniform(-1.2, 1.2), rng.uniform(-1.2, 1.2)
            stone = Rect(x + 1.6 + jx, y + 1.6 + jy, w - 3.2, row_h - 3.2)
            rx = rng.uniform(5, 9)
            out.append(rect_svg(stone, rx=f(rx), fill=f"#{r:02x}{g:02x}{b:02x}"))
            out.append(rect_svg(stone, rx=f(rx), fill="url(#stoneShade)"))
            x += w
        y += row_h
    out.append(f'<rect width="{width}" height="{height}" fill="url(#wallLight)"/>')
    return "\n".join(out)


def floor(width, height, top):
    out = [f'<rect x="0" y="{top}" width="{width}" height="{height - top}" fill="url(#floor)"/>']
    # Floor boards running towards the back wall.
    vx, vy = width / 2, top - 260
    for i in range(-8, 9):
        x0 = width / 2 + i * 70
        t = (top - vy) / (height - vy)
        x1 = vx + (x0 - vx) * t
        out.append(f'<line x1="{f(x1)}" y1="{top}" x2="{f(x0)}" y2="{height}" stroke="#a9d48e" stroke-width="1.2"/>')
    y, step = top + 9, 9
    while y < height:
        out.append(f'<line x1="0" y1="{f(y)}" x2="{width}" y2="{f(y)}" stroke="#b7dc9c" stroke-width="1"/>')
        step *= 1.35
        y += step
    out.append(f'<rect x="0" y="{top}" width="{width}" height="12" fill="url(#floorShade)"/>')
    out.append(f'<rect x="0" y="{top - 3}" width="{width}" height="4" fill="#5a4036"/>')
    return "\n".join(out)


def picture_frame(pic):
    """A gilt frame around a plain white mat; the word's picture fills pic."""
    mat = pic.grown(5)
    outer = mat.grown(7)
    nail_x, nail_y = outer.cx, outer.y - 22
    return "\n".join([
        f'<path d="M{f(outer.x + 22)},{f(outer.y + 2)} L{f(nail_x)},{f(nail_y)} L{f(outer.right - 22)},{f(outer.y + 2)}" '
        'fill="none" stroke="#3a2a18" stroke-width="1.4"/>',
        f'<circle cx="{f(nail_x)}" cy="{f(nail_y)}" r="3" fill="#c9c2b0" stroke="#4a4030" stroke-width="1"/>',
        '<g filter="url(#shadow)">',
        rect_svg(outer, rx=3, fill="url(#gilt)", stroke="#6a4510", stroke_width="1.2"),
        rect_svg(outer.grown(-3), rx=2, fill="none", stroke="#fff3c0", stroke_width="1", opacity="0.7"),
        rect_svg(mat, fill="#fdfdf8", stroke="#8f6a22", stroke_width="1"),
        rect_svg(pic.grown(1), fill="#f1f1ec", stroke="#d8d8cf", stroke_width="1"),
        '</g>',
    ])


def spanish_flag(x, y, w, h):
    return "\n".join([
        rect_svg(Rect(x, y, w, h), fill="#c60b1e"),
        rect_svg(Rect(x, y + h / 4, w, h / 2), fill="#ffc400"),
        rect_svg(Rect(x + w * 0.2, y + h * 0.36, w * 0.12, h * 0.28), rx=1, fill="#ad1519", opacity="0.8"),
        rect_svg(Rect(x, y, w, h), fill="url(#flagWave)", stroke="#3a2010", stroke_width="0.8"),
    ])


def wiphala(x, y, w, h):
    """The seven-colour chequered flag, with its white diagonal rising to the right."""
    colours = ["#e52521", "#f28c1e", "#ffe11a", "#ffffff", "#1ea24a", "#1e6fd0", "#7b2a9a"]
    cw, ch = w / 7, h / 7
    out = []
    for row in range(7):
        for col in range(7):
            c = colours[(row + col + 4) % 7]
            out.append(rect_svg(Rect(x + col * cw, y + row * ch, cw + 0.3, ch + 0.3), fill=c))
    out.append(rect_svg(Rect(x, y, w, h), fill="url(#flagWave)", stroke="#3a2010", stroke_width="0.8"))
    return "\n".join(out)


def flag_on_pole(flag, x, y, w, h, word):
    pole_x = x - 3
    return "\n".join([
        f'<g filter="url(#shadow)">',
        f'<rect x="{f(pole_x - 1.2)}" y="{f(y - 4)}" width="2.4" height="{f(h + 8)}" rx="1" fill="#8a5a2a"/>',
        f'<circle cx="{f(pole_x)}" cy="{f(y - 4.5)}" r="2.2" fill="#ffd75a" stroke="#8a5a10" stroke-width="0.6"/>',
        flag(x, y, w, h),
        '</g>',
        text_svg(x + w / 2 - 1, y + h + 11, word, 11, "#fbfff2", "#1c4a26", 2.2),
    ])


def board(t):
    """The green school board: title plate behind Label3, the Castellano flag
    beside Label1 on a pale panel, the wiphala beside the mask box Text5."""
    title, spanish, mask = t["Label3"], t["Label1"], t["Text5"]
    outer = Rect(title.x - 22, title.y - 6, 0, 0)
    outer.w = mask.right + 8 - outer.x
    outer.h = mask.bottom + 24 - outer.y
    inner = outer.grown(-7)
    column = Rect(inner.x + 3, inner.y, spanish.x - 4 - 3 - (inner.x + 3), inner.h)
    flag_w, flag_h = 40, 26
    fx = column.cx - flag_w / 2 + 2
    out = [
        '<g filter="url(#shadow)">',
        rect_svg(outer, rx=4, fill="url(#wood)", stroke="#4a2a10", stroke_width="1.2"),
        rect_svg(outer.grown(-2), rx=3, fill="none", stroke="#e0a868", stroke_width="0.8", opacity="0.6"),
        rect_svg(inner, rx=2, fill="url(#chalkboard)", stroke="#1c4424", stroke_width="1.2"),
        '</g>',
    ]
    # chalk dust and a doodled star in the free corner
    rng = random.Random(7)
    for _ in range(9):
        cx = rng.uniform(inner.x + 10, inner.right - 10)
        cy = rng.uniform(inner.y + 30, inner.bottom - 8)
        out.append(f'<ellipse cx="{f(cx)}" cy="{f(cy)}" rx="{f(rng.uniform(8, 20))}" ry="{f(rng.uniform(2, 5))}" '
                   f'fill="#ffffff" opacity="0.05"/>')
    star_x = (spanish.right + 4 + inner.right) / 2
    star_y = spanish.cy
    pts = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        rr = 8 if i % 2 == 0 else 3.5
        pts.append(f"{f(star_x + rr * math.cos(a))},{f(star_y + rr * math.sin(a))}")
    out.append(f'<polygon points="{" ".join(pts)}" fill="none" stroke="#f6f2a0" stroke-width="1.3" '
               'stroke-linejoin="round" opacity="0.85"/>')
    # the chalk ledge
    ledge = Rect(outer.x - 3, outer.bottom - 4, outer.w + 6, 6)
    out.append(rect_svg(ledge, rx=2, fill="url(#wood)", stroke="#4a2a10", stroke_width="1"))
    out.append(rect_svg(Rect(ledge.x + 30, ledge.y - 2.5, 14, 3.2), rx=1.5, fill="#ffffff", stroke="#c8c8c8", stroke_width="0.5"))
    out.append(rect_svg(Rect(ledge.x + 52, ledge.y - 2.5, 9, 3.2), rx=1.5, fill="#ffe27a", stroke="#c8a840", stroke_width="0.5"))
    # plates behind the texts that the program writes in dark olive and dark green
    out.append('<g filter="url(#shadow)">')
    out.append(rect_svg(title.grown(4, 3), rx=6, fill="url(#plate)", stroke="#a07a2a", stroke_width="1.4"))
    out.append(rect_svg(spanish.grown(4, 3), rx=6, fill="url(#panel)", stroke="#1f5a2c", stroke_width="1.3"))
    out.append(rect_svg(mask.grown(3), rx=3, fill="#1a4523", stroke="#a7e3a0", stroke_width="1"))
    out.append('</g>')
    plate = title.grown(4, 3)
    for x in (plate.x - 4, plate.right + 4):  # the screws that hold the plate
        out.append(f'<circle cx="{f(x)}" cy="{f(plate.cy)}" r="2" fill="#e9cf80" stroke="#6a4a10" stroke-width="0.6"/>')
    out.append(flag_on_pole(spanish_flag, fx, spanish.y - 4, flag_w, flag_h, "Castellano"))
    out.append(flag_on_pole(wiphala, fx, mask.y - 6, flag_w + 2, flag_h + 2, "Aymara"))
    return "\n".join(out)


def chakana(cx, cy, s):
    """The Andean stepped cross: arms 2s wide, three steps of s in each corner."""
    q = [(-1, -4), (1, -4), (1, -3), (2, -3), (2, -2), (3, -2), (3, -1), (4, -1)]
    pts = []
    for rot in range(4):
        for x, y in q:
            for _ in range(rot):
                x, y = -y, x
            pts.append(f"{f(cx + x * s)},{f(cy + y * s)}")
    return " ".join(pts)


def pictogram(kind, cx, cy, r):
    """A small dark sign on a button's disc, leaving the disc's very middle yellow."""
    def p(dx, dy):
        return f"{f(cx + dx * r)},{f(cy + dy * r)}"

    sw = f(0.15 * r)
    line = f'fill="none" stroke="{INK}" stroke-width="{sw}" stroke-linecap="round" stroke-linejoin="round"'
    if kind == "sound":
        return "\n".join([
            f'<polygon points="{p(-0.66, -0.2)} {p(-0.42, -0.2)} {p(-0.14, -0.46)} {p(-0.14, 0.46)} '
            f'{p(-0.42, 0.2)} {p(-0.66, 0.2)}" fill="{INK}" stroke="{INK}" stroke-width="{f(0.05 * r)}" stroke-linejoin="round"/>',
            f'<path d="M{p(0.14, -0.22)} Q{p(0.3, 0)} {p(0.14, 0.22)}" {line}/>',
            f'<path d="M{p(0.3, -0.42)} Q{p(0.58, 0)} {p(0.3, 0.42)}" {line}/>',
        ])
    if kind == "letters":
        return "\n".join([
            f'<text x="{f(cx - 0.04 * r)}" y="{f(cy + 0.32 * r)}" font-size="{f(0.95 * r)}" {FONT} '
            f'text-anchor="end" fill="{INK}">A</text>',
            f'<text x="{f(cx + 0.08 * r)}" y="{f(cy + 0.32 * r)}" font-size="{f(0.72 * r)}" {FONT} '
            f'text-anchor="start" fill="{INK}">a</text>',
        ])
    if kind == "next":
        return "\n".join([
            f'<path d="M{p(-0.6, -0.38)} L{p(-0.2, 0)} L{p(-0.6, 0.38)}" {line}/>',
            f'<path d="M{p(-0.12, -0.38)} L{p(0.3, 0)} L{p(-0.12, 0.38)}" {line}/>',
            f'<path d="M{p(0.46, -0.38)} L{p(0.46, 0.38)}" {line}/>',
        ])
    if kind == "question":
        return "\n".join([
            f'<path d="M{p(-0.3, -0.3)} C{p(-0.3, -0.66)} {p(0.34, -0.68)} {p(0.32, -0.36)} '
            f'C{p(0.3, -0.2)} {p(0.04, -0.24)} {p(0.04, -0.14)}" {line}/>',
            f'<circle cx="{f(cx + 0.04 * r)}" cy="{f(cy + 0.32 * r)}" r="{f(0.11 * r)}" fill="{INK}"/>',
        ])
    if kind == "back":
        head = f'{p(-0.58, -0.34)} {p(-0.3, -0.56)} {p(-0.3, -0.12)}'
        return "\n".join([
            f'<path d="M{p(-0.32, 0.4)} L{p(0.08, 0.4)} A{f(0.37 * r)},{f(0.37 * r)} 0 0 0 {p(0.08, -0.34)} '
            f'L{p(-0.34, -0.34)}" {line}/>',
            f'<polygon points="{head}" fill="{INK}" stroke="{INK}" stroke-width="{f(0.06 * r)}" stroke-linejoin="round"/>',
        ])
    raise ValueError(kind)


def buttons(t):
    """A yellow disc on a purple chakana under each hotspot, its word below."""
    out, labels = [], []
    placed = []
    for name, word, kind in BUTTONS:
        h = t[name]
        r = min(h.w, h.h) / 2 - 0.5
        s = r / 2.9
        placed.append((h, r, s, word, kind))
    # Buttons of one row share the line their words stand on.
    baselines = {}
    for h, r, s, _, _ in placed:
        row = [q for q in placed if abs(q[0].cy - h.cy) < 20]
        baselines[id(h)] = max(q[0].cy + 4 * q[2] for q in row) + 14
    for h, r, s, word, kind in placed:
        cx, cy = h.cx, h.cy
        out.append('<g filter="url(#shadow)">')
        out.append(f'<polygon points="{chakana(cx, cy, s)}" fill="url(#chakana)" stroke="#33104f" stroke-width="1.4" stroke-linejoin="round"/>')
        out.append(f'<polygon points="{chakana(cx, cy, s * 0.86)}" fill="none" stroke="#e6c6ff" stroke-width="0.9" opacity="0.7"/>')
        out.append(f'<circle cx="{f(cx)}" cy="{f(cy)}" r="{f(r + 2)}" fill="#33104f" opacity="0.6"/>')
        out.append(f'<circle cx="{f(cx)}" cy="{f(cy)}" r="{f(r)}" fill="url(#disc)" stroke="#b06a00" stroke-width="1.8"/>')
        out.append('</g>')
        out.append(f'<ellipse cx="{f(cx)}" cy="{f(cy - 0.56 * r)}" rx="{f(0.58 * r)}" ry="{f(0.3 * r)}" fill="url(#gloss)"/>')
        out.append(pictogram(kind, cx, cy, r))
        labels.append(text_svg(cx, baselines[id(h)], word, 14, "#fff7c2", "#3a0f5c", 3.4))
    return "\n".join(out + labels)


def convex_hull(points):
    pts = sorted(set(points))

    def cross(o, a, b):
        return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0])

    lower, upper = [], []
    for p in pts:
        while len(lower) >= 2 and cross(lower[-2], lower[-1], p) <= 0:
            lower.pop()
        lower.append(p)
    for p in reversed(pts):
        while len(upper) >= 2 and cross(upper[-2], upper[-1], p) <= 0:
            upper.pop()
        upper.append(p)
    return lower[:-1] + upper[:-1]


def edge_y(polygon, x):
    """Where the vertical line at x crosses the edges of a polygon."""
    ys = []
    for i, (ax, ay) in enumerate(polygon):
        bx, by = polygon[(i + 1) % len(polygon)]
        if min(ax, bx) <= x <= max(ax, bx) and ax != bx:
            ys.append(ay + (by - ay) * (x - ax) / (bx - ax))
    return ys


def condor(keys, button_left):
    """The condor: spread wings, a black poncho under every key (with a woven
    border and a fringe), feet on the floor and the head above the collar."""
    margin, black, trim = 9, 12, 7
    corners = []
    for k in keys:
        g = k.grown(margin)
        corners += [(g.x, g.y), (g.right, g.y), (g.x, g.bottom), (g.right, g.bottom)]
    hull = convex_hull(corners)
    ys = [y for _, y in hull]
    top = min(ys)
    top_xs = [x for x, y in hull if y <= top + 10]
    collar_x = (min(top_xs) + max(top_xs)) / 2
    collar_y = min(edge_y(hull, collar_x)) - black + 1
    # The cloth rises a little towards the shoulders on either side of the neck.
    shoulder_y = min(edge_y(hull, collar_x)) - 10
    hull = convex_hull(hull + [(collar_x - 55, shoulder_y), (collar_x + 55, shoulder_y)])
    d = "M" + " L".join(f"{f(x)},{f(y)}" for x, y in hull) + " Z"
    xs = [x for x, _ in hull]
    bottom = max(y for _, y in hull)
    out = []

    wing_defs, wing = fragment("condor_wing.svg")
    head_defs, head = fragment("condor_head.svg")
    # Wings spread wide behind the poncho, from shoulders beside the head; the
    # right tip stays clear of the buttons.
    left_sh = (collar_x - 40, collar_y + 14)
    right_sh = (collar_x + 40, collar_y + 14)
    tip_dx = 105  # how far the wing's tip lies from its shoulder, at scale 1
    scale = min(2.0, (left_sh[0] - 10) / tip_dx, (button_left - 8 - right_sh[0]) / tip_dx)
    out.append(f'<g transform="translate({f(left_sh[0])},{f(left_sh[1])}) scale({f(scale)})">{wing}</g>')
    out.append(f'<g transform="translate({f(right_sh[0])},{f(right_sh[1])}) scale({f(-scale)},{f(scale)})">{wing}</g>')
    out.append(f'<ellipse cx="{f(collar_x)}" cy="{f(collar_y + 6)}" rx="62" ry="22" fill="#111111" stroke="#000000" stroke-width="1.5"/>')

    # feet standing on the floor
    foot_y = bottom + black + trim + 4
    for fx in (collar_x - 70, collar_x + 70):
        out.append(f'<path d="M{f(fx - 4)},{f(foot_y - 8)} L{f(fx - 4)},{f(foot_y)} L{f(fx - 12)},{f(foot_y + 6)} '
                   f'M{f(fx)},{f(foot_y - 8)} L{f(fx)},{f(foot_y + 8)} M{f(fx + 4)},{f(foot_y - 8)} '
                   f'L{f(fx + 4)},{f(foot_y)} L{f(fx + 12)},{f(foot_y + 6)}" fill="none" stroke="#3a3a3a" '
                   'stroke-width="4.4" stroke-linecap="round" stroke-linejoin="round"/>')
        out.append(f'<path d="M{f(fx - 4)},{f(foot_y - 8)} L{f(fx - 4)},{f(foot_y)} L{f(fx - 12)},{f(foot_y + 6)} '
                   f'M{f(fx)},{f(foot_y - 8)} L{f(fx)},{f(foot_y + 8)} M{f(fx + 4)},{f(foot_y - 8)} '
                   f'L{f(fx + 4)},{f(foot_y)} L{f(fx + 12)},{f(foot_y + 6)}" fill="none" stroke="#8a8078" '
                   'stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>')

    # the poncho: shadow, woven border, fringe, black cloth
    width_all = 2 * (black + trim)
    out.append(f'<path d="{d}" transform="translate(4,6)" fill="#000000" stroke="#000000" '
               f'stroke-width="{width_all}" stroke-linejoin="round" opacity="0.35" filter="url(#softShadow)"/>')
    # The fringe hangs from the poncho's lower edge.
    colours = ["#d62839", "#ffc933", "#1f9a55", "#2a7bd6", "#ff7ab8"]
    for i, x in enumerate(range(min(xs) + 6, max(xs) - 5, 6)):
        y = max(edge_y(hull, x)) + black + trim - 1
        out.append(f'<path d="M{f(x)},{f(y)} L{f(x + 1)},{f(y + 8)}" stroke="{colours[i % 5]}" '
                   'stroke-width="2.6" stroke-linecap="round"/>')
    out.append(f'<path d="{d}" fill="none" stroke="#2a0a0e" stroke-width="{width_all + 2}" stroke-linejoin="round"/>')
    out.append(f'<path d="{d}" fill="none" stroke="url(#ponchoTrim)" stroke-width="{width_all}" stroke-linejoin="round"/>')
    out.append(f'<path d="{d}" fill="url(#poncho)" stroke="#0b0b0b" stroke-width="{2 * black}" stroke-linejoin="round"/>')
    out.append(f'<path d="{d}" fill="url(#ponchoFolds)" stroke="#0b0b0b" stroke-width="{2 * black - 8}" stroke-linejoin="round" opacity="0.8"/>')
    out.append(f'<path d="{d}" fill="url(#ponchoWeave)" stroke="none"/>')

    out.append(f'<g transform="translate({f(collar_x)},{f(collar_y)}) scale(1.3)">{head}</g>')
    return wing_defs + head_defs, "\n".join(out)


def llama(t):
    """The llama; its blanket lies behind the score and tries boxes, with the
    words Puntos and Vidas painted just left of them."""
    score, tries = t["Text3"], t["Text4"]
    defs, body = fragment("llama.svg")
    x = min(score.x, tries.x) - 54
    y = score.y - 8
    out = [f'<g transform="translate({f(x)},{f(y)})">{body}</g>']
    for box, word in ((score, "Puntos"), (tries, "Vidas")):
        out.append(text_svg(box.x - 4, box.cy + 5, word, 14, "#fffbe8", "#5e0a1c", 3.2, anchor="end"))
    return defs, "\n".join(out)


def scene_svg(tables):
    window = tables["window"]
    width = px(window["width"])
    height = px(window["height"]) + PICTURE_EXTRA_ROWS
    t = {name: Rect.from_twips(r) for name, r in tables["controls"].items()}
    keys = [Rect.from_twips(k) for k in tables["keys"]]
    floor_top = round(height * (1 - FLOOR_SHARE))
    button_left = min(t[name].cx - 4 * (min(t[name].w, t[name].h) / 2 - 0.5) / 2.9 for name, _, _ in BUTTONS)
    condor_defs, condor_svg = condor(keys, button_left)
    llama_defs, llama_svg = llama(t)
    return width, height, "\n".join([
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" viewBox="0 0 {width} {height}">',
        "<defs>", COMMON_DEFS, condor_defs, llama_defs, "</defs>",
        f'<rect width="{width}" height="{height}" fill="#804040"/>',
        wall(width, floor_top),
        floor(width, height, floor_top),
        picture_frame(t["Image4"]),
        board(t),
        condor_svg,
        llama_svg,
        buttons(t),
        "</svg>",
    ])


def run(*cmd):
    subprocess.run([str(c) for c in cmd], check=True)


def make_icon(svg, out, tmp, side=32):
    """A side x side ICO with a 256-colour palette and a one-bit mask."""
    png = tmp / (out.stem + ".png")
    flat = tmp / (out.stem + "-256.png")
    run(RSVG, "-w", side, "-h", side, svg, "-o", png)
    run(CONVERT, png, "-channel", "A", "-threshold", "50%", "+channel", "+dither", "-colors", 255, f"PNG32:{flat}")
    run(ICOTOOL, "-c", "--bit-depth=8", "-o", out, flat)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--tables", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--keep-svg", help="also write the scene's SVG here (for looking at it)")
    args = ap.parse_args()
    tables = json.loads(pathlib.Path(args.tables).read_text(encoding="utf-8"))
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    width, height, svg = scene_svg(tables)
    if args.keep_svg:
        pathlib.Path(args.keep_svg).write_text(svg, encoding="utf-8")
    with tempfile.TemporaryDirectory() as d:
        tmp = pathlib.Path(d)
        (tmp / "scene.svg").write_text(svg, encoding="utf-8")
        for scale in SCALES:
            png = tmp / f"scene{scale}.png"
            run(RSVG, "-w", width * scale, "-h", height * scale, tmp / "scene.svg", "-o", png)
            run(CONVERT, png, "-background", "#804040", "-flatten", "-alpha", "off",
                "-type", "TrueColor", f"BMP3:{at_scale(out / 'background.bmp', scale)}")
            make_icon(SOURCES / "icon.svg", at_scale(out / "icon.ico", scale), tmp, 32 * scale)
            make_icon(SOURCES / "hand.svg", at_scale(out / "hand.ico", scale), tmp, 32 * scale)
    return 0


if __name__ == "__main__":
    sys.exit(main())
