#!/usr/bin/env python3
"""Writes a Windows icon file of 24-bit images, one per PNG given.

Each image is stored as a bottom-up BGR bitmap with a 1-bit transparency
mask (the form of icon that has no alpha channel): a pixel at least half
transparent in the PNG is transparent in the mask, every other pixel is
opaque. ImageMagick reads the PNGs.

Usage: make_ico.py OUTPUT.ico IMAGE.png...
"""
import struct
import subprocess
import sys


def rgba_pixels(png):
    size = subprocess.run(["identify", "-format", "%w %h", png],
                          check=True, capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    pixels = subprocess.run(["convert", png, "-depth", "8", "rgba:-"],
                            check=True, capture_output=True).stdout
    return width, height, pixels


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def icon_image(width, height, pixels):
    colour_rows, mask_rows = [], []
    for y in reversed(range(height)):
        colour, mask_bits = bytearray(), 0
        for x in range(width):
            r, g, b, a = pixels[4 * (y * width + x):4 * (y * width + x) + 4]
            transparent = a < 128
            colour += b"\0\0\0" if transparent else bytes((b, g, r))
            mask_bits = (mask_bits << 1) | transparent
        colour_rows.append(padded(bytes(colour)))
        mask_rows.append(padded(mask_bits.to_bytes((width + 7) // 8, "big")))
    bitmap = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 24, 0, len(bitmap), 0, 0, 0, 0)
    return header + bitmap


def main(output, pngs):
    images = [(w, h, icon_image(w, h, p)) for w, h, p in map(rgba_pixels, pngs)]
    offset = 6 + 16 * len(images)
    directory, data = b"", b""
    for width, height, image in images:
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
        data += image
    with open(output, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, len(images)) + directory + data)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:])
