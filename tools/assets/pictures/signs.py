"""The hit and miss signs (Image73, Image74) and the completion panel
(Picture1). Their sizes, and the places inside the panel where the two labels
and the "wali" button lie, come from the control rectangles."""
import random

from svgkit import fmt, px, svg_document, text_element

SANS = "DejaVu Sans"
CREAM = "#fff4d6"
SAND = "#e6cc94"

HIT = {"word": "Jisaw", "light": "#c6ff9e", "body": "#35d42a", "rim": "#138c12", "ink": "#0c4f0c"}
MISS = {"word": "Janiw", "light": "#ffd6c8", "body": "#f7806a", "rim": "#c24432", "ink": "#6a140a"}

GREETING = "Felicidades Yatiqiri"
PUPIL = "(Alumno)"
WORD_ES = "La palabra"
WORD_AY = "En Aymara se escribe"


def _rect(tables, name, origin=None):
    """A control's rectangle in pixels, relative to the corner of its
    container or, for a control outside it, of another control."""
    c = tables["controls"][name]
    ox = oy = 0
    if origin:
        o = tables["controls"][origin]
        ox, oy = px(o["left"]), px(o["top"])
    return px(c["left"]) - ox, px(c["top"]) - oy, px(c["width"]), px(c["height"])


def _size(tables, name):
    c = tables["controls"][name]
    return px(c["width"]), px(c["height"])


def runs(tables):
    return [(w, SANS, "bold") for w in ("J", HIT["word"], MISS["word"], GREETING, PUPIL, WORD_ES, WORD_AY)]


def _sign_svg(ink, width, height, look):
    cx, cy = width / 2, height / 2 - 0.5
    rx, ry = width / 2 - 4, height / 2 - 5
    word = look["word"]
    # As large as fits: 74% of the oval's width, capitals 42% of its height.
    _, cap_top, _, cap_bottom = ink.box("J", SANS, "bold", 1.0)
    size = min(rx * 2 * 0.74 / ink.width(word, SANS, "bold", 1.0), ry * 2 * 0.42 / (cap_bottom - cap_top))
    tx, ty = ink.centred_at(word, SANS, "bold", size, cx, cy + 1)
    defs = f"""
<radialGradient id="body" cx="0.42" cy="0.3" r="0.78" fx="0.38" fy="0.22">
  <stop offset="0" stop-color="{look['light']}"/>
  <stop offset="0.5" stop-color="{look['body']}"/>
  <stop offset="1" stop-color="{look['rim']}"/>
</radialGradient>
<linearGradient id="gloss" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#ffffff" stop-opacity="0.85"/>
  <stop offset="1" stop-color="#ffffff" stop-opacity="0"/>
</linearGradient>
<filter id="soft" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="1.6"/></filter>"""
    body = f"""<rect width="{width}" height="{height}" fill="{CREAM}"/>
<ellipse cx="{fmt(cx + 1)}" cy="{fmt(cy + 2.5)}" rx="{fmt(rx)}" ry="{fmt(ry)}" fill="#6b5a3a" opacity="0.45" filter="url(#soft)"/>
<ellipse cx="{fmt(cx)}" cy="{fmt(cy)}" rx="{fmt(rx)}" ry="{fmt(ry)}" fill="url(#body)" stroke="{look['rim']}" stroke-width="1.5"/>
<ellipse cx="{fmt(cx)}" cy="{fmt(cy - ry * 0.52)}" rx="{fmt(rx * 0.7)}" ry="{fmt(ry * 0.36)}" fill="url(#gloss)"/>
{text_element(tx, ty, word, SANS, 'bold', size, '#ffffff',
              extra=f'stroke="{look["ink"]}" stroke-width="{fmt(size * 0.16)}" stroke-linejoin="round" paint-order="stroke"')}"""
    return svg_document(width, height, body, defs)


def jisaw_svg(ink, tables):
    return _sign_svg(ink, *_size(tables, "Image73"), HIT)


def janiw_svg(ink, tables):
    return _sign_svg(ink, *_size(tables, "Image74"), MISS)


def _field(rect, pad_x, pad_y, fill, stroke):
    x, y, w, h = rect
    return (f'<rect x="{fmt(x - pad_x)}" y="{fmt(y - pad_y)}" width="{fmt(w + 2 * pad_x)}" '
            f'height="{fmt(h + 2 * pad_y)}" rx="{fmt((h + 2 * pad_y) / 2.4)}" fill="{fill}" stroke="{stroke}" '
            'stroke-width="1.5"/>')


def panel_svg(ink, tables):
    width, height = _size(tables, "Picture1")
    label11 = _rect(tables, "Label11")
    label12 = _rect(tables, "Label12")
    wali = _rect(tables, "Command1")
    button = _rect(tables, "Image7", origin="Picture1")  # the scene's button peeking in at the right

    parts = [f'<rect width="{width}" height="{height}" fill="{SAND}"/>']
    grains = random.Random(7)  # a fixed seed: the same sand every run
    for _ in range(140):
        x, y = grains.uniform(0, width), grains.uniform(0, height)
        shade = grains.choice(("#d4b87c", "#f2dcac", "#c9ab6c"))
        parts.append(f'<circle cx="{fmt(x)}" cy="{fmt(y)}" r="{fmt(grains.uniform(0.5, 1.1))}" fill="{shade}"/>')

    bx, by, bw, bh = button
    br = min(bw, bh) / 2
    parts.append(f'<circle cx="{fmt(bx + bw / 2)}" cy="{fmt(by + bh / 2)}" r="{fmt(br + 3)}" fill="#6a2c86"/>')
    parts.append(f'<circle cx="{fmt(bx + bw / 2)}" cy="{fmt(by + bh / 2)}" r="{fmt(br)}" fill="url(#yellow)" '
                 'stroke="#a07400" stroke-width="1.5"/>')

    ecx, ecy = width / 2 - 6, height / 2 + 1
    erx, ery = width / 2 - 10, height / 2 - 2
    parts.append(f'<ellipse cx="{fmt(ecx + 1.5)}" cy="{fmt(ecy + 2.5)}" rx="{fmt(erx)}" ry="{fmt(ery)}" '
                 'fill="#7a6234" opacity="0.35" filter="url(#soft)"/>')
    parts.append(f'<ellipse cx="{fmt(ecx)}" cy="{fmt(ecy)}" rx="{fmt(erx)}" ry="{fmt(ery)}" fill="url(#leaf)" '
                 'stroke="#6cbf5c" stroke-width="2"/>')

    # The greeting on a ribbon across the top.
    g_size = 12.5
    gw = ink.width(GREETING, SANS, "bold", g_size)
    p_size = 10
    pw = ink.width(PUPIL, SANS, "bold", p_size)
    total = gw + 5 + pw
    rib_w, rib_y, rib_h = total + 22, 5, 20
    rib_x = ecx - rib_w / 2
    parts.append(f'<path d="M {fmt(rib_x - 8)} {fmt(rib_y + 4)} h 14 v {rib_h} h -14 l 5 {fmt(-rib_h / 2)} Z" fill="#c98a10"/>')
    parts.append(f'<path d="M {fmt(rib_x + rib_w + 8)} {fmt(rib_y + 4)} h -14 v {rib_h} h 14 l -5 {fmt(-rib_h / 2)} Z" fill="#c98a10"/>')
    parts.append(f'<rect x="{fmt(rib_x)}" y="{rib_y}" width="{fmt(rib_w)}" height="{rib_h}" rx="4" fill="url(#ribbon)" '
                 'stroke="#b07808" stroke-width="1"/>')
    _, gy = ink.centred_at(GREETING, SANS, "bold", g_size, 0, rib_y + rib_h / 2)
    x0 = ecx - total / 2  # where the greeting's ink starts
    gx = x0 - ink.box(GREETING, SANS, "bold", g_size)[0]
    parts.append(text_element(gx, gy, GREETING, SANS, "bold", g_size, "#7a1f00"))
    px = x0 + gw + 5 - ink.box(PUPIL, SANS, "bold", p_size)[0]
    parts.append(text_element(px, gy, PUPIL, SANS, "bold", p_size, "#7a3f00"))

    # "La palabra" beside the cyan field of Label11.
    f_size = 11.5
    parts.append(_field(label11, 7, 4, "#b4f6ff", "#1ea7bf"))
    _, ly = ink.centred_at(WORD_ES, SANS, "bold", f_size, 0, label11[1] + label11[3] / 2)
    lx = label11[0] - 7 - 6 - ink.box(WORD_ES, SANS, "bold", f_size)[2]  # ink ends 6 px before the field
    parts.append(text_element(lx, ly, WORD_ES, SANS, "bold", f_size, "#2a4a1a"))

    # "En Aymara se escribe" above the green field of Label12, clear of the wali button.
    parts.append(_field(label12, 7, 4, "#c4f4b4", "#3d9a36"))
    aw = ink.width(WORD_AY, SANS, "bold", f_size)
    acx = min(label12[0] + label12[2] / 2, wali[0] - 5 - aw / 2)
    field11_bottom = label11[1] + label11[3] + 4
    field12_top = label12[1] - 4
    ax, ay = ink.centred_at(WORD_AY, SANS, "bold", f_size, acx, (field11_bottom + field12_top) / 2 + 1)
    parts.append(text_element(ax, ay, WORD_AY, SANS, "bold", f_size, "#2a4a1a"))

    defs = """
<radialGradient id="leaf" cx="0.45" cy="0.35" r="0.7">
  <stop offset="0" stop-color="#f2fff0"/>
  <stop offset="1" stop-color="#c8f0bc"/>
</radialGradient>
<radialGradient id="yellow" cx="0.4" cy="0.35" r="0.7">
  <stop offset="0" stop-color="#fff9b0"/>
  <stop offset="0.6" stop-color="#ffd400"/>
  <stop offset="1" stop-color="#d89c00"/>
</radialGradient>
<linearGradient id="ribbon" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#ffe27a"/>
  <stop offset="1" stop-color="#f3b830"/>
</linearGradient>
<filter id="soft" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="2"/></filter>"""
    return svg_document(width, height, "\n".join(parts), defs)
