#!/usr/bin/env python3
"""Draws the program's icons and writes the icon files used by src/platform/win32/resources/resources.rc.

Artwork: a quill pen writing on a small monitor. Every shape is described by a signed
distance function in a 256 x 256 design space and rasterised here with one-pixel
anti-aliasing, so each size is drawn from the vectors rather than scaled from a bitmap.

Outputs (all in src/platform/win32/resources/, deterministic, Python 3 standard library only):
  app.ico               32x32 24 bpp, 256x256 32 bpp, 128x128 32 bpp, 48x48 32 bpp
  form1.ico             32x32 24 bpp (the main window's design-time icon)
  icon_30001.bin ...    raw DIB of each image, one RT_ICON resource each
  icon_group_1.bin      GRPICONDIR for group 1 (images 30001..30004)
  icon_group_2.bin      GRPICONDIR for group 2 (image 30101)

Usage: python3 tools/make_icons.py [output-dir]
"""

import math
import os
import struct
import sys

DESIGN = 256.0  # side of the design space in units

# (size, bits per pixel, RT_ICON id) in the order they appear in the group.
APP_IMAGES = [(32, 24, 30001), (256, 32, 30002), (128, 32, 30003), (48, 32, 30004)]
FORM1_IMAGES = [(32, 24, 30101)]
APP_GROUP_ID = 1
FORM1_GROUP_ID = 2

# The quill, measured along its axis from the nib's point, in design units.
VANE_START = 34.0
VANE_LENGTH = 116.0


# ----------------------------------------------------------------------------- geometry


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def hex_rgb(text, alpha=1.0):
    v = int(text.lstrip("#"), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, alpha)


def sd_round_box(x0, y0, x1, y1, r):
    """Rounded rectangle from (x0, y0) to (x1, y1) with corner radius r."""
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def sd(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return sd


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    if dx == 0.0 and dy == 0.0:
        return math.hypot(px - ax, py - ay)
    t = clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy))
    return math.hypot(px - ax - dx * t, py - ay - dy * t)


def sd_polyline(points, r):
    """A stroke of half-width r along a chain of points, with round caps."""
    segs = list(zip(points, points[1:]))

    def sd(x, y):
        return min(seg_dist(x, y, a[0], a[1], b[0], b[1]) for a, b in segs) - r

    return sd


def sd_polygon(points):
    """Closed polygon, even-odd rule; negative inside."""
    edges = list(zip(points, points[1:] + points[:1]))

    def sd(x, y):
        best, inside = 1e9, False
        for (ax, ay), (bx, by) in edges:
            best = min(best, seg_dist(x, y, ax, ay, bx, by))
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -best if inside else best

    return sd


def bbox_of(points, margin):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs) - margin, min(ys) - margin, max(xs) + margin, max(ys) + margin)


def sd_union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def sd_intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def sd_subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def sd_grow(a, amount):
    return lambda x, y: a(x, y) - amount


def sd_shift(a, dx, dy):
    return lambda x, y: a(x - dx, y - dy)


# ----------------------------------------------------------------------------- canvas


class Canvas:
    """Premultiplied RGBA floats, row 0 at the top."""

    def __init__(self, size):
        self.size = size
        self.scale = size / DESIGN  # pixels per design unit
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def snap(self, v):
        """Moves a design coordinate onto the nearest pixel edge of this canvas."""
        return round(v * self.scale) / self.scale

    def paint(self, sd, colour, bbox=None, blur=0.0):
        """Composites colour (RGBA tuple or function of x, y) over the shape sd.

        blur widens the soft edge to that many pixels (used for shadows)."""
        x0, y0, x1, y1 = bbox if bbox else (0, 0, DESIGN, DESIGN)
        n = self.size
        i0, i1 = max(0, int(x0 * self.scale) - 2), min(n, int(x1 * self.scale) + 3)
        j0, j1 = max(0, int(y0 * self.scale) - 2), min(n, int(y1 * self.scale) + 3)
        soft = max(1.0, blur)
        for j in range(j0, j1):
            y = (j + 0.5) / self.scale
            for i in range(i0, i1):
                x = (i + 0.5) / self.scale
                cover = clamp(0.5 - sd(x, y) * self.scale / soft)
                if cover > 0.0:
                    rgba = colour(x, y) if callable(colour) else colour
                    self._blend(j * n + i, rgba, cover)

    def _blend(self, index, rgba, cover):
        a = rgba[3] * cover
        dst = self.px[index]
        keep = 1.0 - a
        dst[0] = rgba[0] * a + dst[0] * keep
        dst[1] = rgba[1] * a + dst[1] * keep
        dst[2] = rgba[2] * a + dst[2] * keep
        dst[3] = a + dst[3] * keep

    def straight_rgba(self, index):
        r, g, b, a = self.px[index]
        if a <= 0.0:
            return (0.0, 0.0, 0.0, 0.0)
        return (r / a, g / a, b / a, a)


# ----------------------------------------------------------------------------- artwork


def outline_px(canvas):
    """Outline width in pixels: one pixel at small sizes, a little more when large."""
    return max(1.0, canvas.size / 96.0)


def paint_outlined(canvas, sd, fill, edge, bbox):
    width = outline_px(canvas) / canvas.scale
    canvas.paint(sd_grow(sd, width), edge, bbox)
    canvas.paint(sd, fill, bbox)


def vertical_gradient(top_colour, bottom_colour, y0, y1):
    return lambda x, y: mix(top_colour, bottom_colour, clamp((y - y0) / (y1 - y0)))


def draw_monitor(canvas):
    """Draws the monitor and returns the shape of the whole monitor (for clipping)."""
    s = canvas.snap
    bezel = sd_round_box(s(14), s(34), s(212), s(172), 16)
    screen_box = (s(28), s(48), s(198), s(150))
    screen = sd_round_box(*screen_box, 5)
    neck = sd_polygon([(s(100), s(170)), (s(126), s(170)), (s(132), s(200)), (s(94), s(200))])
    base = sd_round_box(s(66), s(196), s(160), s(212), 6)
    steel = vertical_gradient(hex_rgb("#a9b3c1"), hex_rgb("#6f7a89"), 170, 212)
    edge = hex_rgb("#1b222c")
    paint_outlined(canvas, sd_union(neck, base), steel, edge, (60, 166, 166, 216))
    bezel_fill = vertical_gradient(hex_rgb("#4d5a6c"), hex_rgb("#2b333f"), 34, 172)
    paint_outlined(canvas, bezel, bezel_fill, edge, (10, 30, 216, 176))
    glass = vertical_gradient(hex_rgb("#e4f3ff"), hex_rgb("#78afe2"), 48, 150)
    canvas.paint(screen, glass, (24, 44, 202, 154))
    if canvas.size >= 48:
        shine = sd_intersect(screen, sd_polygon([(28, 48), (150, 48), (28, 130)]))
        canvas.paint(shine, (1.0, 1.0, 1.0, 0.22), (24, 44, 202, 154))
    return screen, sd_union(bezel, neck, base)


def quill_frame(tip, angle_deg):
    """Returns a function mapping (along, across) in the quill's frame to design space."""
    ux, uy = math.cos(math.radians(angle_deg)), -math.sin(math.radians(angle_deg))
    nx, ny = -uy, ux  # 90 degrees clockwise on screen: the lower-right side

    def to_design(along, across):
        return (tip[0] + ux * along + nx * across, tip[1] + uy * along + ny * across)

    return to_design


def vane_outline(frame, start, length, wide, narrow, steps=48):
    """Feather outline: narrow at the base, widest two thirds along, rounded at the tip."""
    a, b = 0.9, 0.45
    peak = (a / (a + b)) ** a * (b / (a + b)) ** b
    upper, lower = [], []
    for k in range(steps + 1):
        t = k / steps
        w = (t**a) * ((1.0 - t) ** b) / peak
        along = start + length * t + 4.0 * math.sin(math.pi * t)
        upper.append(frame(along, -wide * w))
        lower.append(frame(along, narrow * w))
    return upper + lower[::-1]


def barb_notches(frame, cuts):
    """Thin wedges cut into the upper edge of the vane, as in a real feather."""
    wedges = []
    for along, depth in cuts:
        wedges.append(
            sd_polygon([frame(along - 3, -depth), frame(along + 11, -40), frame(along + 1, -40)])
        )
    return sd_union(*wedges)


def vane_barbs(canvas, frame, vane, colour, start, length):
    """Faint barb lines running from the shaft out towards the tip."""
    width = max(0.6, canvas.size / 256.0) / canvas.scale
    for k in range(1, 9):
        along = start + length * k / 10.0
        for side in (-1, 1):
            ends = [frame(along, 0), frame(along + 16, side * 30)]
            line = sd_polyline(ends, width)
            canvas.paint(sd_intersect(line, vane), colour, bbox_of(ends, 2))


def quill_shapes(frame, detailed):
    """Returns the vane, nib and shaft shapes plus a box around the whole quill."""
    start, length = VANE_START, VANE_LENGTH
    outline = vane_outline(frame, start, length, 27.0, 17.0)
    vane = sd_polygon(outline)
    if detailed:
        vane = sd_subtract(vane, barb_notches(frame, [(start + 50, 14), (start + 82, 17)]))
    nib_points = [frame(0, 0), frame(22, -7.5), frame(40, -6.5), frame(40, 6.5), frame(22, 7.5)]
    shaft = sd_polyline([frame(30, 0), frame(start + length * 0.62, 0.5),
                         frame(start + length * 0.97, 3.0)], 1.7)
    box = bbox_of(outline + nib_points, 6)
    return vane, sd_polygon(nib_points), shaft, box


def draw_quill_shadow(canvas, vane, nib, box, clip):
    dx, dy = 7, 8
    shadow = sd_intersect(sd_shift(sd_union(vane, nib), dx, dy), clip)
    margin = 2 * canvas.size / 40.0 / canvas.scale
    shadow_box = (box[0] + dx - margin, box[1] + dy - margin, box[2] + dx + margin,
                  box[3] + dy + margin)
    canvas.paint(shadow, (0.0, 0.05, 0.15, 0.28), shadow_box, blur=canvas.size / 40.0)


def draw_nib(canvas, frame, nib, edge, box):
    metal = lambda x, y: mix(hex_rgb("#f0d98a"), hex_rgb("#a8802d"), clamp((y - 90) / 50))
    paint_outlined(canvas, nib, metal, edge, box)
    if canvas.size >= 96:
        slit = sd_polyline([frame(3, 0), frame(18, 0)], 0.55 / canvas.scale + 0.4)
        canvas.paint(slit, (*edge[:3], 0.9), box)
        canvas.paint(sd_polyline([frame(24, 0)] * 2, 2.2), (*edge[:3], 0.9), box)


def draw_quill(canvas, frame, clip):
    detailed = canvas.size >= 96
    vane, nib, shaft, box = quill_shapes(frame, detailed)
    draw_quill_shadow(canvas, vane, nib, box, clip)
    edge = hex_rgb("#3d3020")
    feather = lambda x, y: mix(hex_rgb("#fffdf7"), hex_rgb("#e6d9bd"), clamp((x - y) / 260 + 0.3))
    paint_outlined(canvas, vane, feather, edge, box)
    if detailed:
        vane_barbs(canvas, frame, vane, hex_rgb("#b7a582", 0.55), VANE_START, VANE_LENGTH)
    canvas.paint(shaft, hex_rgb("#9c8357"), box)
    draw_nib(canvas, frame, nib, edge, box)


def ink_stroke(start_x, tip):
    """A handwritten-looking curve that ends at the pen's tip."""
    def wave(t):
        return tip[1] - 4 - 26 * math.sin(t * math.pi * 1.75) * (1.0 - 0.3 * t)

    points = []
    for k in range(41):
        t = k / 40.0
        x = start_x + (tip[0] - start_x) * t
        points.append((x, wave(t) + (tip[1] - wave(1.0)) * t**3))
    return points


def draw_app_icon(size):
    canvas = Canvas(size)
    screen, monitor = draw_monitor(canvas)
    tip = (110.0, 130.0)
    draw_ink(canvas, ink_stroke(44, tip), screen, (24, 44, 202, 154))
    draw_quill(canvas, quill_frame(tip, 52.0), monitor)
    return canvas


def draw_ink(canvas, points, clip, box):
    width = max(4.0, 1.2 / canvas.scale)
    ink = sd_intersect(sd_polyline(points, width / 2), clip)
    canvas.paint(ink, hex_rgb("#17427e"), box)


def draw_form1_icon(size):
    """The design-time window icon: a plain window with a quill across it."""
    canvas = Canvas(size)
    s = canvas.snap
    window = sd_round_box(s(24), s(40), s(232), s(224), 10)
    title = sd_intersect(window, sd_round_box(s(0), s(0), s(256), s(88), 0))
    edge = hex_rgb("#1b222c")
    paint_outlined(canvas, window, hex_rgb("#ffffff"), edge, (20, 36, 236, 228))
    canvas.paint(title, vertical_gradient(hex_rgb("#4f8fd8"), hex_rgb("#245fa8"), 40, 88))
    tip = (108.0, 190.0)
    draw_ink(canvas, ink_stroke(48, tip), window, (20, 88, 236, 228))
    draw_quill(canvas, quill_frame(tip, 50.0), window)
    return canvas


# ----------------------------------------------------------------------------- icon files


def to_byte(v):
    return int(clamp(v) * 255.0 + 0.5)


def dib_rows(canvas, bits):
    """XOR bitmap, bottom-up, each row padded to four bytes."""
    n, out = canvas.size, bytearray()
    for j in range(n - 1, -1, -1):
        row = bytearray()
        for i in range(n):
            r, g, b, a = canvas.straight_rgba(j * n + i)
            if bits == 24 and a < 0.5:
                r = g = b = 0.0
            row += bytes((to_byte(b), to_byte(g), to_byte(r)))
            if bits == 32:
                row.append(to_byte(a))
        row += bytes(-len(row) % 4)
        out += row
    return bytes(out)


def and_mask(canvas, bits):
    """1 bpp mask, bottom-up; a set bit shows the background through."""
    n, out = canvas.size, bytearray()
    threshold = 0.5 if bits == 24 else 0.5 / 255.0
    for j in range(n - 1, -1, -1):
        row = bytearray((n + 7) // 8)
        for i in range(n):
            if canvas.straight_rgba(j * n + i)[3] < threshold:
                row[i // 8] |= 0x80 >> (i % 8)
        row += bytes(-len(row) % 4)
        out += row
    return bytes(out)


def icon_dib(canvas, bits):
    """BITMAPINFOHEADER (height doubled for the mask), colour bits, then the mask."""
    pixels, mask = dib_rows(canvas, bits), and_mask(canvas, bits)
    n = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, bits, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    return header + pixels + mask


def dir_entry_fields(size, bits, data):
    side = 0 if size >= 256 else size  # a zero byte means 256
    return struct.pack("<BBBBHHI", side, side, 0, 0, 1, bits, len(data))


def ico_file(images):
    """images: list of (size, bits, dib). Returns the bytes of an .ico file."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = b""
    for size, bits, dib in images:
        out += dir_entry_fields(size, bits, dib) + struct.pack("<I", offset + len(blobs))
        blobs += dib
    return out + blobs


def group_resource(images):
    """images: list of (size, bits, dib, id). Returns an RT_GROUP_ICON resource body."""
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, bits, dib, res_id in images:
        out += dir_entry_fields(size, bits, dib) + struct.pack("<H", res_id)
    return out


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    print(f"wrote {path} ({len(data)} bytes)")


def build_icon(out_dir, ico_name, group_id, layout, draw):
    images = []
    for size, bits, res_id in layout:
        dib = icon_dib(draw(size), bits)
        images.append((size, bits, dib, res_id))
        write(os.path.join(out_dir, f"icon_{res_id}.bin"), dib)
    write(os.path.join(out_dir, ico_name), ico_file([im[:3] for im in images]))
    write(os.path.join(out_dir, f"icon_group_{group_id}.bin"), group_resource(images))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "platform", "win32", "resources")
    out_dir = os.path.normpath(out_dir)
    os.makedirs(out_dir, exist_ok=True)
    build_icon(out_dir, "app.ico", APP_GROUP_ID, APP_IMAGES, draw_app_icon)
    build_icon(out_dir, "form1.ico", FORM1_GROUP_ID, FORM1_IMAGES, draw_form1_icon)


if __name__ == "__main__":
    main()
