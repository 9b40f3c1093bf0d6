"""scripts/run.sh on a machine without a display: the browser page is served, the VNC
server behind it answers, the program's main window is on the virtual screen with its
caption buttons, a drag sent through VNC draws a clean line, and Ctrl+C ends everything
the script started."""

from __future__ import annotations

import base64
import math
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import time
import unittest
import urllib.request
from pathlib import Path

import harness

ADDRESS = re.compile(r"(http://127\.0\.0\.1:(\d+)/vnc\.html\S*)")
VNC = re.compile(r"VNC clients can also connect to 127\.0\.0\.1:(\d+)")
DISPLAY = re.compile(r"virtual screen (:\d+)")
MAIN_TITLE = "^(Form1|Quillmark Orvane)$"
OVERLAY_CLASS = "QuillmarkOrvaneOverlay"
DRAG = ((100, 100), (900, 340))  # above the main window, away from its red swatch


def port_open(port: int) -> bool:
    with socket.socket() as s:
        s.settimeout(1)
        return s.connect_ex(("127.0.0.1", port)) == 0


def read_exactly(sock: socket.socket, count: int) -> bytes:
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            break
        data += chunk
    return data


def rfb_greeting_direct(port: int) -> bytes:
    with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
        return read_exactly(s, 12)


def rfb_greeting_through_websocket(port: int) -> bytes:
    """Opens the WebSocket the browser client opens and returns the first frame's payload."""
    key = base64.b64encode(os.urandom(16)).decode()
    request = (f"GET /websockify HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
               f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
               "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Protocol: binary\r\n\r\n")
    with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
        s.sendall(request.encode())
        response = b""
        while b"\r\n\r\n" not in response:
            chunk = s.recv(1)
            if not chunk:
                break
            response += chunk
        if not response.startswith(b"HTTP/1.1 101"):
            raise AssertionError(f"no WebSocket upgrade: {response[:200]!r}")
        header = read_exactly(s, 2)
        length = header[1] & 0x7F
        if length == 126:
            length = int.from_bytes(read_exactly(s, 2), "big")
        return read_exactly(s, length)


class Vnc:
    """The least a VNC client needs to move the pointer: RFB 3.8 without a password."""

    def __init__(self, port: int):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        read_exactly(self.sock, 12)
        self.sock.sendall(b"RFB 003.008\n")
        offered = read_exactly(self.sock, read_exactly(self.sock, 1)[0])
        if 1 not in offered:
            raise AssertionError(f"the VNC server wants a password: {offered!r}")
        self.sock.sendall(b"\x01")
        if read_exactly(self.sock, 4) != bytes(4):
            raise AssertionError("the VNC server refused the connection")
        self.sock.sendall(b"\x01")  # shared
        name_length = struct.unpack(">I", read_exactly(self.sock, 24)[20:])[0]
        read_exactly(self.sock, name_length)

    def __enter__(self) -> "Vnc":
        return self

    def __exit__(self, *exc) -> None:
        self.sock.close()

    def pointer(self, x: int, y: int, buttons: int = 0, pause: float = 0.016) -> None:
        """One PointerEvent; the pause is a browser's frame, the pace of its mouse events."""
        self.sock.sendall(struct.pack(">BBHH", 5, buttons, x, y))
        time.sleep(pause)

    def click(self, x: int, y: int) -> None:
        for buttons in (0, 1, 0):
            self.pointer(x, y, buttons, pause=0.1)

    def drag(self, start: tuple[int, int], end: tuple[int, int], steps: int = 60) -> None:
        self.pointer(*start, pause=0.2)
        for step in range(steps + 1):
            self.pointer(start[0] + (end[0] - start[0]) * step // steps,
                         start[1] + (end[1] - start[1]) * step // steps, 1)
        self.pointer(*end, pause=0.3)


def off_the_line(before: harness.Image, after: harness.Image, line, reach: float) -> list:
    """Pixels that changed further than reach from the segment line, outside the preview
    box in the bottom-right corner."""
    (x0, y0), (x1, y1) = line
    length = math.hypot(x1 - x0, y1 - y0)
    width, row = before.width, before.width * 3
    found = []
    for y in range(before.height):
        if before.rgb[y * row:(y + 1) * row] == after.rgb[y * row:(y + 1) * row]:
            continue
        for x in range(width):
            in_preview = x > width - 60 and y > before.height - 60
            if in_preview or before.pixel(x, y) == after.pixel(x, y):
                continue
            t = max(0.0, min(1.0, ((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / length ** 2))
            if math.hypot(x - x0 - t * (x1 - x0), y - y0 - t * (y1 - y0)) > reach:
                found.append((x, y))
    return found


class RunWithoutDisplayTest(unittest.TestCase):
    def setUp(self):
        base = harness.REPO_ROOT / "build" / "e2e"
        self.work = base / f"run-headless-{os.getpid()}"
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        self.log = self.work / "run.log"
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(WINEPREFIX=str(self.work / "prefix"), QO_WEB_PORT="6180", QO_VNC_PORT="5990")
        with open(self.log, "wb") as out:
            # Ctrl+C as in a terminal: a suite started in the background (`cmd &`) would
            # hand run.sh an ignored SIGINT, which a shell script cannot trap.
            self.run_sh = subprocess.Popen([str(harness.REPO_ROOT / "scripts" / "run.sh")],
                                           env=env, stdin=subprocess.DEVNULL, stdout=out,
                                           stderr=subprocess.STDOUT, start_new_session=True,
                                           preexec_fn=lambda: signal.signal(signal.SIGINT,
                                                                            signal.SIG_DFL))

    def tearDown(self):
        if self.run_sh.poll() is None:
            self.run_sh.send_signal(signal.SIGINT)
            try:
                self.run_sh.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.run_sh.kill()
                self.run_sh.wait()
        shutil.copy(self.log, harness.artifacts_dir() / "logs" / "run-headless.log")
        shutil.rmtree(self.work, ignore_errors=True)

    def output(self) -> str:
        return self.log.read_text(errors="replace")

    def wait_for_output(self, pattern: re.Pattern) -> re.Match:
        def found():
            if self.run_sh.poll() is not None:
                raise AssertionError(f"run.sh ended early:\n{self.output()}")
            return pattern.search(self.output())
        return harness.poll_until(found, 300, f"run.sh to print {pattern.pattern}", interval=0.2)

    def draw_through_vnc(self, desktop: harness.WineDesktop, vnc_port: int) -> None:
        """A straight drag as a browser's VNC client sends it draws that line and nothing
        else (x11vnc's XTEST moves once reached the overlay also as relative motion, and the
        stroke jumped out to about twice the pointer's position and back)."""
        button = desktop.probe().find_one(title="Start Drawing")
        with Vnc(vnc_port) as vnc:
            vnc.click(*harness.centre_of(button["rect"]))
            desktop.wait_for(lambda s: s.find(cls=OVERLAY_CLASS, visible=True), timeout=30,
                             what="the overlay")
            before = desktop.settled_screen()
            vnc.drag(*DRAG)
        after = desktop.settled_screen()
        desktop.screenshot("run-headless-vnc-drag.png")
        stray = off_the_line(before, after, DRAG, reach=6)
        self.assertEqual(len(stray), 0, f"pixels drawn off the line, e.g. {stray[:5]}")
        (x0, y0), (x1, y1) = DRAG
        points = [(x0 + (x1 - x0) * i // 20, y0 + (y1 - y0) * i // 20) for i in range(21)]
        undrawn = [p for p in points if after.pixel(*p) == before.pixel(*p)]
        self.assertLess(len(undrawn), 3, f"the line is not drawn at {undrawn}")

    def test_serves_the_program_to_a_browser_and_ends_all_on_ctrl_c(self):
        address = self.wait_for_output(ADDRESS)
        url, web_port = address.group(1), int(address.group(2))
        vnc_port = int(self.wait_for_output(VNC).group(1))
        display = self.wait_for_output(DISPLAY).group(1)

        with urllib.request.urlopen(url, timeout=10) as page:
            self.assertEqual(page.status, 200)
            self.assertIn(b"noVNC", page.read())
        self.assertRegex(rfb_greeting_direct(vnc_port), rb"^RFB 003\.00\d\n$")
        self.assertRegex(rfb_greeting_through_websocket(web_port), rb"^RFB 003\.00\d\n$")

        env = dict(os.environ, DISPLAY=display)
        harness.poll_until(lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", MAIN_TITLE], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10).returncode == 0,
            60, "the main window on the virtual screen")
        desktop = harness.WineDesktop.attach(display, self.work / "prefix", self.work)
        # Wine frames the windows itself there, so they have captions and can be moved, and
        # it finds the font of their buttons.
        self.assertEqual(desktop.reg_query(r"HKCU\Software\Wine\X11 Driver")["Managed"],
                         ("REG_SZ", "N"))
        self.assertEqual(desktop.probe().data["caption_font"], "Marlett")
        self.draw_through_vnc(desktop, vnc_port)

        self.run_sh.send_signal(signal.SIGINT)
        self.run_sh.wait(timeout=30)
        self.assertIn("everything this script started has ended", self.output())
        self.assertFalse(port_open(web_port), "the web page is still served")
        self.assertFalse(port_open(vnc_port), "the VNC server still answers")
        number = display.lstrip(":")
        harness.poll_until(lambda: not Path(f"/tmp/.X{number}-lock").exists(), 10,
                           "Xvfb to end")


if __name__ == "__main__":
    unittest.main()
