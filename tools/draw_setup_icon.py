#!/usr/bin/python3
"""Draws the setup's icon as an ICO file for the resource compiler.

    draw_setup_icon.py OUTPUT-FILE

The product's emblem of the language dialog's picture (a white ring with a gap and a dot on a
blue rounded tile) in four sizes: 16, 32 and 48 pixels as 256-colour bitmaps with a
transparency mask, which every Windows since 2000 reads, and 256 pixels PNG-compressed, which
Windows Vista and later show in Explorer's large views. Kept small on purpose: the whole icon
adds about 10 KB to the executable (32-bit colour would add about 30 KB). Needs Pillow (Debian
package python3-pil).
"""

import io
import os
import struct
import sys

from PIL import Image, ImageDraw

BITMAP_SIZES = (16, 32, 48)
PNG_SIZE = 256
DRAWN = 1024  # every size is reduced from one drawing this large, for smooth edges
OPAQUE = 128  # alpha from which a reduced pixel counts as part of the icon


def emblem():
    """The emblem on a transparent square, DRAWN pixels wide, as RGBA."""
    unit = DRAWN / 80  # the dialog picture's emblem is drawn on an 80-pixel grid
    tile = Image.new("L", (DRAWN, DRAWN), 0)
    ImageDraw.Draw(tile).rounded_rectangle((2 * unit, 2 * unit, 78 * unit, 78 * unit), radius=16 * unit,
                                           fill=255)
    top, bottom = (28, 122, 200), (18, 66, 145)
    gradient = Image.new("RGB", (1, DRAWN))
    for y in range(DRAWN):
        t = y / (DRAWN - 1)
        gradient.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    icon = Image.new("RGBA", (DRAWN, DRAWN), (0, 0, 0, 0))
    icon.paste(gradient.resize((DRAWN, DRAWN)), (0, 0), tile)

    ring = Image.new("L", (DRAWN, DRAWN), 0)
    draw = ImageDraw.Draw(ring)
    draw.ellipse((14 * unit, 14 * unit, 66 * unit, 66 * unit), fill=255)
    draw.ellipse((26 * unit, 26 * unit, 54 * unit, 54 * unit), fill=0)
    draw.pieslice((8 * unit, 8 * unit, 72 * unit, 72 * unit), -30, 10, fill=0)
    draw.ellipse((50 * unit, 16 * unit, 64 * unit, 30 * unit), fill=255)
    icon.paste(Image.new("RGBA", (DRAWN, DRAWN), (255, 255, 255, 255)), (0, 0), ring)
    return icon


def bitmap_entry(image):
    """An ICO image entry in the bitmap form: a BITMAPINFOHEADER of double height, a palette of
    256 colours, the 8-bit indexes bottom up, then the 1-bit mask (1: transparent)."""
    size = image.width
    opaque = image.getchannel("A").point(lambda a: 255 if a >= OPAQUE else 0)
    flat = Image.new("RGB", image.size, (255, 255, 255))
    flat.paste(image.convert("RGB"), (0, 0), opaque)
    indexed = flat.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = indexed.getpalette()[:768]
    palette += [0] * (768 - len(palette))

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    colours = b"".join(bytes((palette[i + 2], palette[i + 1], palette[i], 0)) for i in range(0, 768, 3))
    row_bytes = (size + 3) // 4 * 4
    mask_bytes = (size + 31) // 32 * 4
    pixels, mask = bytearray(), bytearray()
    for y in reversed(range(size)):
        row = bytes(indexed.getpixel((x, y)) for x in range(size))
        pixels += row + bytes(row_bytes - size)
        bits = bytearray(mask_bytes)
        for x in range(size):
            if not opaque.getpixel((x, y)):
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colours + bytes(pixels) + bytes(mask)


def png_entry(image):
    """An ICO image entry in the PNG form: the image with at most 256 colours and alpha."""
    output = io.BytesIO()
    image.quantize(colors=256, method=Image.Quantize.FASTOCTREE, dither=Image.Dither.NONE).save(
        output, format="PNG", optimize=True)
    return output.getvalue()


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: draw_setup_icon.py OUTPUT-FILE\n")
        return 2
    path = sys.argv[1]
    drawing = emblem()
    entries = [(size, bitmap_entry(drawing.resize((size, size), Image.Resampling.LANCZOS)), 8)
               for size in BITMAP_SIZES]
    entries.append((PNG_SIZE, png_entry(drawing.resize((PNG_SIZE, PNG_SIZE), Image.Resampling.LANCZOS)), 32))

    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(directory) + 16 * len(entries)
    data = b""
    for size, entry, bits in entries:
        # Width and height 0 stand for 256; a palette of 256 colours is written as 0 as well.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(entry), offset + len(data))
        data += entry

    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    # Written under a temporary name first, so that an interrupted run leaves no half file that
    # the build would take as up to date.
    with open(path + ".part", "wb") as output:
        output.write(directory + data)
    os.replace(path + ".part", path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
