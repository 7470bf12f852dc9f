#!/usr/bin/env python3
"""Writes the sample pictures into samples/ (or the folder given as argument); with --bmp also
an uncompressed 24-bit BMP copy of the colour wheel and of the landscape.

  colour-wheel.png          every hue around the circle, from white at the centre to full
                            colour at the rim: each condition takes a primary out of a whole
                            range of colours at once
  conditions-chart.png      twelve colour patches (primaries, mixtures, greys, skin and leaf
                            tones) in the top row, and below it one row per analysis condition
                            0 to 5 showing what that condition makes of them
  photo-gradient.png        a photo-like landscape: sky, sun, hills and a meadow in smooth
                            gradients with a little grain

Only the standard library is used; the same bytes come out every time.
"""
import colorsys
import math
import os
import random
import struct
import sys
import zlib


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        out.write(chunk(b"IEND", b""))


def write_bmp(path, width, height, pixel):
    row_length = (width * 3 + 3) & ~3
    image_size = row_length * height
    with open(path, "wb") as out:
        out.write(struct.pack("<2sIHHI", b"BM", 54 + image_size, 0, 0, 54))
        out.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 2835, 2835, 0, 0))
        for y in range(height - 1, -1, -1):
            row = bytearray()
            for x in range(width):
                r, g, b = pixel(x, y)
                row.extend((b, g, r))
            row.extend(b"\0" * (row_length - len(row)))
            out.write(row)


def clamp(value):
    return max(0, min(255, int(round(value))))


def colour_wheel(size):
    centre = (size - 1) / 2
    radius = size / 2 - 2

    def pixel(x, y):
        dx, dy = x - centre, y - centre
        distance = math.hypot(dx, dy)
        if distance > radius:
            return (48, 48, 48)  # a dark surround, so that the rim stands out
        hue = (math.atan2(-dy, dx) / (2 * math.pi)) % 1.0
        r, g, b = colorsys.hsv_to_rgb(hue, distance / radius, 1.0)
        return (clamp(r * 255), clamp(g * 255), clamp(b * 255))

    return pixel


def analysed(colour, condition):
    channels = list(colour)
    primary = condition % 3
    if condition < 3:
        channels[primary] = 0
    else:
        channels[primary] = (channels[(primary + 1) % 3] + channels[(primary + 2) % 3]) // 2
    return tuple(channels)


PATCHES = [
    (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
    (255, 255, 255), (128, 128, 128), (0, 0, 0), (224, 172, 140), (70, 130, 60), (250, 140, 30),
]


def conditions_chart(patch, gap):
    columns = len(PATCHES)
    rows = 7  # the original, then conditions 0 to 5

    def pixel(x, y):
        column, inside_x = divmod(x, patch + gap)
        row, inside_y = divmod(y, patch + gap)
        # A darker band under the original row sets it apart from the six results.
        if inside_x >= patch or inside_y >= patch or column >= columns or row >= rows:
            return (32, 32, 32) if row == 0 and inside_y >= patch else (96, 96, 96)
        colour = PATCHES[column]
        return colour if row == 0 else analysed(colour, row - 1)

    width = columns * (patch + gap) - gap
    height = rows * (patch + gap) - gap
    return width, height, pixel


def photo_gradient(width, height):
    grain = random.Random(20240501)
    noise = [[grain.randint(-4, 4) for _ in range(width)] for _ in range(height)]
    horizon = height * 0.55
    sun_x, sun_y, sun_r = width * 0.72, height * 0.28, height * 0.09

    def hill(x, base, amplitude, period, phase):
        return base + amplitude * math.sin(x / period + phase)

    def pixel(x, y):
        if y < horizon:
            t = y / horizon
            r, g, b = 40 + 150 * t, 90 + 120 * t, 200 + 40 * t  # deep blue to a pale horizon
            glow = max(0.0, 1.0 - math.hypot(x - sun_x, y - sun_y) / (sun_r * 4))
            r, g, b = r + 120 * glow, g + 90 * glow, b + 20 * glow
            if math.hypot(x - sun_x, y - sun_y) < sun_r:
                r, g, b = 255, 236, 170
        else:
            t = (y - horizon) / (height - horizon)
            r, g, b = 120 - 60 * t, 170 - 50 * t, 70 - 30 * t  # meadow, darker towards us
        far = hill(x, horizon - height * 0.06, height * 0.05, width / 9, 0.7)
        near = hill(x, horizon + height * 0.02, height * 0.04, width / 5.5, 2.1)
        if far <= y < near:
            r, g, b = 90, 110, 120  # distant hills in the haze
        elif y >= near and y < horizon + height * 0.08:
            r, g, b = 60, 120, 55
        n = noise[y][x]
        return (clamp(r + n), clamp(g + n), clamp(b + n))

    return pixel


def main():
    arguments = [a for a in sys.argv[1:] if a != "--bmp"]
    with_bmp = "--bmp" in sys.argv[1:]
    folder = arguments[0] if arguments else os.path.join(os.path.dirname(__file__), "..", "samples")
    os.makedirs(folder, exist_ok=True)
    pictures = [
        ("colour-wheel", 160, 160, colour_wheel(160)),
        ("photo-gradient", 256, 160, photo_gradient(256, 160)),
    ]
    for name, width, height, pixel in pictures:
        write_png(os.path.join(folder, name + ".png"), width, height, pixel)
        if with_bmp:
            write_bmp(os.path.join(folder, name + ".bmp"), width, height, pixel)
    width, height, chart = conditions_chart(40, 4)
    write_png(os.path.join(folder, "conditions-chart.png"), width, height, chart)


if __name__ == "__main__":
    main()
