"""The 32 key pictures of the grapheme keyboard and their grey "used" copies.

Each key is a glossy oval button: a soft shadow, a radial gradient body with a
darker rim, a white gloss across the top and the key's letters in a dark shade
of the oval's colour. The grey copy is the same drawing with every colour of
the oval turned to a lighter, flatter grey, so that a used key reads as
switched off.

The oval and the pixels it covers come with each key from the tables (the
key's "oval": centre, radii and one [first, end) span of pixels per row). The
button is drawn on nothing and laid over the scene under the key inside those
spans; outside them a key picture is the scene's pixels unchanged and a grey
copy their grey levels (raster.grey_level), so the keys sit on the condor's
poncho without a seam, used or not."""
from raster import Picture, over
from svgkit import fmt, svg_document, text_element

# Oval colours by consonant class: gloss light, body, rim, letters.
PALETTES = {
    "simple": {"light": "#c8f7a8", "body": "#43c23c", "rim": "#1c6e1c", "ink": "#0a3a0c"},
    "aspirated": {"light": "#fff7be", "body": "#f6cf22", "rim": "#b07a06", "ink": "#553600"},
    "glottalized": {"light": "#ffc8b8", "body": "#ec4c3c", "rim": "#9a1812", "ink": "#440404"},
}

# Letters: a bold sans; strings too wide for the oval fall back to the narrow
# cut of the same family, then shrink.
FAMILY = "Liberation Sans"
NARROW = "Liberation Sans Narrow"
CAP_SHARE = 0.46   # cap height as a share of the picture height
WIDTH_SHARE = 0.76  # widest ink as a share of the oval's width


def _rgb(c):
    return int(c[1:3], 16), int(c[3:5], 16), int(c[5:7], 16)


def _used(c, lift, keep):
    """A lighter, flatter grey of the same brightness order."""
    r, g, b = _rgb(c)
    lum = 0.299 * r + 0.587 * g + 0.114 * b
    v = int(round(lift + lum * keep))
    return f"#{v:02x}{v:02x}{v:02x}"


def used_palette(p):
    out = {k: _used(v, 96, 0.58) for k, v in p.items() if k != "ink"}
    out["ink"] = _used(p["ink"], 70, 0.5)
    return out


def letter_layout(ink, key):
    """Font family, size and anchor of the key's letters, centred in the oval."""
    w, h = key["pictureWidth"], key["pictureHeight"]
    text = key["letters"]
    cx, cy = key["oval"]["cx"], key["oval"]["cy"]
    max_w = WIDTH_SHARE * (w - 3)
    for family in (FAMILY, NARROW):
        cap = ink.box("H", family, "bold", 1.0)
        size = CAP_SHARE * h / (cap[3] - cap[1])
        if ink.width(text, family, "bold", size) <= max_w:
            break
    else:
        size = min(size, max_w / ink.width(text, family, "bold", 1.0))
    size = round(size * 4) / 4
    x, y = ink.centred_at(text, family, "bold", size, cx, cy)
    return family, size, x, y


def key_svg(ink, key, used=False, ids="k"):
    """The key picture; ids prefixes its gradient and filter names."""
    w, h = key["pictureWidth"], key["pictureHeight"]
    p = PALETTES[key["class"]]
    if used:
        p = used_palette(p)
    oval = key["oval"]
    cx, cy, rx, ry = oval["cx"], oval["cy"], oval["rx"], oval["ry"]
    gloss = 0.55 if used else 0.9
    defs = f"""
<radialGradient id="{ids}body" cx="0.42" cy="0.32" r="0.75" fx="0.4" fy="0.25">
  <stop offset="0" stop-color="{p['light']}"/>
  <stop offset="0.45" stop-color="{p['body']}"/>
  <stop offset="1" stop-color="{p['rim']}"/>
</radialGradient>
<linearGradient id="{ids}gloss" x1="0" y1="0" x2="0" y2="1">
  <stop offset="0" stop-color="#ffffff" stop-opacity="{gloss}"/>
  <stop offset="1" stop-color="#ffffff" stop-opacity="0"/>
</linearGradient>
<filter id="{ids}soft" x="-20%" y="-20%" width="140%" height="140%">
  <feGaussianBlur stdDeviation="0.9"/>
</filter>"""
    family, size, tx, ty = letter_layout(ink, key)
    body = f"""<ellipse cx="{fmt(cx + 0.4)}" cy="{fmt(cy + 1.3)}" rx="{fmt(rx)}" ry="{fmt(ry)}" fill="#000000" opacity="0.9" filter="url(#{ids}soft)"/>
<ellipse cx="{fmt(cx)}" cy="{fmt(cy)}" rx="{fmt(rx)}" ry="{fmt(ry)}" fill="url(#{ids}body)" stroke="{p['rim']}" stroke-width="0.9"/>
<ellipse cx="{fmt(cx)}" cy="{fmt(cy - ry * 0.5)}" rx="{fmt(rx * 0.72)}" ry="{fmt(ry * 0.38)}" fill="url(#{ids}gloss)"/>
<path d="M {fmt(cx - rx * 0.55)} {fmt(cy + ry * 0.72)} Q {fmt(cx)} {fmt(cy + ry * 0.98)} {fmt(cx + rx * 0.55)} {fmt(cy + ry * 0.72)}" fill="none" stroke="#ffffff" stroke-opacity="{0.25 if used else 0.4}" stroke-width="0.8"/>
{text_element(tx, ty + 0.6, key['letters'], family, 'bold', size, '#ffffff', extra='fill-opacity="0.35"')}
{text_element(tx, ty, key['letters'], family, 'bold', size, p['ink'])}"""
    return svg_document(w, h, body, defs)


def runs(keys):
    """Every text run the keys need measured."""
    return [(t, f, "bold") for k in keys for f in (FAMILY, NARROW) for t in (k["letters"], "H")]


def oval_rows(key, scale):
    """The oval's [first, end) span on each row of the key picture at a
    scale: at 1 the spans of the tables; at a larger scale the pixels whose
    centre lies inside the same oval (the rim grown by its reach), measured
    in the key's own pixels, so the edge is as fine as the picture."""
    oval = key["oval"]
    if scale == 1:
        return oval["rows"]
    cx, cy = oval["cx"], oval["cy"]
    rx, ry = oval["rx"] + oval["reach"], oval["ry"] + oval["reach"]
    rows = []
    for y in range(key["pictureHeight"] * scale):
        dy = ((y + 0.5) / scale - cy) / ry
        inside = [x for x in range(key["pictureWidth"] * scale)
                  if (((x + 0.5) / scale - cx) / rx) ** 2 + dy * dy <= 1.0]
        rows.append([inside[0], inside[-1] + 1] if inside else [0, 0])
    return rows


def on_scene(key, drawing, ground, scale=1):
    """The key picture: the drawing (RGBA) laid over the ground (the scene's
    Picture under the key) on the oval's pixels, the ground itself on every
    other pixel; scale: the pictures' scale."""
    w = key["pictureWidth"] * scale
    out = bytearray(ground.rgb)
    for y, (first, end) in enumerate(oval_rows(key, scale)):
        if end > first:
            a, b = y * w + first, y * w + end
            out[3 * a:3 * b] = over(drawing[4 * a:4 * b], ground.rgb[3 * a:3 * b])
    return Picture(ground.width, ground.height, out)
