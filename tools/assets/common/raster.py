"""Pictures as bytes in memory, for the steps that lay drawings over the game
window's scene: reading the scene, cutting out the part under a control,
laying an RGBA drawing over it, and writing the result as BMP or PPM. Every
operation is plain integer arithmetic, so the same inputs give the same bytes."""
import pathlib
import struct
import subprocess

# Debian's convert itself, so that no wrapper earlier on PATH stands in between.
CONVERT = "/usr/bin/convert"


def grey_level(r, g, b):
    """The grey level of a colour, by the weights Qt's qGray uses, so that the
    program's own conversion of a colour agrees with the grey pictures."""
    return (r * 11 + g * 16 + b * 5) // 32


def px(twips, twips_per_pixel=15):
    """Twips to whole pixels, rounded to nearest, as the windows place controls."""
    return (twips + twips_per_pixel // 2) // twips_per_pixel


# Every picture is made at these scales: the picture the windows name, and a
# copy with twice as many pixels each way for screens of device pixel ratio 2.
SCALES = (1, 2)


def at_scale(path, scale):
    """The file of a picture at a scale: the picture itself at 1, otherwise
    the name with "@<scale>x" before its extension (Qt's convention), so the
    program finds the sharper copy from the name it knows."""
    path = pathlib.Path(path)
    if scale == 1:
        return path
    return path.with_name(f"{path.stem}@{scale}x{path.suffix}")


class Picture:
    """An RGB picture: rows top to bottom, 3 bytes a pixel."""

    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise ValueError("the pixels do not fill the picture")
        self.width, self.height, self.rgb = width, height, bytes(rgb)

    @classmethod
    def read(cls, path):
        """Any picture ImageMagick reads, without its alpha."""
        size = subprocess.run([CONVERT, str(path), "-format", "%w %h", "info:"], check=True,
                              capture_output=True, text=True).stdout.split()
        rgb = subprocess.run([CONVERT, str(path), "-alpha", "off", "-depth", "8", "rgb:-"], check=True,
                             capture_output=True).stdout
        return cls(int(size[0]), int(size[1]), rgb)

    def crop(self, x, y, width, height):
        if x < 0 or y < 0 or x + width > self.width or y + height > self.height:
            raise SystemExit(f"{width}x{height}+{x}+{y} lies outside the {self.width}x{self.height} picture")
        row = self.width * 3
        return Picture(width, height, b"".join(self.rgb[(y + r) * row + x * 3:(y + r) * row + (x + width) * 3]
                                               for r in range(height)))

    def under(self, tables, control, scale=1):
        """The part of the scene under a control of the game window (tables:
        the layout tables, control: its name); scale: the scene's scale."""
        box = tables["controls"][control]
        tpp = tables["twipsPerPixel"]
        return self.crop(*(scale * px(box[k], tpp) for k in ("left", "top", "width", "height")))

    def write_bmp24(self, path):
        """An uncompressed 24-bit BMP."""
        row = self.width * 3
        stride = (row + 3) & ~3
        pixels = bytearray()
        for y in reversed(range(self.height)):
            line = bytearray(self.rgb[y * row:(y + 1) * row])
            line[0::3], line[2::3] = line[2::3], line[0::3]  # BMP stores blue first
            pixels += line.ljust(stride, b"\0")
        offset = 14 + 40
        header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
        pathlib.Path(path).write_bytes(header + info + bytes(pixels))

    def write_grey_bmp(self, path):
        """An uncompressed 8-bit BMP whose palette is the 256 grey levels in
        order, so that each pixel's index is its grey level (grey_level)."""
        stride = (self.width + 3) & ~3
        grey = self.grey()
        palette = b"".join(bytes((v, v, v, 0)) for v in range(256))
        pixels = b"".join(grey[y * self.width:(y + 1) * self.width].ljust(stride, b"\0")
                          for y in reversed(range(self.height)))
        offset = 14 + 40 + len(palette)
        header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 0, len(pixels), 2835, 2835, 256, 256)
        pathlib.Path(path).write_bytes(header + info + palette + pixels)

    def write_ppm(self, path):
        pathlib.Path(path).write_bytes(b"P6 %d %d 255\n" % (self.width, self.height) + self.rgb)

    def grey(self):
        """One grey level a pixel (grey_level), rows top to bottom."""
        return bytes(grey_level(*self.rgb[i:i + 3]) for i in range(0, len(self.rgb), 3))


def over(rgba, ground):
    """The RGBA drawing (straight alpha, 4 bytes a pixel) laid over the RGB
    ground of as many pixels: the composite, 3 bytes a pixel."""
    out = bytearray(ground)
    for i in range(len(ground) // 3):
        a = rgba[4 * i + 3]
        if a == 0:
            continue
        for c in range(3):
            out[3 * i + c] = (rgba[4 * i + c] * a + ground[3 * i + c] * (255 - a) + 127) // 255
    return bytes(out)


def rgba_of_png(png):
    """The pixels of a PNG (bytes) as straight-alpha RGBA, rows top to bottom."""
    return subprocess.run([CONVERT, "png:-", "-depth", "8", "rgba:-"], input=png, check=True,
                          capture_output=True).stdout
