"""Draws the game window's two animations, each exactly the size of its player
(from the tables) and drawn over the part of the game window's scene that
lies under its player, so that the player's back colour shows nowhere and the
drawing sits on the scene:
- animaciones/anima_adivina.gif (player Marchoso2), the instructions, looping
  forever, on a rounded card of the window's wine colour that hangs over the
  painted buttons (the scene shows in its corners): a child in a chullo waves at a bouncing question mark under the
  speech bubble "¡Adivina la palabra!", while three grapheme keys are pressed
  in turn beside the words "Pulsa las letras";
- la_mano.gif (player Marchoso1), shown after each correct guess: a thumbs-up
  hand pops up in a soft glow, wiggles and sparkles, in one pass of about a
  second, with no loop extension, so it plays once. The hand, its glow and the
  sparkles stay clear of the frame's edges (EDGE_CLEAR pixels), so the edges
  show the scene alone.
Every frame is an SVG made here from the frame's time, rendered with
rsvg-convert on nothing and laid over the scene (raster.over); ImageMagick
assembles the GIF on one shared palette of 256 colours, chosen for all frames
at once and without dithering, so the scene keeps the same colours in every
frame; gifsicle optimises it and sets the looping. Each animation also comes
at twice the size beside it (anima_adivina@2x.gif, la_mano@2x.gif), the same
frames drawn over the scene's @2x copy, for screens of device pixel ratio 2."""
import json
import math
import os
import subprocess
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import raster

WINE = "#804040"  # RGB(128, 64, 64), the bubble's words
INK = "#5a2a2a"
SKIN, SKIN_EDGE = "#f7c590", "#9a5b2e"
YELLOW, YELLOW_EDGE = "#ffd23f", "#b57f0c"
FONT = "Liberation Sans"

# The drawings are laid out on these grids and scaled to the player's size.
GUESS_GRID = (225, 161)
HAND_GRID = (147, 168)


# Pixels along the hand animation's edges that nothing is drawn on.
EDGE_CLEAR = 3


def _frame(size, grid, body, back=""):
    """A whole frame: what back draws (in the frame's pixels), then the
    drawing scaled from its grid to fit the frame, centred, all on nothing
    (the scene goes under it later)."""
    w, h = size
    gw, gh = grid
    s = min(w / gw, h / gh)
    dx, dy = (w - gw * s) / 2, (h - gh * s) / 2
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">
{back}
  <g transform="translate({dx:.2f} {dy:.2f}) scale({s:.4f})">
{body}
  </g>
</svg>"""


# The instructions' card: corner radius and outline, in pixels of the frame.
CARD_RADIUS = 12
CARD_LINE = 2


def _card(size):
    """The rounded wine-coloured card behind the instructions, outlined; the
    drawing on it is clipped to it."""
    w, h = size
    inset = CARD_LINE / 2
    shape = (f'x="{inset}" y="{inset}" width="{w - 2 * inset}" height="{h - 2 * inset}" '
             f'rx="{CARD_RADIUS}" ry="{CARD_RADIUS}"')
    return f"""  <defs>
    <linearGradient id="card" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#8a4848"/>
      <stop offset="1" stop-color="{WINE}"/>
    </linearGradient>
    <clipPath id="onCard"><rect {shape}/></clipPath>
  </defs>
  <rect {shape} fill="url(#card)"/>"""


def _card_outline(size):
    w, h = size
    inset = CARD_LINE / 2
    return (f'<rect x="{inset}" y="{inset}" width="{w - 2 * inset}" height="{h - 2 * inset}" '
            f'rx="{CARD_RADIUS}" ry="{CARD_RADIUS}" fill="none" stroke="{INK}" stroke-width="{CARD_LINE}"/>')


def _sparkle(x, y, r, opacity=1.0, colour="#fff6b0"):
    """A four-pointed star of radius r centred at (x, y)."""
    k = r * 0.28
    return (
        f'<path d="M{x:.1f},{y - r:.1f} Q{x + k:.1f},{y - k:.1f} {x + r:.1f},{y:.1f} '
        f'Q{x + k:.1f},{y + k:.1f} {x:.1f},{y + r:.1f} Q{x - k:.1f},{y + k:.1f} {x - r:.1f},{y:.1f} '
        f'Q{x - k:.1f},{y - k:.1f} {x:.1f},{y - r:.1f} Z" fill="{colour}" opacity="{opacity:.2f}"/>'
    )


# ---- The instruction animation --------------------------------------------

GUESS_FRAMES = 12
GUESS_DELAY = 11  # hundredths of a second per frame
KEYS = ["a", "ch", "k'"]


def _open_hand(x, y, angle):
    """A waving open hand, the palm centred at (x, y), tilted by angle."""
    fingers = [(-4.5, -13), (-1.5, -15), (1.8, -14.5), (4.8, -12)]
    lines = "".join(f"M{fx * 0.6:.1f},-3 L{fx:.1f},{fy:.1f} " for fx, fy in fingers) + "M-5,1 L-11,-4"
    return f"""      <g transform="translate({x:.2f} {y:.2f}) rotate({angle:.1f})">
        <path d="{lines}" stroke="{SKIN_EDGE}" stroke-width="5.4" stroke-linecap="round"/>
        <circle r="6.5" fill="{SKIN}" stroke="{SKIN_EDGE}" stroke-width="2"/>
        <path d="{lines}" stroke="{SKIN}" stroke-width="3.2" stroke-linecap="round"/>
        <circle r="5.4" fill="{SKIN}"/>
      </g>"""


def _child(bob, blink, wave):
    """A child in a striped poncho and a chullo, waving towards the question mark."""
    eyes = (
        '<path d="M36,104 q4,2 8,0 M50,104 q4,2 8,0" fill="none" stroke="#2b1d14" stroke-width="2.2" stroke-linecap="round"/>'
        if blink else
        '<circle cx="40" cy="104" r="3.2" fill="#2b1d14"/><circle cx="54" cy="104" r="3.2" fill="#2b1d14"/>'
        '<circle cx="41" cy="103" r="1.1" fill="#ffffff"/><circle cx="55" cy="103" r="1.1" fill="#ffffff"/>'
    )
    hand_x, hand_y = 80, 112
    return f"""    <g transform="translate(0 {bob:.2f})">
      <path d="M62,142 L{hand_x - 1},{hand_y + 7}" stroke="#c62d42" stroke-width="9" stroke-linecap="round"/>
{_open_hand(hand_x, hand_y, 15 * wave)}
      <path d="M18,170 L30,134 L64,134 L76,170 Z" fill="#c62d42" stroke="{INK}" stroke-width="2" stroke-linejoin="round"/>
      <path d="M24,152 L70,152 M21,160 L73,160" stroke="{YELLOW}" stroke-width="3"/>
      <path d="M26,144 L68,144" stroke="#2a8a4a" stroke-width="3"/>
      <circle cx="47" cy="108" r="23" fill="{SKIN}" stroke="{SKIN_EDGE}" stroke-width="2"/>
      <path d="M23,104 C22,84 34,76 47,76 C60,76 72,84 71,104 L67,104 L66,122 L60,104 L34,104 L28,122 L27,104 Z"
            fill="#2f6fc0" stroke="{INK}" stroke-width="2" stroke-linejoin="round"/>
      <path d="M26,92 L68,92" stroke="{YELLOW}" stroke-width="4"/>
      <path d="M25,98 L69,98" stroke="#e5305f" stroke-width="3"/>
      <circle cx="47" cy="73" r="6" fill="{YELLOW}" stroke="{INK}" stroke-width="1.5"/>
      <path d="M28,122 l-2,6 M66,122 l2,6" stroke="{YELLOW}" stroke-width="2" stroke-linecap="round"/>
      {eyes}
      <circle cx="35" cy="113" r="3.5" fill="#f29a8c" opacity="0.7"/>
      <circle cx="59" cy="113" r="3.5" fill="#f29a8c" opacity="0.7"/>
      <path d="M40,116 Q47,122 54,116" fill="none" stroke="#8a3b2a" stroke-width="2.2" stroke-linecap="round"/>
    </g>"""


def _bubble():
    return f"""    <path d="M20,5 H205 Q219,5 219,19 V33 Q219,47 205,47 H62 L50,70 L48,47 H20 Q6,47 6,33 V19 Q6,5 20,5 Z"
          fill="#ffffff" stroke="{INK}" stroke-width="2.5" stroke-linejoin="round"/>
    <text x="112.5" y="33" font-family="{FONT}" font-weight="bold" font-size="19" text-anchor="middle" fill="{WINE}">¡Adivina la palabra!</text>"""


def _question_mark(lift, squash):
    """The big question mark, lifted by `lift` and squashed on landing."""
    sx, sy = 1 + squash * 0.18, 1 - squash * 0.18
    return f"""    <g transform="translate(106 142) translate(0 {-lift:.2f}) scale({sx:.3f} {sy:.3f})">
      <text x="0" y="0" font-family="{FONT}" font-weight="bold" font-size="50" text-anchor="middle"
            fill="{YELLOW}" stroke="{INK}" stroke-width="2.5" paint-order="stroke">?</text>
    </g>"""


def _keys(pressed, glow):
    parts = [f'    <text x="168" y="89" font-family="{FONT}" font-weight="bold" font-size="14" '
             f'text-anchor="middle" fill="#fff3c4">Pulsa las letras</text>']
    for i, letters in enumerate(KEYS):
        x, y = 129 + i * 27, 106
        down = 3 if i == pressed else 0
        face = "#fff3a8" if i == pressed else YELLOW
        parts.append(
            f'    <rect x="{x}" y="{y + 3}" width="24" height="24" rx="5" fill="{YELLOW_EDGE}"/>\n'
            f'    <rect x="{x}" y="{y + down}" width="24" height="24" rx="5" fill="{face}" stroke="{INK}" stroke-width="1.5"/>\n'
            f'    <text x="{x + 12}" y="{y + down + 17}" font-family="{FONT}" font-weight="bold" font-size="15" '
            f'text-anchor="middle" fill="{INK}">{letters}</text>')
        if i == pressed:
            parts.append(_sparkle(x + 23, y, 3 + 3 * glow))
    return "\n".join(parts)


def guess_frame(i, size):
    t = i / GUESS_FRAMES
    # Two bounces per loop; it lands (lift 0) at t = 0 and t = 0.5.
    lift = 20 * abs(math.sin(2 * math.pi * t))
    squash = 1.0 if lift < 1e-6 else 0.0
    bob = 1.5 * math.cos(2 * math.pi * t)
    blink = i == 7
    wave = math.sin(4 * math.pi * t)
    per_key = GUESS_FRAMES // len(KEYS)
    pressed = i // per_key
    glow = 1 - (i % per_key) / per_key
    body = "\n".join([_bubble(), _child(bob, blink, wave), _question_mark(lift, squash), _keys(pressed, glow)])
    frame = _frame(size, GUESS_GRID, body, back=_card(size))
    # The drawing is clipped to the card, and the card's outline drawn last.
    frame = frame.replace("\n  <g transform=", '\n  <g clip-path="url(#onCard)">\n  <g transform=', 1)
    return frame.replace("\n</svg>", "\n  </g>\n  " + _card_outline(size) + "\n</svg>")


# ---- The hand animation ---------------------------------------------------

# One pass, about one second: (rise, scale, angle, sparkle) for each frame,
# shown 10/100 s each. The hand pops up with a little overshoot, wiggles and
# ends upright among growing sparkles.
HAND_STEPS = [
    (8, 0.55, 0, 0.0),
    (3, 0.85, 0, 0.0),
    (-6, 1.08, 0, 0.2),
    (0, 1.0, -10, 0.45),
    (0, 1.0, 9, 0.7),
    (0, 1.0, -6, 0.9),
    (0, 1.0, 4, 1.0),
    (0, 1.0, 0, 0.85),
    (0, 1.0, 0, 0.6),
    (0, 1.0, 0, 0.35),
]
HAND_DELAY = 10


def _thumbs_up():
    """A thumbs-up hand with a yellow cuff, drawn on a 0..80 x 0..114 grid,
    the wrist at the bottom, the whole hand centred on x = 41."""
    fingers = "\n".join(
        f'      <rect x="38" y="{46 + 12.5 * k:.1f}" width="38" height="13" rx="6.5" fill="{SKIN}" '
        f'stroke="{SKIN_EDGE}" stroke-width="2.5"/>'
        for k in range(4))
    return f"""      <rect x="10" y="92" width="44" height="22" rx="4" fill="{YELLOW}" stroke="{YELLOW_EDGE}" stroke-width="2.5"/>
      <path d="M10,100 H54" stroke="{YELLOW_EDGE}" stroke-width="2"/>
      <path d="M6,58 Q6,44 20,44 L52,44 L52,96 L20,96 Q6,96 6,82 Z" fill="{SKIN}" stroke="{SKIN_EDGE}" stroke-width="2.5"/>
      <path d="M8,56 C8,40 18,22 22,10 C25,0 40,0 39,12 C38,24 33,34 38,46 L30,52 Z" fill="{SKIN}" stroke="{SKIN_EDGE}" stroke-width="2.5" stroke-linejoin="round"/>
      <path d="M25,9 Q31,4 36,10 L35,17 Q29,15 25,16 Z" fill="#fde3c8" stroke="{SKIN_EDGE}" stroke-width="1.5"/>
{fingers}
      <path d="M20,62 Q28,70 22,84" fill="none" stroke="#e0a06a" stroke-width="2.5" stroke-linecap="round"/>"""


def hand_frame(i, size):
    rise, scale, angle, spark = HAND_STEPS[i]
    gw, gh = HAND_GRID
    cx, base = gw / 2, gh - 14
    stars = []
    if spark > 0:
        spots = [(-52, -118, 10), (50, -112, 12), (-60, -62, 7), (58, -56, 8), (0, -136, 7), (-34, -140, 5), (36, -138, 5)]
        for k, (sx, sy, r) in enumerate(spots):
            grow = spark if k % 2 == 0 else max(0.0, 1.2 * spark - 0.2)
            stars.append(_sparkle(cx + sx, base + sy, r * (0.4 + grow), opacity=min(1.0, 0.3 + grow)))
    glow = (f'<radialGradient id="glow"><stop offset="0" stop-color="#ffffff" stop-opacity="{0.30 + 0.15 * spark:.2f}"/>'
            f'<stop offset="1" stop-color="#ffffff" stop-opacity="0"/></radialGradient>'
            f'<circle cx="{cx}" cy="{base - 66}" r="{62 * min(1.0, scale)}" fill="url(#glow)"/>')
    body = f"""    {glow}
    {"".join(stars)}
    <g transform="translate({cx} {base + rise}) rotate({angle}) scale({scale}) translate(-41 -114)">
{_thumbs_up()}
    </g>"""
    return _frame(size, HAND_GRID, body)


# ---- Assembly -------------------------------------------------------------

def _render(svg, ground, ppm):
    """The frame rendered and laid over the ground (the scene under the
    player), written as PPM."""
    png = subprocess.run(["rsvg-convert", "-w", str(ground.width), "-h", str(ground.height), "-f", "png"],
                         input=svg.encode("utf-8"), check=True, capture_output=True).stdout
    drawing = raster.rgba_of_png(png)
    raster.Picture(ground.width, ground.height, raster.over(drawing, ground.rgb)).write_ppm(ppm)


def _gif(frames, delays, ground, loop_forever, target, pool):
    target.parent.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        ppms = [Path(tmp) / f"frame_{i:02d}.ppm" for i in range(len(frames))]
        list(pool.map(lambda job: _render(job[0], ground, job[1]), zip(frames, ppms)))
        args = ["/usr/bin/convert"]
        for ppm, delay in zip(ppms, delays):
            args += ["-delay", str(delay), str(ppm)]
        raw = Path(tmp) / "raw.gif"
        # One palette for all frames and no dithering: no shimmer between
        # frames, and the scene keeps one colour per pixel throughout.
        args += ["+dither", "+map", "-loop", "0" if loop_forever else "1", f"gif:{raw}"]
        subprocess.run(args, check=True)
        loop = ["--loopcount=forever"] if loop_forever else ["--no-loopcount"]
        tmp_target = target.with_name(target.name + ".tmp")
        subprocess.run(["gifsicle", "-O2", *loop, str(raw), "-o", str(tmp_target)], check=True)
        os.replace(tmp_target, target)


def make(tables, words, out, scene):
    out = Path(out)
    layout = json.loads(Path(tables).read_text(encoding="utf-8"))
    for scale in raster.SCALES:
        ground = raster.Picture.read(raster.at_scale(scene, scale))
        # The frames are drawn in the player's own pixels; the larger copy
        # renders the same drawing onto twice as many.
        guess_ground = ground.under(layout, "Marchoso2", scale)
        hand_ground = ground.under(layout, "Marchoso1", scale)
        guess_size = guess_ground.width // scale, guess_ground.height // scale
        hand_size = hand_ground.width // scale, hand_ground.height // scale
        with ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
            _gif([guess_frame(i, guess_size) for i in range(GUESS_FRAMES)], [GUESS_DELAY] * GUESS_FRAMES,
                 guess_ground, True, raster.at_scale(out / "animaciones" / "anima_adivina.gif", scale), pool)
            _gif([hand_frame(i, hand_size) for i in range(len(HAND_STEPS))], [HAND_DELAY] * len(HAND_STEPS),
                 hand_ground, False, raster.at_scale(out / "la_mano.gif", scale), pool)
