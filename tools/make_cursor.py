#!/usr/bin/env python3
"""Draws the program's hand pointer and writes it as a Windows cursor file.

Artwork: a white pointing hand with a black outline, the index finger up, the
other fingers folded. Every part is a capsule or a rounded box in pixel space;
a pixel belongs to a part when its centre lies inside. The outline is the edge
of the whole hand plus the seams between the folded fingers.

Output (deterministic, Python 3 standard library only): src/platform/win32/resources/HAND-M.CUR, one
32 x 32 image at 32 bits per pixel with alpha and an AND mask, hotspot at the
tip of the index finger.

Usage: python3 tools/make_cursor.py [output-file]
"""

import math
import os
import struct
import sys

SIZE = 32
HOTSPOT = (9, 1)
SEAM_BOTTOM = 15  # below this row the fingers meet the palm without seams


def capsule(x0, y0, x1, y1, r):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= r
    return inside


def round_box(x0, y0, x1, y1, r):
    def inside(x, y):
        qx = max(x0 + r - x, 0.0, x - (x1 - r))
        qy = max(y0 + r - y, 0.0, y - (y1 - r))
        return math.hypot(qx, qy) <= r
    return inside


# The fingers' axes: x, top, bottom, radius.
FINGER_AXES = [
    (9.5, 3.0, 16.0, 2.0),    # index, pointing
    (13.0, 9.0, 16.0, 2.0),   # middle, folded
    (16.5, 10.0, 16.0, 2.0),  # ring, folded
    (19.5, 11.5, 16.0, 1.7),  # little, folded
]
FINGERS = [capsule(x, top, x, bottom, r) for x, top, bottom, r in FINGER_AXES]
OTHERS = [
    round_box(7.5, 13.0, 21.5, 25.0, 3.0),  # palm
    capsule(4.0, 12.5, 8.5, 18.0, 2.0),     # thumb
    round_box(9.5, 23.0, 19.5, 29.0, 1.0),  # wrist
]


def finger_at(x, y):
    """The finger whose axis is nearest to the pixel's centre, of those holding it."""
    cx, cy = x + 0.5, y + 0.5
    holding = [i for i, part in enumerate(FINGERS) if part(cx, cy)]
    return min(holding, key=lambda i: abs(FINGER_AXES[i][0] - cx), default=None)


def on_hand(x, y):
    if not (0 <= x < SIZE and 0 <= y < SIZE):
        return False
    cx, cy = x + 0.5, y + 0.5
    return any(part(cx, cy) for part in FINGERS + OTHERS)


def draw():
    """Rows of 'B' (black), 'W' (white) and ' ' (transparent), top row first."""
    rows = []
    for y in range(SIZE):
        row = ""
        for x in range(SIZE):
            if not on_hand(x, y):
                row += " "
                continue
            edge = not all(on_hand(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            finger = finger_at(x, y)
            # The seam between two fingers runs along the left one's right edge.
            seam = (y < SEAM_BOTTOM and finger is not None and
                    finger_at(x + 1, y) not in (None, finger))
            row += "B" if edge or seam else "W"
        rows.append(row)
    return rows


def cursor_file(rows):
    pixels = b""
    mask = b""
    for row in reversed(rows):  # bitmaps run bottom-up
        bits = 0
        for x, c in enumerate(row):
            if c == "B":
                pixels += struct.pack("<4B", 0, 0, 0, 255)
            elif c == "W":
                pixels += struct.pack("<4B", 255, 255, 255, 255)
            else:
                pixels += struct.pack("<4B", 0, 0, 0, 0)
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "platform", "win32", "resources", "HAND-M.CUR")
    rows = draw()
    assert rows[HOTSPOT[1]][HOTSPOT[0]] != " ", "the hotspot must lie on the hand"
    with open(out, "wb") as f:
        f.write(cursor_file(rows))
    for row in rows:
        print(row.replace("B", "#").replace("W", ".").rstrip())


if __name__ == "__main__":
    main()
