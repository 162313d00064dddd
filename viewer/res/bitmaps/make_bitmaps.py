#!/usr/bin/env python3
"""Draws the viewer's bitmaps from the shapes below and writes them as 24-bit BMPs.

One flat style: a glyph in one colour on a solid ground, edges smoothed by 4x4
supersampling so the pictures stay clean when the buttons stretch them (halftone)
to the layout's size. Button pictures come in three forms that follow the
buttons' own colours: white on black (normal), black on white (pressed) and the
disabled grey on black.

    make_bitmaps.py [OUT_DIR]      writes every bitmap (default: this folder)
    make_bitmaps.py --check DIR    exit 1 when DIR's bitmaps differ from the shapes

Only the standard library is used, so it runs wherever python3 does.
"""
import math
import os
import struct
import sys

WHITE = (0xFF, 0xFF, 0xFF)
BLACK = (0x00, 0x00, 0x00)
GREY = (0x58, 0x56, 0x56)  # the kit's disabled grey, COLORREF 0x565658
MARKER = (0x7F, 0x7F, 0x7F)  # the navigator's marker fill
SETTING = (0xC1, 0xC1, 0xC1)  # the setting views' ground
SS = 4  # supersampling per axis


# ---- shapes: each is a function (x, y) -> bool in unit coordinates (0..1) ----

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= w / 2


def segment(ax, ay, bx, by, w):
    """A stroke of width w with square-ish (round) ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2
    return inside


def polyline(points, w):
    parts = [segment(*points[i], *points[i + 1], w) for i in range(len(points) - 1)]
    return lambda x, y: any(p(x, y) for p in parts)


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, *holes):
    return lambda x, y: shape(x, y) and not any(h(x, y) for h in holes)


# ---- glyphs ----

STROKE = 0.085


def corners(outward):
    """Four corner marks: pointing out (enlarge to full screen) or in (back to a window)."""
    a, b = (0.16, 0.40) if outward else (0.40, 0.16)
    marks = []
    for sx in (0, 1):
        for sy in (0, 1):
            def flip(px, py, sx=sx, sy=sy):
                return (1 - px if sx else px, 1 - py if sy else py)
            corner = flip(a, a)
            marks.append(segment(*corner, *flip(b, a), STROKE))
            marks.append(segment(*corner, *flip(a, b), STROKE))
    return union(*marks)


def pause():
    return union(rounded(0.28, 0.22, 0.42, 0.78, 0.02), rounded(0.58, 0.22, 0.72, 0.78, 0.02))


def play():
    return polygon([(0.32, 0.20), (0.32, 0.80), (0.80, 0.50)])


def camera():
    body = rounded(0.12, 0.30, 0.88, 0.80, 0.06)
    bump = rounded(0.34, 0.20, 0.60, 0.34, 0.03)
    lens_hole = circle(0.50, 0.55, 0.17)
    lens = circle(0.50, 0.55, 0.10)
    flash = rect(0.72, 0.37, 0.80, 0.42)
    return union(minus(union(body, bump), lens_hole, flash), lens)


def folder():
    tab = polygon([(0.12, 0.24), (0.40, 0.24), (0.48, 0.32), (0.48, 0.36), (0.12, 0.36)])
    back = rounded(0.12, 0.30, 0.88, 0.80, 0.04)
    front = polygon([(0.12, 0.80), (0.22, 0.44), (0.96, 0.44), (0.86, 0.80)])
    gap = polygon([(0.12, 0.80), (0.20, 0.40), (0.92, 0.40), (0.88, 0.46), (0.26, 0.48), (0.16, 0.80)])
    return union(minus(union(tab, back), gap), front)


def waveform():
    axes = union(segment(0.14, 0.16, 0.14, 0.84, 0.05), segment(0.14, 0.84, 0.88, 0.84, 0.05))
    points = [(0.22, 0.62), (0.32, 0.40), (0.42, 0.66), (0.52, 0.28), (0.62, 0.56), (0.72, 0.36), (0.84, 0.50)]
    return union(axes, polyline(points, STROKE))


def back():
    head = polygon([(0.14, 0.50), (0.44, 0.22), (0.44, 0.78)])
    shaft = rect(0.40, 0.42, 0.86, 0.58)
    return union(head, shaft)


def close():
    return union(segment(0.24, 0.24, 0.76, 0.76, 0.11), segment(0.76, 0.24, 0.24, 0.76, 0.11))


def magnifier():
    lens = ring(0.42, 0.42, 0.24, 0.10)
    handle = segment(0.60, 0.60, 0.84, 0.84, 0.13)
    plus = union(segment(0.30, 0.42, 0.54, 0.42, 0.07), segment(0.42, 0.30, 0.42, 0.54, 0.07))
    return union(lens, handle, plus)


def check_box(on):
    frame = minus(rect(0.14, 0.14, 0.86, 0.86), rect(0.22, 0.22, 0.78, 0.78))
    if not on:
        return frame
    tick = polyline([(0.30, 0.50), (0.45, 0.66), (0.72, 0.34)], 0.10)
    return union(frame, tick)


def check_face():
    return rect(0.14, 0.14, 0.86, 0.86)


# ---- pictures ----

class Picture:
    """A picture: size, ground colour and layers of (shape, colour) drawn in order."""

    def __init__(self, width, height, ground, layers):
        self.width, self.height, self.ground, self.layers = width, height, ground, layers

    def pixels(self):
        rows = []
        for py in range(self.height):
            row = []
            for px in range(self.width):
                acc = [0.0, 0.0, 0.0]
                for sy in range(SS):
                    for sx in range(SS):
                        # Unit coordinates over the shorter side, centred on the longer one.
                        side = min(self.width, self.height)
                        x = (px + (sx + 0.5) / SS - (self.width - side) / 2) / side
                        y = (py + (sy + 0.5) / SS - (self.height - side) / 2) / side
                        colour = self.ground
                        for shape, layer_colour in self.layers:
                            if shape(x, y):
                                colour = layer_colour
                        for i in range(3):
                            acc[i] += colour[i]
                row.append(tuple(int(round(c / (SS * SS))) for c in acc))
            rows.append(row)
        return rows


def frame_picture(enabled):
    """The navigator's picture of the whole frame: a flat landscape, greyed when disabled."""
    if enabled:
        sky, hill, far, sun = (0x3A, 0x6E, 0xA8), (0x3C, 0x8C, 0x50), (0x2A, 0x66, 0x3C), (0xF2, 0xC1, 0x4E)
    else:
        sky, hill, far, sun = (0x70, 0x70, 0x72), (0x60, 0x60, 0x62), (0x58, 0x58, 0x5A), (0x88, 0x88, 0x8A)
    # Coordinates are over the height (180); the width spans 0 .. 16/9.
    w = 16 / 9
    x0 = -(w - 1) / 2  # unit x of the left edge
    far_hills = polygon([(x0, 0.70), (x0 + 0.35, 0.45), (x0 + 0.75, 0.66), (x0 + 1.15, 0.40), (x0 + w, 0.62),
                         (x0 + w, 1.0), (x0, 1.0)])
    near = polygon([(x0, 0.86), (x0 + 0.55, 0.64), (x0 + 1.05, 0.80), (x0 + w, 0.70), (x0 + w, 1.0), (x0, 1.0)])
    return Picture(320, 180, sky, [(circle(x0 + 1.30, 0.26, 0.11), sun), (far_hills, far), (near, hill)])


def icon(shape, ground, colour, size=96):
    return Picture(size, size, ground, [(shape, colour)])


def button_set(shape):
    """Normal, pressed and disabled forms of a button picture."""
    return icon(shape, BLACK, WHITE), icon(shape, WHITE, BLACK), icon(shape, BLACK, GREY)


def catalogue():
    """Resource number -> (file name, picture)."""
    out = {}

    def add(number, name, picture):
        out[number] = (name, picture)

    add(318, "navigator_frame.bmp", frame_picture(True))
    add(319, "navigator_frame_disabled.bmp", frame_picture(False))
    add(326, "zoom.bmp", icon(magnifier(), MARKER, WHITE, 64))
    add(324, "full_screen.bmp", icon(corners(True), BLACK, WHITE))
    add(325, "normal_screen.bmp", icon(corners(False), BLACK, WHITE))
    add(336, "screen_disabled.bmp", icon(corners(True), BLACK, GREY))
    add(411, "pause.bmp", icon(pause(), BLACK, WHITE))
    add(412, "pause_disabled.bmp", icon(pause(), BLACK, GREY))
    add(413, "play.bmp", icon(play(), WHITE, BLACK))
    for first, stem, shape in ((400, "camera", camera()), (405, "folder", folder()), (414, "waveform", waveform()),
                               (397, "back", back())):
        normal, pressed, disabled = button_set(shape)
        add(first, stem + ".bmp", normal)
        add(first + 1, stem + "_disabled.bmp", disabled)
        add(first + 2, stem + "_pressed.bmp", pressed)
    close_normal, close_pressed, _ = button_set(close())
    add(403, "close.bmp", close_normal)
    add(404, "close_pressed.bmp", close_pressed)
    add(417, "check_off.bmp", Picture(64, 64, SETTING, [(check_face(), WHITE), (check_box(False), BLACK)]))
    add(418, "check_on.bmp", Picture(64, 64, SETTING, [(check_face(), WHITE), (check_box(True), BLACK)]))
    return out


def bmp_bytes(picture):
    rows = picture.pixels()
    stride = (picture.width * 3 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, picture.width, picture.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def main(argv):
    check = len(argv) > 1 and argv[1] == "--check"
    folder = argv[2] if check else (argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
    stale = []
    for number, (name, picture) in sorted(catalogue().items()):
        path = os.path.join(folder, name)
        data = bmp_bytes(picture)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("bitmaps out of date with make_bitmaps.py: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
