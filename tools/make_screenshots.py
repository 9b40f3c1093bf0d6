#!/usr/bin/env python3
"""Makes the README's pictures from the real program under Wine:

    docs/main-window.png   the main window as it opens, at 100 % (96 dpi)
    docs/overlay.png       the overlay with a drawing, the preview box in its corner
    docs/browser.png       the program in a browser, as scripts/run.sh serves it without
                           a display (headless chromium showing the noVNC page)

    python3 tools/make_screenshots.py [--build-dir build/win32] [--out docs]

The first two use the end-to-end harness (its own Xvfb and throwaway Wine prefix); the
third starts scripts/run.sh with a throwaway prefix (it builds build/win32 itself).  Installs
chromium through scripts/setup.sh --screenshots.  Run it again whenever the look of the
windows changes; each PNG is kept under 100 KB.
"""

from __future__ import annotations

import argparse
import base64
import fcntl
import json
import math
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import harness  # noqa: E402

MAX_BYTES = 100 * 1024
OVERLAY_CLASS = "QuillmarkOrvaneOverlay"
BROWSER_SIZE = (1280, 1060)  # the virtual screen and a little of the page around it


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


class Chromium:
    """Headless chromium driven through its debugging protocol over a pipe: commands go to
    its descriptor 3, answers and events come from its descriptor 4, each a JSON text ending
    in a NUL byte."""

    def __init__(self, work: Path):
        to_browser, self._commands = os.pipe()
        self._answers, from_browser = os.pipe()

        def give_pipes():  # in the child: the pipe ends as descriptors 3 and 4
            ends = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_browser, from_browser)]
            for number, end in zip((3, 4), ends):
                os.dup2(end, number)
        log = open(work / "chromium.log", "wb")
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--remote-debugging-pipe",
             "--hide-scrollbars", f"--user-data-dir={work / 'chromium'}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, preexec_fn=give_pipes,
            close_fds=False)
        log.close()
        os.close(to_browser)
        os.close(from_browser)
        self._buffer = b""
        self._last_id = 0

    def close(self) -> None:
        os.close(self._commands)
        os.close(self._answers)
        harness.stop_popen(self.process)

    def call(self, method: str, session: str | None = None, **params) -> dict:
        self._last_id += 1
        message = {"id": self._last_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._commands, json.dumps(message).encode() + b"\0")
        while True:
            answer = self._read()
            if answer.get("id") == self._last_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer.get("result", {})

    def _read(self) -> dict:
        while b"\0" not in self._buffer:
            if not select.select([self._answers], [], [], 60)[0]:
                raise TimeoutError("chromium did not answer within 60 s")
            chunk = os.read(self._answers, 1 << 16)
            if not chunk:
                raise RuntimeError("chromium ended")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def novnc_screenshot(self, url: str) -> bytes:
        """The noVNC page at url once it has connected and its picture no longer changes."""
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next(t["targetId"] for t in targets if t["type"] == "page")
        session = self.call("Target.attachToTarget", targetId=page, flatten=True)["sessionId"]
        width, height = BROWSER_SIZE
        self.call("Emulation.setDeviceMetricsOverride", session, width=width, height=height,
                  deviceScaleFactor=1, mobile=False)
        self.call("Page.navigate", session, url=url)
        connected = "document.documentElement.classList.contains('noVNC_connected')"
        harness.poll_until(lambda: self.call("Runtime.evaluate", session, expression=connected,
                                             returnByValue=True)["result"].get("value"),
                           60, "noVNC to connect", interval=0.5)
        last = None

        def same_twice():
            nonlocal last
            time.sleep(1)  # real time: noVNC draws as the VNC server sends
            shot = self.call("Page.captureScreenshot", session, format="png")["data"]
            settled, last = shot == last, shot
            return shot if settled else None
        return base64.b64decode(harness.poll_until(same_twice, 60, "the page to settle"))


def browser_picture(out: Path) -> None:
    """Starts scripts/run.sh as on a machine without a display and photographs its page."""
    work = harness.REPO_ROOT / "build" / "screenshots"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env["WINEPREFIX"] = str(work / "prefix")
    log_path = work / "run.log"
    with open(log_path, "wb") as log:
        run_sh = subprocess.Popen([str(ROOT / "scripts" / "run.sh")], env=env,
                                  stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                  start_new_session=True,  # SIGINT as in a terminal:
                                  preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    browser = None
    try:
        def printed(pattern: str):
            if run_sh.poll() is not None:
                raise RuntimeError(f"run.sh ended early; see {log_path}")
            return re.search(pattern, log_path.read_text(errors="replace"))
        url = harness.poll_until(lambda: printed(r"http://127\.0\.0\.1:\d+/vnc\.html\S*"),
                                 600, "run.sh's address").group(0)
        display = printed(r"virtual screen (:\d+)").group(1)
        desktop = harness.WineDesktop.attach(display, work / "prefix", work)
        desktop.wait_for(lambda s: s.find(cls="QuillmarkOrvaneMain", visible=True), timeout=60,
                         what="the main window")
        desktop.mousemove(5, 5)  # the pointer off the window, so no hover look shows
        desktop.settled_screen()
        browser = Chromium(work)
        shot = work / "browser.png"
        shot.write_bytes(browser.novnc_screenshot(url))
        optimise_png(shot, out / "browser.png")
    finally:
        if browser:
            browser.close()
        run_sh.send_signal(signal.SIGINT)  # run.sh ends all it started, as on Ctrl+C
        run_sh.wait(timeout=60)
    shutil.rmtree(work, ignore_errors=True)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=str(ROOT / "build" / "win32"))
    parser.add_argument("--out", default=str(ROOT / "docs"))
    args = parser.parse_args()
    os.environ["QO_BUILD_DIR"] = str(Path(args.build_dir).resolve())
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    subprocess.run([str(ROOT / "scripts" / "setup.sh"), "--screenshots"], check=True)
    with harness.WineDesktop() as desktop:
        desktop_background(desktop)
        desktop.start_program()
        try:
            main = main_window_picture(desktop, out)
            overlay_picture(desktop, main, out)
        finally:
            desktop.stop_program()
    browser_picture(out)
    for name in ("main-window.png", "overlay.png", "browser.png"):
        print(f"{out / name}: {(out / name).stat().st_size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
