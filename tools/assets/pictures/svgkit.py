"""Small helpers shared by the picture makers: SVG text escaping, rendering an
SVG to a BMP with rsvg-convert and ImageMagick, and measuring the ink of text
so that letters can be centred on what the eye sees rather than on font boxes."""
import os
import shutil
import subprocess
from concurrent.futures import ThreadPoolExecutor
from xml.sax.saxutils import escape

from raster import rgba_of_png

RSVG = shutil.which("rsvg-convert") or "/usr/bin/rsvg-convert"
# Debian's convert itself, so that no wrapper earlier on PATH stands in between.
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"

# Fonts used by the pictures, as fontconfig patterns, with the file that
# fontconfig must find for each; make.py refuses to run when one resolves to
# something else (a stand-in font would change every picture).
FONTS = {
    "DejaVu Sans:bold": "DejaVuSans-Bold.ttf",
    "DejaVu Sans:regular": "DejaVuSans.ttf",
    "DejaVu Sans:oblique": "DejaVuSans-Oblique.ttf",
    "Liberation Sans:bold": "LiberationSans-Bold.ttf",
    "Liberation Sans Narrow:bold": "LiberationSansNarrow-Bold.ttf",
}

# Oversampling used when measuring ink; glyphs are unhinted outlines, so the
# measured boxes scale down exactly.
MEASURE_ZOOM = 1


def px(twips):
    """Twips to whole pixels, rounded to nearest, as the windows place controls."""
    return (twips + 7) // 15


def check_fonts():
    for pattern, expected in FONTS.items():
        found = subprocess.run(["fc-match", "-f", "%{file}", pattern],
                               check=True, capture_output=True, text=True).stdout
        if os.path.basename(found) != expected:
            raise SystemExit(f"font {pattern}: fontconfig gives {found}, wanted {expected}")


def esc(text):
    return escape(text, {'"': "&quot;"})


def fmt(v):
    """A number written short and the same way every run."""
    s = f"{v:.3f}".rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def svg_document(width, height, body, defs=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">\n<defs>{defs}</defs>\n{body}\n</svg>\n')


def text_element(x, y, text, family, weight, size, fill, anchor="start", extra=""):
    return (f'<text x="{fmt(x)}" y="{fmt(y)}" font-family="{family}" font-weight="{weight}" '
            f'font-size="{fmt(size)}" fill="{fill}" text-anchor="{anchor}" {extra}>{esc(text)}</text>')


def render_png(svg, path, zoom=1):
    subprocess.run([RSVG, "-z", str(zoom), "-f", "png", "-o", str(path)],
                   input=svg.encode("utf-8"), check=True)


def to_bmp24(png, bmp, extra=()):
    """A 24-bit BMP without alpha, whatever the PNG held."""
    subprocess.run([CONVERT, str(png), *extra, "-background", "black", "-alpha", "remove",
                    "-alpha", "off", "-type", "TrueColor", "-compress", "None", f"BMP3:{bmp}"],
                   check=True)


def render_sheet(pictures, gap=4, zoom=1):
    """Renders many small pictures at once: each (name, width, height, svg) is
    nested in one sheet SVG, rendered once (zoom times as many pixels each
    way) and cut out again. Returns {name: RGBA bytes (straight alpha, rows
    top to bottom)}; what the SVGs leave undrawn stays transparent. The
    pictures' ids must differ."""
    width = sum(w + gap for _, w, _, _ in pictures)
    height = max(h for _, _, h, _ in pictures)
    nested, places, x = [], [], 0
    for name, w, h, svg in pictures:
        nested.append(svg.replace("<svg ", f'<svg x="{x}" y="0" ', 1))
        places.append((name, x, w, h))
        x += w + gap
    sheet = svg_document(width, height, "\n".join(nested))
    zoomed = [] if zoom == 1 else ["-z", str(zoom)]
    png = subprocess.run([RSVG, *zoomed, "-f", "png"], input=sheet.encode("utf-8"), check=True,
                         capture_output=True).stdout
    raw = rgba_of_png(png)
    width, z = width * zoom, zoom
    return {name: b"".join(raw[4 * (y * width + z * x):4 * (y * width + z * (x + w))] for y in range(z * h))
            for name, x, w, h in places}


def parallel(jobs):
    """Runs the callables on a few threads (each mostly waits for a subprocess)."""
    with ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
        return list(pool.map(lambda job: job(), jobs))


class Ink:
    """Ink boxes of text runs, relative to the text's anchor (start, baseline),
    in SVG units. Each run is measured once at a reference size and scaled
    (the outlines are unhinted), in batches: every run in a band of its own on
    one oversampled sheet, whose alpha channel is scanned row by row."""

    REF = 100.0
    BAND = 1.8  # band height per run, in ems
    BASELINE = 1.3  # baseline from the band's top, in ems
    START = 0.3  # text anchor from the sheet's left edge, in ems
    SHEET_AREA = 4_000_000  # pixels

    def _sheet_width(self, runs):
        return int((max(len(r[0]) for r in runs) * 1.05 + 2 * self.START) * self.REF) + 1

    def _sheet_area(self, runs):
        return (self._sheet_width(runs) * MEASURE_ZOOM) * (self.BAND * self.REF * len(runs) * MEASURE_ZOOM)

    def __init__(self):
        self._cache = {}

    def prefetch(self, runs):
        """runs: (text, family, weight) tuples, measured in one batch."""
        todo = sorted({r for r in runs if r not in self._cache}, key=lambda r: (len(r[0]), r))
        # Sheets stay small (ImageMagick's resource policy caps a picture's
        # sides and area): runs of similar length share one.
        sheets, sheet = [], []
        for run in todo:
            if sheet and self._sheet_area(sheet + [run]) > self.SHEET_AREA:
                sheets.append(sheet)
                sheet = []
            sheet.append(run)
        if sheet:
            sheets.append(sheet)
        parallel([lambda part=part: self._measure_batch(part) for part in sheets])

    def box(self, text, family, weight, size):
        """(x0, y0, x1, y1) of the ink at this font size."""
        run = (text, family, weight)
        self.prefetch([run])
        k = size / self.REF
        return tuple(v * k for v in self._cache[run])

    def width(self, text, family, weight, size):
        x0, _, x1, _ = self.box(text, family, weight, size)
        return x1 - x0

    def centred_at(self, text, family, weight, size, cx, cy):
        """The anchor (start, baseline) that puts the text's ink centre at cx, cy."""
        x0, y0, x1, y1 = self.box(text, family, weight, size)
        return cx - (x0 + x1) / 2, cy - (y0 + y1) / 2

    def _measure_batch(self, runs):
        size = self.REF
        band = size * self.BAND
        width = self._sheet_width(runs)
        height = int(band * len(runs)) + 1
        start, down = self.START * size, self.BASELINE * size
        body = "\n".join(
            text_element(start, i * band + down, text, family, weight, size, "#000")
            for i, (text, family, weight) in enumerate(runs))
        z = MEASURE_ZOOM
        png = subprocess.run([RSVG, "-z", str(z), "-f", "png"],
                             input=svg_document(width, height, body).encode("utf-8"),
                             check=True, capture_output=True).stdout
        raw = subprocess.run([CONVERT, "png:-", "-alpha", "extract", "-depth", "8", "gray:-"],
                             input=png, check=True, capture_output=True).stdout
        pw = width * z
        rows = [raw[i * pw:(i + 1) * pw] for i in range(len(raw) // pw)]
        for i, run in enumerate(runs):
            top, baseline = i * band, i * band + down
            first, last = int(top * z), min(len(rows), int((top + band) * z))
            x0 = x1 = y0 = y1 = None
            for r in range(first, last):
                row = rows[r]
                left = len(row) - len(row.lstrip(b"\0"))
                if left == len(row):
                    continue
                right = len(row.rstrip(b"\0"))
                x0 = left if x0 is None else min(x0, left)
                x1 = right if x1 is None else max(x1, right)
                y0 = r if y0 is None else y0
                y1 = r + 1
            if x0 is None:
                raise SystemExit(f"no ink for {run!r}")
            if x0 == 0 or x1 == pw or y0 == first or y1 == last:
                raise SystemExit(f"the ink of {run!r} runs over its band")
            self._cache[run] = (x0 / z - start, y0 / z - baseline, x1 / z - start, y1 / z - baseline)
