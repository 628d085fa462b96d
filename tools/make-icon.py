#!/usr/bin/env python3
"""Draws Corvane's icon (a keyhole in a dusk-blue shield) into resources/corvane.ico."""
import struct
import sys


def pixel(x, y, size):
    # Coordinates scaled to a 32-unit square; colours as (b, g, r, a).
    u, v = (x + 0.5) * 32 / size, (y + 0.5) * 32 / size
    dx, dy = u - 16, v - 16
    if dx * dx + dy * dy > 15 * 15:
        return (0, 0, 0, 0)
    if dx * dx + dy * dy > 13 * 13:
        return (40, 40, 48, 255)
    keyhole = (dx * dx + (v - 12) ** 2 <= 4.2 ** 2) or (abs(dx) <= 2.2 + (v - 12) * 0.18 and 12 <= v <= 24)
    if keyhole:
        return (20, 180, 235, 255)
    shade = int(70 + 50 * (32 - v) / 32)
    return (shade + 40, shade - 20, 40, 255)


def image(size):
    rows = [[pixel(x, y, size) for x in range(size)] for y in range(size)]
    xor = b"".join(bytes(c) for row in reversed(rows) for c in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main(path):
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/corvane.ico")
