#!/usr/bin/python3
"""Helpers for the end-to-end scripts: layout look-ups and screenshot checks.

Layout commands read the JSON that korivanta-tables writes and answer in
pixels of the game window's client area (15 twips to the pixel, rounded to
nearest). Picture commands read the PNG screenshots that ImageMagick's
`import` writes. Standard library only.

  rect TABLES NAME [CONTAINER]     x y w h of a control (inside CONTAINER if given)
  centre TABLES NAME [CONTAINER]   x y of the control's centre
  key TABLES INDEX                 x y w h of key Image10(INDEX)
  chart TABLES INDEX               x y w h of chart area Image75(INDEX), in the window
  length WORD                      the number of characters of WORD
  spell TABLES WORD                the keys that spell WORD, one index a line
  misses TABLES WORD               the keys whose grapheme is not in WORD
  pixel PNG X Y                    R G B of one pixel
  changed A.png B.png X Y W H      share (0..1) of the pixels that differ
  colour PNG X Y W H R G B [TOL]   share of the pixels within TOL of the colour
  grey PNG X Y W H [TOL]           share of the pixels with R, G, B within TOL
  size PNG                         width height
  topng PPM PNG                    writes a P6 PPM (or "-" for stdin) as PNG

Screenshots are taken as PPM and stored as PNG by `topng`, which writes rows
without filtering, so reading them back here stays quick.
"""

import json
import struct
import sys
import zlib


def px(twips):
    return (int(twips) + 7) // 15


def load_tables(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def control_rect(tables, name, container=None):
    controls = tables["controls"]
    if name not in controls:
        raise SystemExit(f"no control {name!r} in the tables")
    c = controls[name]
    left, top = c["left"], c["top"]
    x, y = px(left), px(top)
    if container:
        outer = controls[container]
        x += px(outer["left"])
        y += px(outer["top"])
    return x, y, px(c["width"]), px(c["height"])


def key_rect(tables, index):
    k = tables["keys"][int(index)]
    return px(k["left"]), px(k["top"]), px(k["width"]), px(k["height"])


def chart_rect(tables, index):
    """A chart area lies inside Frame2: its rectangle plus the frame's corner."""
    c = tables["chart"][int(index)]
    frame = tables["controls"]["Frame2"]
    return (px(frame["left"]) + px(c["left"]), px(frame["top"]) + px(c["top"]), px(c["width"]), px(c["height"]))


def spell(tables, word):
    """Splits WORD greedily, longest grapheme first; one key per grapheme met."""
    by_grapheme = {k["grapheme"]: i for i, k in enumerate(tables["keys"])}
    longest = max(len(g) for g in by_grapheme)
    keys = []
    pos = 0
    while pos < len(word):
        for n in range(min(longest, len(word) - pos), 0, -1):
            piece = word[pos:pos + n]
            if piece in by_grapheme:
                if by_grapheme[piece] not in keys:
                    keys.append(by_grapheme[piece])
                pos += n
                break
        else:
            raise SystemExit(f"the keyboard cannot spell {word[pos:]!r} of {word!r}")
    return keys


def misses(tables, word):
    return [i for i, k in enumerate(tables["keys"]) if k["grapheme"] not in word]


class Png:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[:8] != b"\x89PNG\r\n\x1a\n":
            raise SystemExit(f"{path}: not a PNG file")
        pos = 8
        idat = b""
        palette = None
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            body = data[pos + 8:pos + 8 + length]
            pos += 12 + length
            if kind == b"IHDR":
                (self.width, self.height, depth, colour_type, _, _, interlace) = struct.unpack(">IIBBBBB", body)
            elif kind == b"PLTE":
                palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
            elif kind == b"IDAT":
                idat += body
            elif kind == b"IEND":
                break
        if depth != 8 or interlace != 0 or colour_type not in (0, 2, 3, 4, 6):
            raise SystemExit(f"{path}: unsupported PNG (depth {depth}, colour type {colour_type}, interlace {interlace})")
        channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
        raw = zlib.decompress(idat)
        stride = self.width * channels
        rows = []
        prev = bytearray(stride)
        i = 0
        for _ in range(self.height):
            kind = raw[i]
            line = bytearray(raw[i + 1:i + 1 + stride])
            i += 1 + stride
            if kind == 0:
                rows.append(bytes(line))
                prev = line
                continue
            for x in range(stride):
                a = line[x - channels] if x >= channels else 0
                b = prev[x]
                c = prev[x - channels] if x >= channels else 0
                if kind == 1:
                    line[x] = (line[x] + a) & 0xFF
                elif kind == 2:
                    line[x] = (line[x] + b) & 0xFF
                elif kind == 3:
                    line[x] = (line[x] + (a + b) // 2) & 0xFF
                elif kind == 4:
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                    line[x] = (line[x] + pred) & 0xFF
            rows.append(bytes(line))
            prev = line
        self.rows = rows
        self.channels = channels
        self.colour_type = colour_type
        self.palette = palette

    def rgb(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise SystemExit(f"pixel ({x}, {y}) outside the {self.width}x{self.height} picture")
        row = self.rows[y]
        o = x * self.channels
        if self.colour_type in (0, 4):
            return (row[o], row[o], row[o])
        if self.colour_type == 3:
            return self.palette[row[o]]
        return (row[o], row[o + 1], row[o + 2])

    def region(self, x, y, w, h):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                yield self.rgb(xx, yy)


def read_ppm(path):
    data = sys.stdin.buffer.read() if path == "-" else open(path, "rb").read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise SystemExit(f"{path}: not an 8-bit P6 PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        raise SystemExit(f"{path}: PPM cut short")
    return width, height, pixels


def write_png(path, width, height, pixels):
    stride = width * 3
    raw = b"".join(b"\0" + pixels[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def share(values, test):
    total = hits = 0
    for v in values:
        total += 1
        hits += 1 if test(v) else 0
    if total == 0:
        raise SystemExit("empty region")
    return hits / total


def main(argv):
    if len(argv) < 2:
        raise SystemExit(__doc__)
    cmd, args = argv[1], argv[2:]
    if cmd == "rect":
        print(*control_rect(load_tables(args[0]), *args[1:3]))
    elif cmd == "centre":
        x, y, w, h = control_rect(load_tables(args[0]), *args[1:3])
        print(x + w // 2, y + h // 2)
    elif cmd == "chart":
        print(*chart_rect(load_tables(args[0]), args[1]))
    elif cmd == "length":
        print(len(args[0]))
    elif cmd == "key":
        print(*key_rect(load_tables(args[0]), args[1]))
    elif cmd == "spell":
        print("\n".join(str(k) for k in spell(load_tables(args[0]), args[1])))
    elif cmd == "misses":
        print("\n".join(str(k) for k in misses(load_tables(args[0]), args[1])))
    elif cmd == "pixel":
        print(*Png(args[0]).rgb(int(args[1]), int(args[2])))
    elif cmd == "topng":
        write_png(args[1], *read_ppm(args[0]))
    elif cmd == "size":
        p = Png(args[0])
        print(p.width, p.height)
    elif cmd == "changed":
        a, b = Png(args[0]), Png(args[1])
        x, y, w, h = map(int, args[2:6])
        pairs = zip(a.region(x, y, w, h), b.region(x, y, w, h))
        print(f"{share(pairs, lambda p: p[0] != p[1]):.4f}")
    elif cmd == "colour":
        p = Png(args[0])
        x, y, w, h, r, g, b = map(int, args[1:8])
        tol = int(args[8]) if len(args) > 8 else 0
        want = (r, g, b)
        print(f"{share(p.region(x, y, w, h), lambda c: all(abs(c[i] - want[i]) <= tol for i in range(3))):.4f}")
    elif cmd == "grey":
        p = Png(args[0])
        x, y, w, h = map(int, args[1:5])
        tol = int(args[5]) if len(args) > 5 else 8
        print(f"{share(p.region(x, y, w, h), lambda c: max(c) - min(c) <= tol):.4f}")
    else:
        raise SystemExit(f"unknown command {cmd!r}\n{__doc__}")


if __name__ == "__main__":
    main(sys.argv)
