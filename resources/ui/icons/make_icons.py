#!/usr/bin/env python3
"""Draws the program's icons as PNG files: the main icon and the three status icons of the production rows.

Run it after changing a drawing; the PNG files it writes are kept in the tree. Needs only the standard library.
Shapes are described as functions of a point that answer a colour or None; every pixel is sampled 4x4 times.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

SAMPLES = 4


def write_png(path, size, pixels):
    raw = b"".join(b"\x00" + bytes(v for px in pixels[y * size:(y + 1) * size] for v in px) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                           chunk(b"IEND", b""))


def render(size, layers):
    """layers: functions (x, y) in 0..1 -> (r, g, b) or None, painted in order."""
    pixels = []
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = None
                    for layer in layers:
                        c = layer(x, y)
                        if c is not None:
                            colour = c
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if acc[3]:
                pixels.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(alpha * 255)))
            else:
                pixels.append((0, 0, 0, 0))
    return pixels


def disc(cx, cy, r, colour):
    return lambda x, y: colour if (x - cx) ** 2 + (y - cy) ** 2 <= r * r else None


def rounded_rect(x0, y0, x1, y1, r, colour):
    def f(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return None
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return colour if dx * dx + dy * dy <= r * r else None
    return f


def segment(ax, ay, bx, by, width, colour):
    def f(x, y):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
        d = math.hypot(x - (ax + t * vx), y - (ay + t * vy))
        return colour if d <= width / 2 else None
    return f


def polygon(points, colour):
    def f(x, y):
        inside = False
        for i in range(len(points)):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % len(points)]
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                inside = not inside
        return colour if inside else None
    return f


WHITE = (255, 255, 255)


def status_pass():
    return [disc(0.5, 0.5, 0.47, (28, 160, 72)), segment(0.27, 0.52, 0.43, 0.68, 0.11, WHITE),
            segment(0.43, 0.68, 0.73, 0.34, 0.11, WHITE)]


def status_fail():
    return [disc(0.5, 0.5, 0.47, (214, 48, 49)), segment(0.33, 0.33, 0.67, 0.67, 0.11, WHITE),
            segment(0.67, 0.33, 0.33, 0.67, 0.11, WHITE)]


def status_idle():
    return [disc(0.5, 0.5, 0.47, (58, 120, 200))] + [disc(cx, 0.5, 0.07, WHITE) for cx in (0.3, 0.5, 0.7)]


def main_icon():
    body = (34, 46, 64)
    pin = (170, 178, 190)
    layers = [rounded_rect(0.02, 0.02, 0.98, 0.98, 0.18, (0, 110, 190))]
    # The chip: a dark square with pins on all four sides.
    for i in range(4):
        p = 0.30 + i * 0.13
        layers += [rounded_rect(p - 0.03, 0.12, p + 0.03, 0.24, 0.01, pin),
                   rounded_rect(p - 0.03, 0.76, p + 0.03, 0.88, 0.01, pin),
                   rounded_rect(0.12, p - 0.03, 0.24, p + 0.03, 0.01, pin),
                   rounded_rect(0.76, p - 0.03, 0.88, p + 0.03, 0.01, pin)]
    layers.append(rounded_rect(0.22, 0.22, 0.78, 0.78, 0.05, body))
    # A download arrow into the chip.
    arrow = (255, 196, 0)
    layers += [rounded_rect(0.44, 0.30, 0.56, 0.52, 0.02, arrow),
               polygon([(0.33, 0.50), (0.67, 0.50), (0.50, 0.70)], arrow)]
    return layers


def main(out_dir):
    out = Path(out_dir)
    write_png(out / "main.png", 64, render(64, main_icon()))
    write_png(out / "status_pass.png", 32, render(32, status_pass()))
    write_png(out / "status_fail.png", 32, render(32, status_fail()))
    write_png(out / "status_idle.png", 32, render(32, status_idle()))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
