#!/usr/bin/python3
"""Draws the bitmaps of the language dialog as BMP files for the resource compiler.

    draw_dialog_bitmaps.py OUTPUT-FOLDER COUNTRY...

Writes dialog_picture.bmp (500 x 312, 256 colours with a palette, run-length encoded: its flat
areas shrink it from 157 KB to about 33 KB of the executable), notice_icon.bmp
(16 x 16, 24 bits) and the flag of each COUNTRY given, flag_<country>.bmp (16 x 14, 24 bits),
named by the ISO 3166 letters in lower case (the build passes the countries of the languages in
cmake/product.cmake, where each language also gives its flag's resource id). A new language's
flag is a function here and an entry of FLAGS.

Shapes are drawn at a multiple of the final size and reduced by averaging, so that edges that
fall between pixels come out as mixed colours; stripes are placed on whole pixels so that they
stay sharp. Needs Pillow (Debian package python3-pil) and the DejaVu fonts (fonts-dejavu-core).
"""

import io
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FLAG_SIZE = (16, 14)
ICON_SIZE = (16, 16)
PICTURE_SIZE = (500, 312)
SCALE = 16  # drawing pixels per final pixel for flags and the icon

FONT_FOLDER = "/usr/share/fonts/truetype/dejavu"

# The panel behind the notice icon is filled with this colour (red 255, green 255, blue 192);
# the icon is drawn on it because a bitmap static has no transparent pixels.
PANEL_FILL = (255, 255, 192)


class Canvas:
    """A drawing surface SCALE times larger than the final bitmap, addressed in final pixels."""

    def __init__(self, size, background):
        self.size = size
        self.image = Image.new("RGB", (size[0] * SCALE, size[1] * SCALE), background)
        self.draw = ImageDraw.Draw(self.image)

    @staticmethod
    def _points(points):
        return [(x * SCALE, y * SCALE) for x, y in points]

    def rectangle(self, left, top, right, bottom, colour):
        """Fills [left, right) x [top, bottom), in final pixels."""
        self.draw.rectangle((left * SCALE, top * SCALE, right * SCALE - 1, bottom * SCALE - 1),
                            fill=colour)

    def polygon(self, points, colour):
        self.draw.polygon(self._points(points), fill=colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        self.draw.ellipse(((cx - rx) * SCALE, (cy - ry) * SCALE,
                           (cx + rx) * SCALE, (cy + ry) * SCALE), fill=colour)

    def pieslice(self, cx, cy, r, start, end, colour):
        self.draw.pieslice(((cx - r) * SCALE, (cy - r) * SCALE, (cx + r) * SCALE, (cy + r) * SCALE),
                           start, end, fill=colour)

    def line(self, x0, y0, x1, y1, width, colour):
        """A band of the given width (final pixels) along the segment, ends cut square."""
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                      (x0 - nx, y0 - ny)], colour)

    def star(self, cx, cy, outer, colour):
        """A five-pointed star, one point up."""
        inner = outer * 0.382
        points = []
        for k in range(10):
            radius = outer if k % 2 == 0 else inner
            angle = -math.pi / 2 + k * math.pi / 5
            points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
        self.polygon(points, colour)

    def result(self, sharp=False):
        """The final bitmap: each pixel the average of its area, or with sharp the colour at
        its centre (crisp thin lines where averages would blur into noise)."""
        method = Image.Resampling.NEAREST if sharp else Image.Resampling.BOX
        return self.image.resize(self.size, method)


def horizontal_bands(canvas, heights, colours):
    top = 0
    for height, colour in zip(heights, colours):
        canvas.rectangle(0, top, FLAG_SIZE[0], top + height, colour)
        top += height


def vertical_bands(canvas, widths, colours):
    left = 0
    for width, colour in zip(widths, colours):
        canvas.rectangle(left, 0, left + width, FLAG_SIZE[1], colour)
        left += width


def flag_br():
    w, h = FLAG_SIZE
    c = Canvas(FLAG_SIZE, (0, 151, 57))
    c.polygon([(w / 2, 1.2), (w - 1.3, h / 2), (w / 2, h - 1.2), (1.3, h / 2)], (254, 221, 0))
    c.ellipse(w / 2, h / 2, 3.5, 3.5, (1, 33, 105))
    # The white band across the globe, slightly curved.
    band = [(w / 2 - 3.6 + t * 7.2, h / 2 + 0.3 - 0.8 * math.sin(t * math.pi)) for t in
            [i / 12 for i in range(13)]]
    upper = [(x, y - 0.45) for x, y in band]
    lower = [(x, y + 0.45) for x, y in reversed(band)]
    mask = Image.new("L", c.image.size, 0)
    ImageDraw.Draw(mask).ellipse(((w / 2 - 3.5) * SCALE, (h / 2 - 3.5) * SCALE,
                                  (w / 2 + 3.5) * SCALE, (h / 2 + 3.5) * SCALE), fill=255)
    stripe = Image.new("L", c.image.size, 0)
    ImageDraw.Draw(stripe).polygon(Canvas._points(upper + lower), fill=255)
    white = Image.new("RGB", c.image.size, (255, 255, 255))
    c.image.paste(white, (0, 0), ImageChops.multiply(mask, stripe))
    return c.result()


def flag_cn():
    c = Canvas(FLAG_SIZE, (238, 28, 37))
    yellow = (255, 255, 0)
    sx, sy = FLAG_SIZE[0] / 30, FLAG_SIZE[1] / 20
    c.star(5 * sx, 5 * sy, 3.4 * sy, yellow)
    flag = c.result()
    # The four small stars would average out to orange: one yellow pixel each.
    for x, y in [(10, 2), (12, 4), (12, 7), (10, 9)]:
        flag.putpixel((int(x * sx), int(y * sy)), yellow)
    return flag


def flag_dk():
    c = Canvas(FLAG_SIZE, (200, 16, 46))
    white = (255, 255, 255)
    c.rectangle(5, 0, 7, FLAG_SIZE[1], white)
    c.rectangle(0, 6, FLAG_SIZE[0], 8, white)
    return c.result()


def flag_fr():
    c = Canvas(FLAG_SIZE, (255, 255, 255))
    vertical_bands(c, [5, 6, 5], [(0, 35, 149), (255, 255, 255), (237, 41, 57)])
    return c.result()


def flag_de():
    c = Canvas(FLAG_SIZE, (0, 0, 0))
    horizontal_bands(c, [5, 4, 5], [(0, 0, 0), (221, 0, 0), (255, 206, 0)])
    return c.result()


def flag_it():
    c = Canvas(FLAG_SIZE, (255, 255, 255))
    vertical_bands(c, [5, 6, 5], [(0, 146, 70), (255, 255, 255), (206, 43, 55)])
    return c.result()


def flag_jp():
    w, h = FLAG_SIZE
    c = Canvas(FLAG_SIZE, (255, 255, 255))
    c.ellipse(w / 2, h / 2, h * 0.3, h * 0.3, (188, 0, 45))
    return c.result()


def flag_kr():
    w, h = FLAG_SIZE
    c = Canvas(FLAG_SIZE, (255, 255, 255))
    red, blue, black = (205, 46, 58), (0, 71, 160), (0, 0, 0)
    cx, cy, r = w / 2, h / 2, h / 4
    # The circle is turned so that its dividing line runs along the flag's diagonal.
    tilt = math.degrees(math.atan2(h, w))
    c.pieslice(cx, cy, r, 180 + tilt, tilt, red)
    c.pieslice(cx, cy, r, tilt, 180 + tilt, blue)
    dx, dy = r / 2 * math.cos(math.radians(tilt)), r / 2 * math.sin(math.radians(tilt))
    c.ellipse(cx - dx, cy - dy, r / 2, r / 2, red)
    c.ellipse(cx + dx, cy + dy, r / 2, r / 2, blue)
    # The four trigrams: three short bars each, across the diagonals.
    for sign_x, sign_y in [(-1, -1), (1, 1), (1, -1), (-1, 1)]:
        along = math.atan2(sign_y * h, sign_x * w)
        ux, uy = math.cos(along), math.sin(along)
        for distance in (5.2, 6.0, 6.8):
            mx, my = cx + ux * distance, cy + uy * distance
            half = 1.3
            c.line(mx - uy * half, my + ux * half, mx + uy * half, my - ux * half, 0.42, black)
    return c.result()


def flag_nl():
    c = Canvas(FLAG_SIZE, (255, 255, 255))
    horizontal_bands(c, [5, 4, 5], [(174, 28, 40), (255, 255, 255), (33, 70, 139)])
    return c.result()


def flag_pl():
    c = Canvas(FLAG_SIZE, (255, 255, 255))
    horizontal_bands(c, [7, 7], [(255, 255, 255), (220, 20, 60)])
    return c.result()


def flag_ru():
    c = Canvas(FLAG_SIZE, (255, 255, 255))
    horizontal_bands(c, [5, 4, 5], [(255, 255, 255), (0, 57, 166), (213, 43, 30)])
    return c.result()


def flag_es():
    c = Canvas(FLAG_SIZE, (198, 11, 30))
    horizontal_bands(c, [3, 8, 3], [(198, 11, 30), (255, 196, 0), (198, 11, 30)])
    # A hint of the coat of arms on the hoist side of the yellow band.
    c.rectangle(4, 5, 6, 9, (173, 21, 25))
    c.rectangle(4.5, 5.5, 5.5, 6.5, (255, 196, 0))
    return c.result()


def flag_gb():
    w, h = FLAG_SIZE
    blue, red, white = (1, 33, 105), (200, 16, 46), (255, 255, 255)
    c = Canvas(FLAG_SIZE, blue)
    # Saint Andrew's saltire, then Saint Patrick's, set off the diagonal (counterchanged).
    c.line(-1, -1 * h / w, w + 1, h + h / w, 3.0, white)
    c.line(-1, h + h / w, w + 1, -1 * h / w, 3.0, white)
    offset = 0.5
    c.polygon([(0, 0), (w / 2, h / 2), (w / 2 - offset * 2, h / 2), (0, offset * 1.4)], red)
    c.polygon([(w, h), (w / 2, h / 2), (w / 2 + offset * 2, h / 2), (w, h - offset * 1.4)], red)
    c.polygon([(w, 0), (w / 2, h / 2), (w / 2, h / 2 - offset * 2), (w - offset * 1.8, 0)], red)
    c.polygon([(0, h), (w / 2, h / 2), (w / 2, h / 2 + offset * 2), (offset * 1.8, h)], red)
    # Saint George's cross with its white border.
    c.rectangle(w / 2 - 2.5, 0, w / 2 + 2.5, h, white)
    c.rectangle(0, h / 2 - 2.5, w, h / 2 + 2.5, white)
    c.rectangle(w / 2 - 1.5, 0, w / 2 + 1.5, h, red)
    c.rectangle(0, h / 2 - 1.5, w, h / 2 + 1.5, red)
    return c.result(sharp=True)


def flag_us():
    red, white, blue = (178, 34, 52), (255, 255, 255), (60, 59, 110)
    c = Canvas(FLAG_SIZE, white)
    # One pixel row per stripe: the 13 stripes, red at the top and at the bottom, and a
    # fourteenth red row because the bitmap is 14 rows high.
    for row in range(FLAG_SIZE[1]):
        if row % 2 == 0 or row == FLAG_SIZE[1] - 1:
            c.rectangle(0, row, FLAG_SIZE[0], row + 1, red)
    c.rectangle(0, 0, 7, 7, blue)
    # The stars: a staggered grid of white dots in the canton.
    for row in range(3):
        for column in range(3):
            c.ellipse(1.2 + column * 2.3, 1.2 + row * 2.3, 0.55, 0.55, white)
    for row in range(2):
        for column in range(2):
            c.ellipse(2.35 + column * 2.3, 2.35 + row * 2.3, 0.45, 0.45, white)
    return c.result(sharp=True)


FLAGS = {
    "br": flag_br, "cn": flag_cn, "dk": flag_dk, "fr": flag_fr, "de": flag_de, "it": flag_it,
    "jp": flag_jp, "kr": flag_kr, "nl": flag_nl, "pl": flag_pl, "ru": flag_ru, "es": flag_es,
    "gb": flag_gb, "us": flag_us,
}


def notice_icon():
    """A blue information disc with a white "i" on the notice panel's colour."""
    c = Canvas(ICON_SIZE, PANEL_FILL)
    c.ellipse(8, 8, 7.4, 7.4, (24, 83, 163))
    c.ellipse(8, 8, 6.6, 6.6, (40, 110, 200))
    white = (255, 255, 255)
    c.ellipse(8, 4.6, 1.25, 1.25, white)
    c.rectangle(6.9, 6.8, 9.1, 12.4, white)
    c.rectangle(5.9, 6.8, 7.5, 7.9, white)
    c.rectangle(5.9, 11.4, 10.1, 12.4, white)
    return c.result()


def _gradient(size, top, bottom):
    """A vertical gradient from colour top to colour bottom."""
    width, height = size
    column = Image.new("RGB", (1, height))
    for y in range(height):
        t = y / (height - 1)
        column.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return column.resize(size, Image.Resampling.NEAREST)


def _soft_layer(size, shapes, blur):
    """A blurred white mask of ellipses (left, top, right, bottom, opacity 0-255)."""
    mask = Image.new("L", size, 0)
    draw = ImageDraw.Draw(mask)
    for left, top, right, bottom, opacity in shapes:
        draw.ellipse((left, top, right, bottom), fill=opacity)
    return mask.filter(ImageFilter.GaussianBlur(blur))


def dialog_picture():
    """The dialog's upper area: a blue band with the product's name on the left, and a light
    field from x = 180 px on (the dialog's texts start at 125 dialog units, about 187 px) on
    which dark text stays readable."""
    width, height = PICTURE_SIZE
    picture = _gradient(PICTURE_SIZE, (255, 255, 255), (232, 240, 250))

    # Faint rings in the lower right of the light field, kept above 90% brightness.
    rings = Image.new("L", PICTURE_SIZE, 0)
    draw = ImageDraw.Draw(rings)
    for radius, opacity in [(250, 22), (190, 16), (130, 12)]:
        draw.ellipse((width - 60 - radius, height + 40 - radius, width - 60 + radius,
                      height + 40 + radius), outline=opacity, width=26)
    rings = rings.filter(ImageFilter.GaussianBlur(6))
    picture = Image.composite(Image.new("RGB", PICTURE_SIZE, (120, 160, 215)), picture, rings)

    # The blue band, its right edge a gentle curve with a thin light line along it. Both are
    # drawn four times larger and reduced, for smooth edges.
    def edge_x(y):
        return 150 + 22 * math.sin(math.pi * y / height)

    large = 4
    band_mask = Image.new("L", (width * large, height * large), 0)
    edge = Image.new("L", (width * large, height * large), 0)
    curve = [(edge_x(y / large) * large, y) for y in range(0, height * large + 1, 4)]
    ImageDraw.Draw(band_mask).polygon([(0, 0)] + curve + [(0, height * large)], fill=255)
    ImageDraw.Draw(edge).line([(x + 3 * large, y) for x, y in curve], fill=150, width=2 * large)
    band_mask = band_mask.resize(PICTURE_SIZE, Image.Resampling.BOX)
    edge = edge.resize(PICTURE_SIZE, Image.Resampling.BOX)

    band = _gradient(PICTURE_SIZE, (18, 66, 145), (28, 122, 182))
    # Soft lighter shapes inside the band.
    glow = _soft_layer(PICTURE_SIZE, [(-80, -60, 140, 150, 70), (40, 170, 230, 360, 55),
                                      (-40, 230, 90, 360, 40)], 18)
    band = Image.composite(Image.new("RGB", PICTURE_SIZE, (90, 170, 230)), band, glow)
    picture = Image.composite(band, picture, band_mask)
    picture = Image.composite(Image.new("RGB", PICTURE_SIZE, (170, 205, 240)), picture, edge)

    # The emblem: a white ring with a gap, on a rounded tile.
    emblem = Image.new("L", (80 * large, 80 * large), 0)
    draw = ImageDraw.Draw(emblem)
    draw.rounded_rectangle((0, 0, 80 * large - 1, 80 * large - 1), radius=18 * large, fill=60)
    draw.ellipse((16 * large, 16 * large, 64 * large, 64 * large), fill=255)
    draw.ellipse((26 * large, 26 * large, 54 * large, 54 * large), fill=60)
    draw.pieslice((10 * large, 10 * large, 70 * large, 70 * large), -30, 10, fill=60)
    draw.ellipse((49 * large, 18 * large, 61 * large, 30 * large), fill=255)
    emblem = emblem.resize((80, 80), Image.Resampling.BOX)
    picture.paste(Image.new("RGB", (80, 80), (255, 255, 255)), (38, 52), emblem)

    draw = ImageDraw.Draw(picture)
    bold = ImageFont.truetype(os.path.join(FONT_FOLDER, "DejaVuSans-Bold.ttf"), 30)
    light = ImageFont.truetype(os.path.join(FONT_FOLDER, "DejaVuSans.ttf"), 17)
    year = ImageFont.truetype(os.path.join(FONT_FOLDER, "DejaVuSans-Bold.ttf"), 22)
    draw.text((22, 158), "Orvex", font=bold, fill=(255, 255, 255))
    draw.text((24, 196), "Utilities", font=light, fill=(225, 238, 252))
    draw.text((24, 222), "2011", font=year, fill=(255, 214, 90))

    # 256 colours with a palette; dithering keeps the gradients smooth.
    return picture.quantize(colors=256, method=Image.Quantize.MEDIANCUT,
                            dither=Image.Dither.FLOYDSTEINBERG)


def _rle8_row(row):
    """One row in the BI_RLE8 encoding: runs of one index as (count, index); stretches without
    runs as (0, count, indexes..., padding to an even length); the end-of-line pair."""
    out = bytearray()
    i, width = 0, len(row)
    while i < width:
        run = 1
        while i + run < width and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 2:
            out += bytes((run, row[i]))
            i += run
            continue
        # Literal indexes until the next run of three or more.
        end = i
        while end < width and end - i < 255 and not (end + 2 < width and row[end] == row[end + 1] == row[end + 2]):
            end += 1
        if end - i < 3:  # absolute mode needs at least three indexes
            for index in row[i:end]:
                out += bytes((1, index))
        else:
            out += bytes((0, end - i)) + bytes(row[i:end])
            if (end - i) % 2:
                out.append(0)
        i = end
    return out + b"\0\0"


def save_rle8(image, path):
    """Writes a palette image as a BI_RLE8 bitmap (rows bottom-up, as BMP stores them) and reads
    it back to make sure the encoding gives the same pixels."""
    width, height = image.size
    pixels = image.tobytes()
    data = bytearray()
    for y in reversed(range(height)):
        data += _rle8_row(pixels[y * width:(y + 1) * width])
    data += b"\0\1"  # end of bitmap
    palette = image.getpalette()[:256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    quads = b"".join(bytes((palette[i + 2], palette[i + 1], palette[i], 0)) for i in range(0, 768, 3))
    offset = 14 + 40 + len(quads)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(data), 2835, 2835, 256, 0)
    encoded = header + info + quads + bytes(data)
    if Image.open(io.BytesIO(encoded)).convert("RGB").tobytes() != image.convert("RGB").tobytes():
        raise SystemExit(f"draw_dialog_bitmaps.py: the run-length encoding of {path} reads back wrong")
    with open(path, "wb") as output:
        output.write(encoded)


def main():
    if len(sys.argv) < 2:
        sys.stderr.write("usage: draw_dialog_bitmaps.py OUTPUT-FOLDER COUNTRY...\n")
        return 2
    folder, countries = sys.argv[1], sys.argv[2:]
    undrawn = [country for country in countries if country not in FLAGS]
    if undrawn:
        sys.stderr.write(f"draw_dialog_bitmaps.py: no flag drawn for {', '.join(undrawn)}: add it to FLAGS\n")
        return 1
    os.makedirs(folder, exist_ok=True)
    outputs = {f"flag_{country}.bmp": FLAGS[country] for country in countries}
    outputs["notice_icon.bmp"] = notice_icon
    outputs["dialog_picture.bmp"] = dialog_picture
    for name, draw in outputs.items():
        # Written under a temporary name first, so that an interrupted run leaves no half file
        # that the build would take as up to date.
        path = os.path.join(folder, name)
        image = draw()
        if name == "dialog_picture.bmp":
            save_rle8(image, path + ".part")
        else:
            image.save(path + ".part", format="BMP")
        os.replace(path + ".part", path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
