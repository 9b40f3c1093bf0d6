#!/usr/bin/env python3
"""Makes the README's pictures from the real program under Wine:

    docs/main-window.png   the main window as it opens, at 100 % (96 dpi)
    docs/overlay.png       the overlay with a drawing, the preview box in its corner

    python3 tools/make_screenshots.py [--build-dir build/win32] [--out docs]

Uses the end-to-end harness (its own Xvfb and throwaway Wine prefix).  Run it again
whenever the look of the windows changes; each PNG is kept under 100 KB.
"""

from __future__ import annotations

import argparse
import math
import os
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import harness  # noqa: E402

MAX_BYTES = 100 * 1024
OVERLAY_CLASS = "QuillmarkOrvaneOverlay"


def optimise_png(source: Path, target: Path, crop: tuple[int, int, int, int] | None = None):
    """Writes source as a small PNG (no metadata, fewer colours only when needed)."""
    geometry = []
    if crop:
        left, top, right, bottom = crop
        geometry = ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
    for colours in (None, 256, 64):
        reduce = ["-colors", str(colours)] if colours else []
        subprocess.run(["convert", str(source), *geometry, "-strip", *reduce,
                        "-define", "png:compression-level=9", "-define", "png:exclude-chunks=date,time",
                        f"png:{target}"], check=True)
        if target.stat().st_size <= MAX_BYTES:
            return
    raise RuntimeError(f"{target} is {target.stat().st_size} bytes, over {MAX_BYTES}")


def desktop_background(desktop: harness.WineDesktop) -> None:
    """A calm blue behind the windows instead of Xvfb's black, so a dark line shows."""
    tile = desktop.work / "background.png"
    subprocess.run(["convert", "-size", "8x8", "xc:#3a6ea5", str(tile)], check=True)
    # ImageMagick's display sets the root window's background and ends (with code 1).
    subprocess.run(["display", "-window", "root", str(tile)], timeout=30,
                   env=dict(os.environ, DISPLAY=desktop.display), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def drawing_path(centre: tuple[int, int], radius: int) -> list[tuple[int, int]]:
    """A loop of a spiral around centre: something a hand might draw."""
    points = []
    for step in range(0, 181):
        angle = step / 180 * 2.2 * math.pi
        r = radius * (0.35 + 0.65 * step / 180)
        points.append((int(centre[0] + r * math.cos(angle)), int(centre[1] + r * math.sin(angle))))
    return points


def main_window_picture(desktop: harness.WineDesktop, out: Path) -> dict:
    main = desktop.wait_program_window(cls="QuillmarkOrvaneMain")
    desktop.mousemove(5, 5)  # the pointer off the window, so no hover look shows
    desktop.settled_screen()
    shot = desktop.screenshot(desktop.work / "main.png")
    optimise_png(shot, out / "main-window.png", tuple(main["rect"]))
    return main


def set_thickness(desktop: harness.WineDesktop, main: dict, text: str) -> None:
    """Types the thickness as a user does, so "Start Drawing" has a number to use."""
    box = desktop.probe().find_one(within=main["handle"], cls="Edit")
    desktop.click(at=harness.centre_of(box["rect"]))
    desktop.key("End", "shift+Home", target=box)
    desktop.type(text, target=box)
    desktop.wait_for(lambda s: s.window(box["handle"])["text"] == text, timeout=10,
                     what=f"the thickness box to read {text}")


def overlay_picture(desktop: harness.WineDesktop, main: dict, out: Path) -> None:
    set_thickness(desktop, main, "5")
    snapshot = desktop.probe()
    button = snapshot.find_one(within=main["handle"], title="Start Drawing")
    desktop.click(at=harness.centre_of(button["rect"]))
    desktop.wait_for(lambda s: desktop.program_windows(s, cls=OVERLAY_CLASS, visible=True),
                     what="the overlay")
    desktop.settled_screen()
    left, top, right, bottom = main["rect"]
    path = drawing_path(((left + right) // 2, (top + bottom) // 2), (bottom - top) // 2 + 60)
    desktop.mousemove(*path[0])
    desktop.mousedown(1)
    for point in path[1:]:
        desktop.mousemove(*point)
    desktop.mouseup(1)
    desktop.mousemove(*path[len(path) // 2])  # the preview box shows the line here
    desktop.settled_screen()
    shot = desktop.screenshot(desktop.work / "overlay.png")
    optimise_png(shot, out / "overlay.png")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=str(ROOT / "build" / "win32"))
    parser.add_argument("--out", default=str(ROOT / "docs"))
    args = parser.parse_args()
    os.environ["QO_BUILD_DIR"] = str(Path(args.build_dir).resolve())
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    with harness.WineDesktop() as desktop:
        desktop_background(desktop)
        desktop.start_program()
        try:
            main = main_window_picture(desktop, out)
            overlay_picture(desktop, main, out)
        finally:
            desktop.stop_program()
    for name in ("main-window.png", "overlay.png"):
        print(f"{out / name}: {(out / name).stat().st_size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
