"""scripts/run.sh on a machine without a display: the browser page is served, the VNC
server behind it answers, the program's main window is on the virtual screen, and
Ctrl+C ends everything the script started."""

from __future__ import annotations

import base64
import os
import re
import shutil
import signal
import socket
import subprocess
import unittest
import urllib.request
from pathlib import Path

import harness

ADDRESS = re.compile(r"(http://127\.0\.0\.1:(\d+)/vnc\.html\S*)")
VNC = re.compile(r"VNC clients can also connect to 127\.0\.0\.1:(\d+)")
DISPLAY = re.compile(r"virtual screen (:\d+)")
MAIN_TITLE = "^(Form1|Quillmark Orvane)$"


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

    def wine_reg_query(self, display: str, key: str) -> str:
        out = self.work / "reg.txt"
        env = dict(os.environ, DISPLAY=display, WINEPREFIX=str(self.work / "prefix"),
                   WINEARCH="win32", WINEDEBUG="-all")
        with open(out, "wb") as f:  # a file, not a pipe: Wine's helpers would hold a pipe open
            subprocess.run(["wine", "reg", "query", key], env=env, stdin=subprocess.DEVNULL,
                           stdout=f, stderr=subprocess.DEVNULL, timeout=60)
        return out.read_text(errors="replace")

    def output(self) -> str:
        return self.log.read_text(errors="replace")

    def wait_for_output(self, pattern: re.Pattern) -> re.Match:
        def found():
            if self.run_sh.poll() is not None:
                raise AssertionError(f"run.sh ended early:\n{self.output()}")
            return pattern.search(self.output())
        return harness.poll_until(found, 300, f"run.sh to print {pattern.pattern}", interval=0.2)

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
        # Wine frames the windows itself there, so they have captions and can be moved.
        self.assertRegex(self.wine_reg_query(display, r"HKCU\Software\Wine\X11 Driver"),
                         r"Managed\s+REG_SZ\s+N")

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
