#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes quillfen.ico, icon resource 128 of the Windows program, from the
same 16 and 32 pixel images the Linux desktop installs. Run by hand when the
artwork changes:

    src/win32/tools/make_icon.py src/qt/resources src/win32/resources/quillfen.ico

Each size is stored twice: in the 16 standard colours, which any Windows
desktop can show, and in true colour with its alpha channel, which newer
desktops prefer. ImageMagick's convert reads the PNG files; the icon file is
written here so that its layout does not depend on convert's version.
"""
import struct
import subprocess
import sys

# The 16 colours every Windows display has, in palette order.
STANDARD_COLOURS = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# Half-transparent edges are blended onto the dialog's light grey before they
# are matched to a standard colour.
BACKDROP = (0xC0, 0xC0, 0xC0)
OPAQUE_FROM = 128


def read_rgba(path, size):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], check=True,
                         stdout=subprocess.PIPE).stdout
    if len(raw) != size * size * 4:
        sys.exit(f"make_icon: {path} is not {size} x {size}")
    return [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def nearest_colour(rgb):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(rgb, STANDARD_COLOURS[i])))


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def and_mask(pixels, size):
    rows = []
    for y in reversed(range(size)):
        bits = bytearray((size + 7) // 8)
        for x in range(size):
            if pixels[y * size + x][3] < OPAQUE_FROM:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(padded(bytes(bits)))
    return b"".join(rows)


def info_header(size, bit_count, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, image_bytes, 0, 0, 0, 0)


def sixteen_colour_image(pixels, size):
    indexes = []
    for r, g, b, a in pixels:
        if a < OPAQUE_FROM:
            indexes.append(0)
            continue
        blended = tuple((c * a + k * (255 - a)) // 255 for c, k in zip((r, g, b), BACKDROP))
        indexes.append(nearest_colour(blended))
    rows = []
    for y in reversed(range(size)):
        row = bytearray()
        for x in range(0, size, 2):
            row.append(indexes[y * size + x] << 4 | indexes[y * size + x + 1])
        rows.append(padded(bytes(row)))
    xor = b"".join(rows)
    mask = and_mask(pixels, size)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in STANDARD_COLOURS)
    return info_header(size, 4, len(xor) + len(mask)) + palette + xor + mask


def true_colour_image(pixels, size):
    rows = []
    for y in reversed(range(size)):
        rows.append(b"".join(struct.pack("<BBBB", b, g, r, a) for r, g, b, a in pixels[y * size:(y + 1) * size]))
    xor = b"".join(rows)
    mask = and_mask(pixels, size)
    return info_header(size, 32, len(xor) + len(mask)) + xor + mask


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_icon.py PNG_DIRECTORY OUTPUT.ico")
    source, output = sys.argv[1:]
    images = []  # (size, colour count, bit count, bytes)
    for size in (32, 16):
        pixels = read_rgba(f"{source}/quillfen-{size}.png", size)
        images.append((size, 16, 4, sixteen_colour_image(pixels, size)))
    for size in (32, 16):
        pixels = read_rgba(f"{source}/quillfen-{size}.png", size)
        images.append((size, 0, 32, true_colour_image(pixels, size)))

    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, data = b"", b""
    for size, colours, bits, image in images:
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(image), offset + len(data))
        data += image
    with open(output, "wb") as f:
        f.write(directory + entries + data)


if __name__ == "__main__":
    main()
