#!/usr/bin/env python3
"""Draw the program icons for Kinprune, Hushtree and Lettrim.

Each icon is a list of flat shapes in a 0..1 square.  The same list is
rasterised into PNG files (anti-aliased by supersampling, written with zlib
and struct only) and written out as an SVG for the scalable icon theme
folder, so both always agree.

Run:  python3 make_icons.py [output-folder]   (default: this script's folder)
"""

import math
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 64, 128, 256)

# --- shapes -----------------------------------------------------------------
# ("circle", cx, cy, r)
# ("ring", cx, cy, r_outer, r_inner)
# ("halfring", cx, cy, r_outer, r_inner)      upper half only
# ("rrect", x, y, w, h, radius)
# ("poly", [(x, y), ...])
# ("line", x1, y1, x2, y2, width)             round caps


def tile(fill, border):
    """Rounded square background with a darker rim."""
    return [
        (("rrect", 0.04, 0.04, 0.92, 0.92, 0.17), border),
        (("rrect", 0.075, 0.075, 0.85, 0.85, 0.14), fill),
    ]


def tree(dx=0.0, dy=0.0, leaf="#3f9b3a", leaf_light="#5cbf4f", wood="#7a4a22"):
    return [
        (("line", 0.42 + dx, 0.50 + dy, 0.42 + dx, 0.84 + dy, 0.10), wood),
        (("line", 0.42 + dx, 0.64 + dy, 0.30 + dx, 0.54 + dy, 0.05), wood),
        (("circle", 0.27 + dx, 0.46 + dy, 0.15), leaf),
        (("circle", 0.57 + dx, 0.46 + dy, 0.15), leaf),
        (("circle", 0.42 + dx, 0.33 + dy, 0.20), leaf),
        (("circle", 0.37 + dx, 0.28 + dy, 0.08), leaf_light),
    ]


def kinprune():
    # A tree with an open pair of scissors cutting towards the trunk.
    red, steel = "#c62828", "#607d8b"
    pivot = (0.70, 0.70)
    handle_a = (0.75, 0.86)
    handle_b = (0.86, 0.74)
    tip_a = (0.56, 0.50)
    tip_b = (0.50, 0.62)
    return tile("#f6f1e3", "#8a7a55") + tree(dx=-0.04) + [
        (("line", handle_a[0], handle_a[1], tip_a[0], tip_a[1], 0.055), steel),
        (("line", handle_b[0], handle_b[1], tip_b[0], tip_b[1], 0.055), steel),
        (("ring", handle_a[0], handle_a[1], 0.075, 0.04), red),
        (("ring", handle_b[0], handle_b[1], 0.075, 0.04), red),
        (("circle", pivot[0], pivot[1], 0.03), "#37474f"),
    ]


def hushtree():
    # A tree behind a padlock: the family is kept private.
    gold, shadow = "#f2b526", "#a6740c"
    return tile("#2f3e5c", "#1a2436") + tree(dx=-0.06, leaf="#4caf50",
                                             leaf_light="#81c784",
                                             wood="#a06a3a") + [
        (("halfring", 0.71, 0.60, 0.13, 0.08), "#cfd8dc"),
        (("line", 0.605, 0.60, 0.605, 0.64, 0.05), "#cfd8dc"),
        (("line", 0.815, 0.60, 0.815, 0.64, 0.05), "#cfd8dc"),
        (("rrect", 0.52, 0.60, 0.38, 0.30, 0.05), shadow),
        (("rrect", 0.535, 0.615, 0.35, 0.27, 0.04), gold),
        (("circle", 0.71, 0.71, 0.04), "#3b2a05"),
        (("poly", [(0.69, 0.72), (0.73, 0.72), (0.745, 0.82), (0.675, 0.82)]),
         "#3b2a05"),
    ]


def lettrim():
    # "Aa": capital and small letter, i.e. changing case.
    white, accent = "#ffffff", "#ffd54f"
    return tile("#2a6fb0", "#17456f") + [
        (("line", 0.17, 0.76, 0.33, 0.24, 0.085), white),
        (("line", 0.33, 0.24, 0.49, 0.76, 0.085), white),
        (("line", 0.235, 0.58, 0.425, 0.58, 0.07), white),
        (("ring", 0.68, 0.62, 0.155, 0.085), white),
        (("line", 0.80, 0.46, 0.80, 0.76, 0.075), white),
        (("line", 0.17, 0.86, 0.83, 0.86, 0.045), accent),
    ]


ICONS = {"kinprune": kinprune, "hushtree": hushtree, "lettrim": lettrim}

# --- geometry ---------------------------------------------------------------


def bounds(shape):
    kind = shape[0]
    if kind in ("circle", "ring", "halfring"):
        _, cx, cy, r = shape[:4]
        return cx - r, cy - r, cx + r, cy + r
    if kind == "rrect":
        _, x, y, w, h, _r = shape
        return x, y, x + w, y + h
    if kind == "poly":
        xs = [p[0] for p in shape[1]]
        ys = [p[1] for p in shape[1]]
        return min(xs), min(ys), max(xs), max(ys)
    _, x1, y1, x2, y2, w = shape
    h = w / 2
    return min(x1, x2) - h, min(y1, y2) - h, max(x1, x2) + h, max(y1, y2) + h


def contains(shape, x, y):
    kind = shape[0]
    if kind == "circle":
        _, cx, cy, r = shape
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind in ("ring", "halfring"):
        _, cx, cy, ro, ri = shape
        if kind == "halfring" and y > cy:
            return False
        d = (x - cx) ** 2 + (y - cy) ** 2
        return ri * ri <= d <= ro * ro
    if kind == "rrect":
        _, rx, ry, w, h, r = shape
        if not (rx <= x <= rx + w and ry <= y <= ry + h):
            return False
        qx = min(max(x, rx + r), rx + w - r)
        qy = min(max(y, ry + r), ry + h - r)
        return (x - qx) ** 2 + (y - qy) ** 2 <= r * r
    if kind == "poly":
        pts = shape[1]
        inside = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside
    _, x1, y1, x2, y2, w = shape
    dx, dy = x2 - x1, y2 - y1
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / length2))
    px, py = x1 + t * dx, y1 + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2


def rgb(color):
    return tuple(int(color[i:i + 2], 16) for i in (1, 3, 5))


def render(layers, size):
    grid = 4 if size <= 64 else 3
    prepared = [(shape, bounds(shape), rgb(color)) for shape, color in reversed(layers)]
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter type: none
        for px in range(size):
            r = g = b = hits = 0
            for sy in range(grid):
                y = (py + (sy + 0.5) / grid) / size
                for sx in range(grid):
                    x = (px + (sx + 0.5) / grid) / size
                    for shape, (x0, y0, x1, y1), colour in prepared:
                        if x0 <= x <= x1 and y0 <= y <= y1 and contains(shape, x, y):
                            r += colour[0]
                            g += colour[1]
                            b += colour[2]
                            hits += 1
                            break
            if hits:
                row += bytes((round(r / hits), round(g / hits), round(b / hits),
                              round(255 * hits / (grid * grid))))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return b"".join(rows)


def png_bytes(size, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg_text(layers):
    def n(v):
        return f"{v * 256:.1f}".rstrip("0").rstrip(".")

    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    for shape, color in layers:
        kind = shape[0]
        if kind == "circle":
            _, cx, cy, r = shape
            out.append(f'  <circle cx="{n(cx)}" cy="{n(cy)}" r="{n(r)}" fill="{color}"/>')
        elif kind == "ring":
            _, cx, cy, ro, ri = shape
            out.append(f'  <circle cx="{n(cx)}" cy="{n(cy)}" r="{n((ro + ri) / 2)}" fill="none" '
                       f'stroke="{color}" stroke-width="{n(ro - ri)}"/>')
        elif kind == "halfring":
            _, cx, cy, ro, ri = shape
            r = (ro + ri) / 2
            out.append(f'  <path d="M {n(cx - r)} {n(cy)} A {n(r)} {n(r)} 0 0 1 {n(cx + r)} {n(cy)}" '
                       f'fill="none" stroke="{color}" stroke-width="{n(ro - ri)}"/>')
        elif kind == "rrect":
            _, x, y, w, h, r = shape
            out.append(f'  <rect x="{n(x)}" y="{n(y)}" width="{n(w)}" height="{n(h)}" '
                       f'rx="{n(r)}" fill="{color}"/>')
        elif kind == "poly":
            pts = " ".join(f"{n(px)},{n(py)}" for px, py in shape[1])
            out.append(f'  <polygon points="{pts}" fill="{color}"/>')
        else:
            _, x1, y1, x2, y2, w = shape
            out.append(f'  <line x1="{n(x1)}" y1="{n(y1)}" x2="{n(x2)}" y2="{n(y2)}" '
                       f'stroke="{color}" stroke-width="{n(w)}" stroke-linecap="round"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(folder, exist_ok=True)
    for name, draw in ICONS.items():
        layers = draw()
        for size in SIZES:
            with open(os.path.join(folder, f"{name}-{size}.png"), "wb") as f:
                f.write(png_bytes(size, render(layers, size)))
        with open(os.path.join(folder, f"{name}.svg"), "w", encoding="utf-8") as f:
            f.write(svg_text(layers))
    return 0


if __name__ == "__main__":
    sys.exit(main())
