"""The grapheme chart shown in the grapheme panel (Image3 inside Frame2).

Every letter is centred on the area that plays its sound: the areas are
placed in Frame2, the chart lies at Image3's position in that frame, so a
letter's place in the chart is its area shifted by the chart's position.
Around the letters: the title, a short text about the alphabet, the
consonant table's column heads and side label, the vowel triangle, the
lengthened vowels and a colour legend, over a faded Andean landscape."""
import re

from svgkit import esc, fmt, px, svg_document, text_element

TITLE = "GRAFEMARIO AYMARA"
INTRO = [  # lines of the paragraph; the class words are coloured as in the table
    [("El alfabeto aymara tiene ", None), ("26 consonantes", "b")],
    [("y ", None), ("3 vocales", "b"), (". Las consonantes pueden", None)],
    [("ser ", None), ("simples", "simple"), (", ", None), ("aspiradas", "aspirated"), (" o", None)],
    [("glotalizadas", "glottalized"), (".", None)],
    [("Toca una letra para escuchar", "hint")],
    [("su sonido.", "hint")],
]
HEADS = ["Bilabial", "Dental", "Palatal", "Velar", "Postvelar"]
SIDE = "Oclusivas"
VOWELS = "Vocales"
LONG_VOWELS = "Alargamiento Vocálico"
LEGEND = [("simple", "Consonante Simple"), ("aspirated", "Consonante Aspirada"),
          ("glottalized", "Consonante Glotalizada")]

COLOURS = {"simple": "#1b8a22", "aspirated": "#c08600", "glottalized": "#d3201c"}
TINTS = {"simple": "#e4f7df", "aspirated": "#fff3c8", "glottalized": "#ffe0dc"}
BLUE = "#1d4fd6"
BROWN = "#4a3414"

SANS = "DejaVu Sans"
LETTERS = "Liberation Sans"
NARROW = "Liberation Sans Narrow"

TITLE_SIZE = 33
TEXT_SIZE = 13
HEAD_SIZE = 11.5
LETTER_SIZE = 15.5
VOWEL_SIZE = 20


def chart_rect(tables):
    """The chart's place in the frame and its size, in pixels."""
    c = tables["controls"]["Image3"]
    return px(c["left"]), px(c["top"]), px(c["width"]), px(c["height"])


def areas(tables):
    """Each chart letter with its area in chart pixels (x, y, w, h): the area
    and the chart are both placed in the frame, so the area's place in the
    picture is the difference of the two."""
    left, top, _, _ = chart_rect(tables)
    return [(a["letters"], (px(a["left"]) - left, px(a["top"]) - top, px(a["width"]), px(a["height"])))
            for a in tables["chart"]]


def letter_class(index):
    """The first three rows of the table are plain, aspirated and glottalized
    stops (five each); every other letter is drawn in the plain colour."""
    return ("simple", "aspirated", "glottalized")[index // 5] if index < 15 else "simple"


def is_vowel(letters):
    return letters in ("I", "U", "A", "\u00c4", "\u00cf", "\u00dc")


def runs(tables):
    out = [(TITLE, SANS, "bold"), (SIDE, NARROW, "bold"), (VOWELS, SANS, "bold"),
           (LONG_VOWELS, SANS, "bold"), ("H", SANS, "bold")]
    out += [(h, NARROW, "bold") for h in HEADS]
    out += [(t, SANS, "bold") for _, t in LEGEND]
    out += [("".join(t for t, _ in line), SANS, "normal") for line in INTRO]
    out += [(a["letters"], LETTERS, "bold") for a in tables["chart"]]
    return out


def landscape(assets, width, height):
    """The landscape SVG's drawing, scaled to the chart."""
    svg = (assets / "andes.svg").read_text(encoding="utf-8")
    svg = re.sub(r"<!--.*?-->", "", svg, flags=re.S)
    m = re.search(r'<svg[^>]*viewBox="0 0 ([\d.]+) ([\d.]+)"[^>]*>(.*)</svg>', svg, re.S)
    vw, vh, inner = float(m.group(1)), float(m.group(2)), m.group(3)
    return f'<g transform="scale({fmt(width / vw)} {fmt(height / vh)})">{inner}</g>'


def _halo(size):
    return (f'stroke="#ffffff" stroke-width="{fmt(size * 0.16)}" stroke-linejoin="round" '
            'paint-order="stroke"')


def chart_svg(ink, tables, assets):
    _, _, width, height = chart_rect(tables)
    parts = []
    parts.append(f'<rect width="{width}" height="{height}" fill="#fffdf0"/>')
    parts.append(f'<g opacity="0.42">{landscape(assets, width, height)}</g>')
    parts.append(f'<rect width="{width}" height="{height}" fill="#fffef5" opacity="0.25"/>')

    spots = areas(tables)
    stops = [r for _, r in spots[:15]]
    cols = [(r[0] + r[2] / 2) for r in stops[:5]]
    cons = [r for l, r in spots if not is_vowel(l)]
    tab_left = min(r[0] for r in cons) - 34
    tab_top = min(r[1] for r in cons) - 30
    tab_right = width - 4
    tab_bottom = max(r[1] + r[3] for r in cons) + 5

    # Title across the top.
    tx, _ = ink.centred_at(TITLE, SANS, "bold", TITLE_SIZE, width / 2, 0)
    ty = 8 - ink.box(TITLE, SANS, "bold", TITLE_SIZE)[1]  # ink starts 8 px from the top
    parts.append(text_element(tx + 1.5, ty + 2, TITLE, SANS, "bold", TITLE_SIZE, "#0b2a7a", extra='opacity="0.35"'))
    parts.append(text_element(tx, ty, TITLE, SANS, "bold", TITLE_SIZE, BLUE,
                              extra='stroke="#ffffff" stroke-width="3" stroke-linejoin="round" paint-order="stroke"'))

    # The paragraph at the left, on a soft card.
    line_h = TEXT_SIZE * 1.5
    card_x, card_y = 10, tab_top
    card_w = tab_left - 10 - card_x
    text_w = max(ink.width("".join(t for t, _ in line), SANS, "normal", TEXT_SIZE) for line in INTRO)
    card_h = line_h * len(INTRO) + 16
    parts.append(f'<rect x="{card_x}" y="{card_y}" width="{fmt(card_w)}" height="{fmt(card_h)}" rx="10" '
                 'fill="#ffffff" fill-opacity="0.72" stroke="#d8b45a" stroke-width="1.5"/>')
    text_x = card_x + (card_w - text_w) / 2
    for i, line in enumerate(INTRO):
        spans = []
        for text, kind in line:
            if kind in COLOURS:
                spans.append(f'<tspan fill="{COLOURS[kind]}">{esc(text)}</tspan>')
            elif kind == "b":
                spans.append(f'<tspan fill="{BLUE}">{esc(text)}</tspan>')
            elif kind == "hint":
                spans.append(f'<tspan fill="#7a5a20" font-style="italic">{esc(text)}</tspan>')
            else:
                spans.append(esc(text))
        y = card_y + 8 + TEXT_SIZE + i * line_h + (4 if line[0][1] == "hint" else 0)
        parts.append(f'<text x="{fmt(text_x)}" y="{fmt(y)}" font-family="{SANS}" font-size="{TEXT_SIZE}" '
                     f'fill="{BROWN}">{"".join(spans)}</text>')

    # The consonant table: a card, column heads, the side label and a rule under the stops.
    parts.append(f'<rect x="{fmt(tab_left)}" y="{fmt(tab_top)}" width="{fmt(tab_right - tab_left)}" '
                 f'height="{fmt(tab_bottom - tab_top)}" rx="10" fill="#ffffff" fill-opacity="0.72" '
                 'stroke="#d8b45a" stroke-width="1.5"/>')
    head_y = min(r[1] for r in stops) - 5
    for head, cx in zip(HEADS, cols):
        x, _ = ink.centred_at(head, NARROW, "bold", HEAD_SIZE, cx, 0)
        parts.append(text_element(x, head_y, head, NARROW, "bold", HEAD_SIZE, BROWN))
    side_top = min(r[1] for r in stops)
    side_bottom = max(r[1] + r[3] for r in stops)
    side_x = tab_left + 12
    sx, sy = ink.centred_at(SIDE, NARROW, "bold", HEAD_SIZE, 0, 0)
    parts.append(f'<g transform="translate({fmt(side_x)} {fmt((side_top + side_bottom) / 2)}) rotate(-90)">'
                 f'{text_element(sx, sy, SIDE, NARROW, "bold", HEAD_SIZE, BROWN)}</g>')
    bx = side_x + 9
    parts.append(f'<path d="M {fmt(bx + 4)} {fmt(side_top)} H {fmt(bx)} V {fmt(side_bottom)} H {fmt(bx + 4)}" '
                 'fill="none" stroke="#b08a3a" stroke-width="1.3"/>')
    rule_y = side_bottom + 4
    parts.append(f'<path d="M {fmt(bx)} {fmt(rule_y)} H {fmt(tab_right - 8)}" stroke="#d8b45a" '
                 'stroke-width="1" stroke-dasharray="3 3"/>')

    # The vowel triangle and the lengthened vowels, with their headings.
    vowel_spots = {l: r for l, r in spots if is_vowel(l)}
    centre = {l: (r[0] + r[2] / 2, r[1] + r[3] / 2) for l, r in vowel_spots.items()}
    tri = [centre["I"], centre["U"], centre["A"]]
    parts.append('<path d="M {} {} L {} {} L {} {} Z" fill="#fff6d8" fill-opacity="0.75" stroke="#c9a040" '
                 'stroke-width="1.4" stroke-linejoin="round"/>'.format(*(fmt(v) for p in tri for v in p)))
    vx, _ = ink.centred_at(VOWELS, SANS, "bold", 12, (tri[0][0] + tri[1][0]) / 2, 0)
    vtop = min(vowel_spots[l][1] for l in ("I", "U"))
    parts.append(text_element(vx, vtop - 6, VOWELS, SANS, "bold", 12, BROWN, extra=_halo(12)))
    long_spots = [vowel_spots[l] for l in ("\u00c4", "\u00cf", "\u00dc")]
    lcx = (long_spots[0][0] + long_spots[-1][0] + long_spots[-1][2]) / 2
    lx, _ = ink.centred_at(LONG_VOWELS, SANS, "bold", 11, lcx, 0)
    ltop = min(r[1] for r in long_spots)
    parts.append(text_element(lx, ltop - 4, LONG_VOWELS, SANS, "bold", 11, BROWN, extra=_halo(11)))

    # The letters, each centred in its area, on a soft tile of its class's tint.
    for index, (letters, (x, y, w, h)) in enumerate(spots):
        kind = letter_class(index)
        size = VOWEL_SIZE if is_vowel(letters) else LETTER_SIZE
        bw = ink.width(letters, LETTERS, "bold", size)
        if bw > w - 1:
            size *= (w - 1) / bw
        cx, cy = x + w / 2, y + h / 2
        tile_w = max(ink.width(letters, LETTERS, "bold", size) + 8, 21)
        tile_h = 21 if not is_vowel(letters) else 24
        parts.append(f'<rect x="{fmt(cx - tile_w / 2)}" y="{fmt(cy - tile_h / 2)}" width="{fmt(tile_w)}" '
                     f'height="{tile_h}" rx="6" fill="{TINTS[kind]}" stroke="{COLOURS[kind]}" '
                     'stroke-width="1.2" stroke-opacity="0.7"/>')
        lx, ly = ink.centred_at(letters, LETTERS, "bold", size, cx, cy)
        parts.append(text_element(lx, ly, letters, LETTERS, "bold", size, COLOURS[kind]))

    # The colour legend at the lower right.
    leg_size = 11
    leg_h = 14
    leg_w = max(ink.width(t, SANS, "bold", leg_size) for _, t in LEGEND) + 30
    leg_x = tab_right - leg_w
    leg_y = tab_bottom + 5
    parts.append(f'<rect x="{fmt(leg_x)}" y="{fmt(leg_y)}" width="{fmt(leg_w)}" height="{leg_h * 3 + 8}" rx="8" '
                 'fill="#ffffff" fill-opacity="0.72" stroke="#d8b45a" stroke-width="1.5"/>')
    for i, (kind, text) in enumerate(LEGEND):
        cy = leg_y + 4 + leg_h * i + leg_h / 2
        parts.append(f'<circle cx="{fmt(leg_x + 12)}" cy="{fmt(cy)}" r="4.5" fill="{COLOURS[kind]}" '
                     'stroke="#ffffff" stroke-width="1"/>')
        _, ty = ink.centred_at("H", SANS, "bold", leg_size, 0, cy)
        parts.append(text_element(leg_x + 22, ty, text, SANS, "bold", leg_size, COLOURS[kind]))

    return svg_document(width, height, "\n".join(parts))
