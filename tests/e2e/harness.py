"""End-to-end harness: the real program under Wine on a private Xvfb display.

Python 3 standard library only.  Everything the harness starts it also ends, by PID (Xvfb) or
through `wineserver -k` of its own WINEPREFIX (Wine processes); other displays and prefixes on
the machine are never touched.

Typical use in a test module:

    import harness

    def setUpModule():
        global desktop
        desktop = harness.shared_desktop()

    class MainWindowTest(unittest.TestCase):
        def tearDown(self):
            desktop.stop_program()

        def test_opens(self):
            desktop.start_program()
            main = desktop.wait_for_window(title="Quillmark Orvane")

Wine programs inherit stdout/stderr and keep them open through their background helpers, so
every Wine command here writes to files, never to pipes.
"""

from __future__ import annotations

import atexit
import functools
import json
import os
import shutil
import signal
import subprocess
import time
from pathlib import Path
from typing import Any, Callable, Iterable, NamedTuple, Optional

REPO_ROOT = Path(__file__).resolve().parents[2]
PROGRAM_NAME = "Quillmark Orvane.exe"
PROBE_NAME = "qo_probe.exe"
SCREEN_SIZE = (1280, 1024)
FIRST_DISPLAY = 71
# Wine's own fonts, from Debian's fonts-wine.
WINE_FONTS = Path("/usr/share/wine/fonts")
DEFAULT_TIMEOUT = 20.0
POLL_INTERVAL = 0.05

WM_CLOSE = 0x0010


class HarnessError(RuntimeError):
    """A step of the harness itself failed (not the program under test)."""


@functools.cache
def host_wine() -> dict[str, str]:
    """What scripts/wine-env.sh sets for this host: QO_BITS, QO_BITS_WHY, QO_BUILD_DIR,
    WINEARCH, and a PATH whose `wine` runs that build."""
    out = subprocess.run(["bash", "-c", 'source scripts/wine-env.sh && env -0'], cwd=REPO_ROOT,
                         stdin=subprocess.DEVNULL, capture_output=True, check=True).stdout
    env = dict(item.split("=", 1) for item in out.decode().split("\0") if "=" in item)
    return {key: env[key] for key in ("QO_BITS", "QO_BITS_WHY", "QO_BUILD_DIR", "WINEARCH", "PATH")}


def default_build_dir() -> Path:
    """The Windows build tree: $QO_BUILD_DIR (set by run.py) or the one this host runs."""
    return Path(os.environ.get("QO_BUILD_DIR", host_wine()["QO_BUILD_DIR"])).resolve()


def artifacts_dir() -> Path:
    """artifacts/e2e/ under the repository, created on first use."""
    path = REPO_ROOT / "artifacts" / "e2e"
    path.mkdir(parents=True, exist_ok=True)
    return path


def to_wine_path(path: Path | str) -> str:
    """The Windows name of a Unix path: Wine maps / to drive Z:."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def parse_number(text: str) -> int:
    return int(text, 16) if text.lower().startswith("0x") else int(text)


# ------------------------------------------------------------------------------------------
# Subprocesses


def run_quiet(args: list[str], env: dict[str, str], timeout: float, log: Path) -> int:
    """Runs a command with its output appended to `log`; returns the exit code.

    On timeout the child is killed and waited for, and HarnessError is raised."""
    with open(log, "ab") as out:
        out.write(("$ " + " ".join(args) + "\n").encode())
        out.flush()
        proc = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise HarnessError(f"timed out after {timeout} s: {' '.join(args)}")


def stop_popen(proc: Optional[subprocess.Popen], grace: float = 5.0) -> Optional[int]:
    """Terminates one child process of ours (by its PID) and waits for it."""
    if proc is None:
        return None
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    return proc.returncode


def poll_until(condition: Callable[[], Any], timeout: float = DEFAULT_TIMEOUT,
               what: str = "condition", interval: float = POLL_INTERVAL) -> Any:
    """Calls `condition` until it returns something truthy, and returns that.

    Raises TimeoutError naming `what` when `timeout` seconds pass first."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


# ------------------------------------------------------------------------------------------
# Images


class Image(NamedTuple):
    """Pixels top-down, 3 bytes (R, G, B) per pixel, no row padding."""

    width: int
    height: int
    rgb: bytes

    def pixel(self, x: int, y: int) -> tuple[int, int, int]:
        offset = (y * self.width + x) * 3
        return self.rgb[offset], self.rgb[offset + 1], self.rgb[offset + 2]

    def crop(self, left: int, top: int, right: int, bottom: int) -> "Image":
        """The part [left, right) x [top, bottom)."""
        rows = [self.rgb[(y * self.width + left) * 3:(y * self.width + right) * 3]
                for y in range(top, bottom)]
        return Image(right - left, bottom - top, b"".join(rows))

    def colours(self) -> set[tuple[int, int, int]]:
        return {tuple(self.rgb[i:i + 3]) for i in range(0, len(self.rgb), 3)}


class ImageDiff(NamedTuple):
    count: int  # pixels that differ by more than the tolerance in any channel
    bbox: Optional[tuple[int, int, int, int]]  # left, top, right, bottom (exclusive); None if equal


def parse_ppm(data: bytes) -> Image:
    """Parses a binary PPM (P6), 8 or 16 bits per channel."""
    fields: list[bytes] = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6":
        raise ValueError(f"not a binary PPM: {fields[0]!r}")
    width, height, maxval = (int(f) for f in fields[1:])
    pixels = data[pos + 1:]
    if maxval > 255:
        pixels = bytes(pixels[0:width * height * 6:2])  # keep the high byte of each channel
    if len(pixels) < width * height * 3:
        raise ValueError("PPM data is short")
    return Image(width, height, bytes(pixels[:width * height * 3]))


class BmpHeader(NamedTuple):
    width: int
    height: int  # negative for a top-down bitmap, as stored
    bit_count: int
    compression: int
    header_size: int  # size of the info header: 40, 108 or 124
    data_offset: int
    file_size: int  # bfSize as stored


def read_bmp_header(path: Path | str) -> BmpHeader:
    data = Path(path).read_bytes()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP file")
    file_size, data_offset, header_size = (int.from_bytes(data[i:i + 4], "little")
                                           for i in (2, 10, 14))
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bit_count = int.from_bytes(data[28:30], "little")
    compression = int.from_bytes(data[30:34], "little")
    return BmpHeader(width, height, bit_count, compression, header_size, data_offset, file_size)


def _bmp_channel_shifts(data: bytes, header: BmpHeader) -> tuple[int, int, int]:
    """Bit positions of red, green and blue in a 32-bit pixel."""
    if header.compression == 0:
        return 16, 8, 0
    if header.compression != 3 or header.bit_count != 32:
        raise ValueError(f"unsupported BMP compression {header.compression}")
    masks_at = 54 if header.header_size == 40 else 14 + 40
    masks = [int.from_bytes(data[masks_at + 4 * i:masks_at + 4 * i + 4], "little")
             for i in range(3)]
    shifts = []
    for mask in masks:
        if mask == 0 or mask >> ((mask & -mask).bit_length() - 1) != 0xFF:
            raise ValueError(f"unsupported BMP channel mask {mask:#x}")
        shifts.append((mask & -mask).bit_length() - 1)
    return shifts[0], shifts[1], shifts[2]


def read_bmp(path: Path | str) -> Image:
    """Reads an uncompressed 24- or 32-bit BMP (bottom-up or top-down) into an Image."""
    data = Path(path).read_bytes()
    header = read_bmp_header(path)
    if header.bit_count not in (24, 32):
        raise ValueError(f"{path}: {header.bit_count} bits per pixel is not supported")
    width, height = header.width, abs(header.height)
    stride = (width * header.bit_count + 31) // 32 * 4
    step = header.bit_count // 8
    r_shift, g_shift, b_shift = _bmp_channel_shifts(data, header)
    if header.data_offset + stride * height > len(data):
        raise ValueError(f"{path}: pixel data is short")
    rows = []
    for y in range(height):
        stored_row = y if header.height < 0 else height - 1 - y
        start = header.data_offset + stored_row * stride
        row = data[start:start + width * step]
        if step == 3 and (r_shift, g_shift, b_shift) == (16, 8, 0):
            out = bytearray(width * 3)
            out[0::3], out[1::3], out[2::3] = row[2::3], row[1::3], row[0::3]
        else:
            out = bytearray(width * 3)
            out[0::3], out[1::3], out[2::3] = (row[s // 8::step] for s in (r_shift, g_shift, b_shift))
        rows.append(bytes(out))
    return Image(width, height, b"".join(rows))


def compare_images(a: Image, b: Image, tolerance: int = 0) -> ImageDiff:
    """Counts the pixels that differ by more than `tolerance` in some channel."""
    if (a.width, a.height) != (b.width, b.height):
        raise ValueError(f"sizes differ: {a.width}x{a.height} and {b.width}x{b.height}")
    count, left, top, right, bottom = 0, a.width, a.height, -1, -1
    row_bytes = a.width * 3
    for y in range(a.height):
        row_a = a.rgb[y * row_bytes:(y + 1) * row_bytes]
        row_b = b.rgb[y * row_bytes:(y + 1) * row_bytes]
        if row_a == row_b:
            continue
        for x in range(a.width):
            i = x * 3
            if (abs(row_a[i] - row_b[i]) > tolerance or abs(row_a[i + 1] - row_b[i + 1]) > tolerance
                    or abs(row_a[i + 2] - row_b[i + 2]) > tolerance):
                count += 1
                left, right = min(left, x), max(right, x)
                top, bottom = min(top, y), max(bottom, y)
    if count == 0:
        return ImageDiff(0, None)
    return ImageDiff(count, (left, top, right + 1, bottom + 1))


def save_image(image: Image, name: str, scale: int = 1) -> Path:
    """Keeps an image in artifacts/e2e/ as PNG for a person to look at (enlarged `scale`
    times)."""
    path = artifacts_dir() / name
    path.parent.mkdir(parents=True, exist_ok=True)
    ppm = f"P6\n{image.width} {image.height}\n255\n".encode() + image.rgb
    subprocess.run(["convert", "ppm:-", "-scale", f"{scale * 100}%", str(path)], input=ppm,
                   check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def write_ppm(image: Image, path: Path | str) -> None:
    """Writes an Image as a binary PPM (any image viewer or `convert` reads it)."""
    with open(path, "wb") as out:
        out.write(f"P6\n{image.width} {image.height}\n255\n".encode() + image.rgb)


# ------------------------------------------------------------------------------------------
# Probe output


class Snapshot:
    """One `qo_probe list` result.

    Windows are the probe's dicts (keys handle, parent, owner, class, text, id, style, exstyle,
    rect, client, visible, iconic, zoomed, enabled, process_id, thread_id, check for buttons,
    children); the harness adds `image` (the owning process's image path) and `depth`
    (0 for top-level windows).  Rectangles are [left, top, right, bottom] in screen pixels.
    Children are listed in creation order (z order from the top, as the probe walks them)."""

    def __init__(self, data: dict):
        self.data = data
        self.screen = (data["screen"]["width"], data["screen"]["height"])
        self.dpi: int = data["dpi"]
        self.cursor: Optional[dict] = data.get("cursor")
        self.foreground: int = data["foreground"]
        self.images = {p["process_id"]: p["image"] for p in data.get("processes", [])}
        self.threads = {t["thread_id"]: t for t in data.get("threads", [])}
        self.top_level: list[dict] = data["windows"]
        self.by_handle: dict[int, dict] = {}
        for window in self.top_level:
            self._index(window, 0)

    def _index(self, window: dict, depth: int) -> None:
        window["depth"] = depth
        window["image"] = self.images.get(window["process_id"], "")
        self.by_handle[window["handle"]] = window
        for child in window["children"]:
            self._index(child, depth + 1)

    def windows(self) -> Iterable[dict]:
        """Every window, top-level windows and their descendants, depth first."""
        return self.by_handle.values()

    def find(self, *, title: Optional[str] = None, cls: Optional[str] = None,
             image: Optional[str] = None, process_id: Optional[int] = None,
             visible: Optional[bool] = None, top_level: Optional[bool] = None,
             within: Optional[int] = None) -> list[dict]:
        """Windows matching every given criterion.

        title: exact text; cls: class name, ignoring case; image: process image file name
        (e.g. "Quillmark Orvane.exe") or full path, ignoring case; within: a handle whose
        descendants are searched."""
        pool = self.descendants(within) if within is not None else list(self.windows())
        return [w for w in pool if
                (title is None or w["text"] == title)
                and (cls is None or w["class"].lower() == cls.lower())
                and (image is None or _image_matches(w["image"], image))
                and (process_id is None or w["process_id"] == process_id)
                and (visible is None or w["visible"] == visible)
                and (top_level is None or (w["depth"] == 0) == top_level)]

    def find_one(self, **criteria) -> dict:
        found = self.find(**criteria)
        if len(found) != 1:
            raise LookupError(f"expected one window matching {criteria}, found {len(found)}")
        return found[0]

    def descendants(self, handle: int) -> list[dict]:
        out: list[dict] = []
        stack = list(reversed(self.by_handle[handle]["children"]))
        while stack:
            window = stack.pop()
            out.append(window)
            stack.extend(reversed(window["children"]))
        return out

    def window(self, handle: int) -> Optional[dict]:
        return self.by_handle.get(handle)

    def thread_of(self, window: dict) -> dict:
        return self.threads.get(window["thread_id"], {})

    def focus_of(self, window: dict) -> Optional[dict]:
        """The window holding the keyboard focus in the thread that owns `window`."""
        return self.by_handle.get(self.thread_of(window).get("focus", 0))

    def active_of(self, window: dict) -> Optional[dict]:
        return self.by_handle.get(self.thread_of(window).get("active", 0))


def _image_matches(actual: str, wanted: str) -> bool:
    actual, wanted = actual.lower(), wanted.lower()
    return actual == wanted or actual.replace("/", "\\").rsplit("\\", 1)[-1] == wanted


def client_relative(window: dict, container: dict) -> tuple[int, int, int, int]:
    """(left, top, width, height) of `window`'s outer rectangle in `container`'s client area."""
    left, top, right, bottom = window["rect"]
    return left - container["client"][0], top - container["client"][1], right - left, bottom - top


def size_of(rect: list[int]) -> tuple[int, int]:
    return rect[2] - rect[0], rect[3] - rect[1]


def centre_of(rect: list[int]) -> tuple[int, int]:
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


# ------------------------------------------------------------------------------------------
# The desktop


class WineDesktop:
    """A private Xvfb display with a private 32-bit Wine prefix, and the program on it."""

    _instances = 0  # numbers the run folders of desktops made by one process

    def __init__(self, build_dir: Optional[Path | str] = None, wine_debug: Optional[str] = None,
                 screen: tuple[int, int] = SCREEN_SIZE):
        self.build_dir = Path(build_dir).resolve() if build_dir else default_build_dir()
        self.bin_dir = self.build_dir / "bin"
        self.program_exe = self.bin_dir / PROGRAM_NAME
        self.probe_exe = Path(os.environ.get("QO_PROBE_EXE", self.bin_dir / PROBE_NAME)).resolve()
        self.wine_debug = wine_debug if wine_debug is not None else os.environ.get(
            "QO_WINEDEBUG", "-all")
        self.screen = screen
        base = REPO_ROOT / "build" / "e2e"
        WineDesktop._instances += 1
        suffix = f"{os.getpid()}-{WineDesktop._instances}"
        self.prefix = base / f"prefix-{suffix}"
        self.work = base / f"work-{suffix}"
        self.logs = artifacts_dir() / "logs"
        self.display: Optional[str] = None
        self.xvfb: Optional[subprocess.Popen] = None
        self.program: Optional[subprocess.Popen] = None
        self.program_path: Optional[Path] = None
        self._server_up = False
        self._counter = 0
        self.timings: dict[str, float] = {}
        self._owned = True

    @classmethod
    def attach(cls, display: str, prefix: Path, work: Path) -> "WineDesktop":
        """A display and prefix that someone else runs (scripts/run.sh), for the probe and
        screenshots; closing it ends nothing and removes nothing."""
        desktop = cls()
        desktop.display, desktop.prefix, desktop.work = display, prefix, work
        desktop.logs.mkdir(parents=True, exist_ok=True)
        desktop._owned = False
        return desktop

    # --- set-up and tear-down ---------------------------------------------------------------

    def start(self) -> "WineDesktop":
        """Starts Xvfb, builds the prefix and leaves a persistent wineserver running."""
        self.logs.mkdir(parents=True, exist_ok=True)
        remove_stale_run_dirs(self.prefix.parent)
        self.work.mkdir(parents=True, exist_ok=True)
        atexit.register(self.close)
        try:
            self._start_xvfb()
            self._create_prefix()
        except BaseException:
            self.close()
            raise
        return self

    def close(self) -> None:
        """Ends the program, the prefix's wineserver and Xvfb; removes the prefix.
        Safe to call more than once."""
        if not self._owned:
            return
        if self._server_up or self.program_running():
            self._stop_server()
        stop_popen(self.program)
        self.program = None
        stop_popen(self.xvfb)
        self.xvfb = None
        shutil.rmtree(self.prefix, ignore_errors=True)
        shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self) -> "WineDesktop":
        return self.start()

    def __exit__(self, *exc) -> None:
        self.close()

    def _start_xvfb(self) -> None:
        for number in range(FIRST_DISPLAY, FIRST_DISPLAY + 60):
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            if self._try_display(number):
                return
        raise HarnessError("found no free X display")

    def _try_display(self, number: int) -> bool:
        display = f":{number}"
        log = open(self.logs / "xvfb.log", "ab")
        width, height = self.screen
        self.xvfb = subprocess.Popen(
            ["Xvfb", display, "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp",
             "-noreset"], stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        log.close()
        self.display = display
        try:
            poll_until(lambda: self.xvfb.poll() is not None or self._xdpyinfo_answers(),
                       timeout=15, what=f"Xvfb on {display}")
        except TimeoutError:
            stop_popen(self.xvfb)
            raise
        if self.xvfb.poll() is not None:  # lost a race for the display number
            self.xvfb.wait()
            self.xvfb, self.display = None, None
            return False
        # Lets a later run end this server should this process die without closing it.
        (self.work / "xvfb.pid").write_text(f"{self.xvfb.pid} {display}\n")
        return True

    def _xdpyinfo_answers(self) -> bool:
        env = dict(os.environ, DISPLAY=self.display)
        try:
            return subprocess.run(["xdpyinfo"], env=env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  timeout=5).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def wine_env(self) -> dict[str, str]:
        env = dict(os.environ)
        env.pop("WAYLAND_DISPLAY", None)
        env.update(PATH=host_wine()["PATH"], WINEARCH=host_wine()["WINEARCH"])
        env.update(WINEPREFIX=str(self.prefix), DISPLAY=self.display or "",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                   WINEDEBUG=self.wine_debug)
        return env

    def _create_prefix(self) -> None:
        started = time.monotonic()
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.prefix.mkdir(parents=True)
        log = self.logs / "wine.log"
        self._start_server()  # first, so that wineboot does not start a short-lived one
        if run_quiet(["wineboot", "-i"], self.wine_env(), 180, log) != 0:
            raise HarnessError(f"wineboot -i failed; see {log}")
        # Without a window manager Wine waits about 2 s for one on every hide or close.
        self.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")
        install_caption_font(self.prefix)
        # A crash of the program must not leave a debugger dialog on the screen.
        self.reg_add(r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "0", "REG_DWORD")
        self.timings["prefix_creation"] = time.monotonic() - started

    def _start_server(self) -> None:
        """Starts a persistent wineserver for the prefix; it keeps Wine's start-up short."""
        code = run_quiet(["wineserver", "-p"], self.wine_env(), 30, self.logs / "wine.log")
        if code not in (0, 2):  # 2: a server for this prefix is already running
            raise HarnessError(f"wineserver -p failed with code {code}")
        self._server_up = True

    def _stop_server(self) -> None:
        """`wineserver -k` for this prefix only, then waits until that server has gone."""
        env = self.wine_env()
        run_quiet(["wineserver", "-k"], env, 30, self.logs / "wine.log")
        run_quiet(["wineserver", "-w"], env, 30, self.logs / "wine.log")
        self._server_up = False

    def kill_wine(self) -> None:
        """Ends every Wine process of this prefix, then starts a fresh persistent server."""
        self._stop_server()
        stop_popen(self.program)
        self._start_server()

    # --- the program --------------------------------------------------------------------------

    def prepare_program_dir(self, files: Optional[dict[str, bytes | Path]] = None) -> Path:
        """Copies the program into a fresh folder of its own with `files` beside it
        (relative name -> bytes or a file to copy), for tests of files next to the program.
        Returns the path of the copied program."""
        self._counter += 1
        folder = self.work / f"program-{self._counter}"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy2(self.program_exe, folder / PROGRAM_NAME)
        for name, content in (files or {}).items():
            target = folder / name
            target.parent.mkdir(parents=True, exist_ok=True)
            if isinstance(content, Path):
                shutil.copy2(content, target)
            else:
                target.write_bytes(content)
        return folder / PROGRAM_NAME

    def start_program(self, exe: Optional[Path | str] = None) -> subprocess.Popen:
        """Starts the program (or another copy of it) with its output going to files."""
        if self.program is not None and self.program.poll() is None:
            raise HarnessError("the program is already running")
        self.program_path = Path(exe).resolve() if exe else self.program_exe
        if not self.program_path.exists():
            raise HarnessError(f"program not built: {self.program_path}")
        if not self._server_up:
            self._start_server()
        out = open(self.logs / "program.stdout", "wb")
        err = open(self.logs / "program.stderr", "wb")
        self.program = subprocess.Popen(["wine", str(self.program_path)], env=self.wine_env(),
                                        cwd=self.program_path.parent, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=err)
        out.close()
        err.close()
        return self.program

    def program_running(self) -> bool:
        return self.program is not None and self.program.poll() is None

    def program_windows(self, snapshot: Optional[Snapshot] = None, **criteria) -> list[dict]:
        """Top-level windows of the program's process (by its image path)."""
        snapshot = snapshot or self.probe()
        return snapshot.find(image=to_wine_path(self.program_path or self.program_exe),
                             top_level=True, **criteria)

    def wait_program_window(self, timeout: float = DEFAULT_TIMEOUT, **criteria) -> dict:
        """Waits for exactly one visible top-level window of the program matching `criteria`."""
        def one_window():
            if not self.program_running():
                raise HarnessError(f"the program exited with code {self.program.returncode}")
            found = self.program_windows(visible=True, **criteria)
            return found[0] if len(found) == 1 else None
        return poll_until(one_window, timeout, f"a program window {criteria}")

    def stop_program(self, timeout: float = 5.0) -> Optional[int]:
        """Closes the program politely (WM_CLOSE to its visible top-level windows), and if it
        has not ended within `timeout` seconds ends every Wine process of the prefix.
        Returns the program's exit code (None if it never ran)."""
        if self.program is None:
            return None
        if self.program.poll() is None:
            try:
                for window in self.program_windows(visible=True):
                    self.post(window["handle"], WM_CLOSE)
                self.program.wait(timeout=timeout)
            except (subprocess.TimeoutExpired, HarnessError):
                self.kill_wine()
        code = self.program.wait()
        self.program = None
        return code

    # --- the probe ----------------------------------------------------------------------------

    def run_probe(self, *args: str, timeout: float = 30) -> int:
        if not self.probe_exe.exists():
            raise HarnessError(f"probe not built: {self.probe_exe}")
        if not self._server_up:
            self._start_server()
        return run_quiet(["wine", str(self.probe_exe), *args], self.wine_env(), timeout,
                         self.logs / "probe.log")

    def probe(self) -> Snapshot:
        """Lists every window of the display (see Snapshot)."""
        self._counter += 1
        out = self.work / f"probe-{self._counter}.json"
        code = self.run_probe("list", to_wine_path(out))
        if code != 0 or not out.exists():
            raise HarnessError(f"probe list failed with code {code}")
        data = json.loads(out.read_text(encoding="utf-8"))
        out.unlink()
        return Snapshot(data)

    def post(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0) -> None:
        """PostMessageW from the probe."""
        code = self.run_probe("post", str(hwnd), str(msg), str(wparam & 0xFFFFFFFF),
                              str(lparam & 0xFFFFFFFF))
        if code != 0:
            raise HarnessError(f"probe post failed with code {code}")

    def set_text(self, hwnd: int, text: str) -> None:
        """WM_SETTEXT from the probe (fills a field of a dialog as an accessibility tool does)."""
        code = self.run_probe("settext", str(hwnd), text)
        if code != 0:
            raise HarnessError(f"probe settext failed with code {code}")

    def handle_counts(self, process_id: int) -> dict[str, int]:
        """The live handle counts that the program with this Windows process id keeps of its
        own (per kind, and "gdi" and "user" in all), read by the probe from the section the
        program publishes them in."""
        return self._probe_json("counts", str(process_id))

    def accessible(self, hwnd: int) -> dict:
        """What a screen reader reads of the window's client area: {"name", "role"}."""
        return self._probe_json("accessible", str(hwnd))

    def _probe_json(self, verb: str, *args: str) -> Any:
        """Runs a probe verb whose last argument is the file it writes its JSON to."""
        self._counter += 1
        out = self.work / f"{verb}-{self._counter}.json"
        code = self.run_probe(verb, *args, to_wine_path(out))
        if code != 0 or not out.exists():
            raise HarnessError(f"probe {verb} failed with code {code}")
        found = json.loads(out.read_text(encoding="utf-8"))
        out.unlink()
        return found

    def wait_for(self, condition: Callable[[Snapshot], Any], timeout: float = DEFAULT_TIMEOUT,
                 what: str = "condition") -> Any:
        """Probes until `condition(snapshot)` is truthy; returns its value."""
        return poll_until(lambda: condition(self.probe()), timeout, what)

    def wait_for_window(self, timeout: float = DEFAULT_TIMEOUT, **criteria) -> dict:
        """Waits until exactly one window matches `criteria` (see Snapshot.find)."""
        def one(snapshot: Snapshot):
            found = snapshot.find(**criteria)
            return found[0] if len(found) == 1 else None
        return self.wait_for(one, timeout, f"one window {criteria}")

    # --- input (xdotool) ----------------------------------------------------------------------

    def xdotool(self, *args: str, timeout: float = 10) -> None:
        env = dict(os.environ, DISPLAY=self.display or "")
        run = subprocess.run(["timeout", str(timeout), "xdotool", *args], env=env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, timeout=timeout + 5)
        if run.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(args)} failed ({run.returncode}): "
                               f"{run.stderr.decode(errors='replace').strip()}")

    def mousemove(self, x: int, y: int) -> None:
        """Moves the pointer to absolute screen coordinates.

        (No --sync: xdotool then waits forever when the pointer is already there.  The X
        server handles the move before any input sent after it.)"""
        self.xdotool("mousemove", str(x), str(y))

    def click(self, button: int = 1, repeat: int = 1, delay_ms: Optional[int] = None,
              at: Optional[tuple[int, int]] = None) -> None:
        """Clicks (moving first when `at` is given); repeat 2 with delay 80 is a double click."""
        if at:
            self.mousemove(*at)
        args = ["click"]
        if repeat != 1:
            args += ["--repeat", str(repeat)]
        if delay_ms is not None:
            args += ["--delay", str(delay_ms)]
        self.xdotool(*args, str(button))

    def mousedown(self, button: int = 1) -> None:
        self.xdotool("mousedown", str(button))

    def mouseup(self, button: int = 1) -> None:
        self.xdotool("mouseup", str(button))

    def _point_at(self, target: dict | tuple[int, int]) -> None:
        """There is no window manager: keys go to the X window under the pointer."""
        self.mousemove(*(centre_of(target["rect"]) if isinstance(target, dict) else target))

    def key(self, *keys: str, target: dict | tuple[int, int], delay_ms: int = 50) -> None:
        """Presses keys (xdotool names: Tab, Return, shift+Tab...) with the pointer over
        `target`, a window dict or a screen point."""
        self._point_at(target)
        self.xdotool("key", "--delay", str(delay_ms), *keys)

    def type(self, text: str, target: dict | tuple[int, int], delay_ms: int = 30) -> None:
        """Types text with the pointer over `target`."""
        self._point_at(target)
        self.xdotool("type", "--delay", str(delay_ms), "--", text, timeout=10 + len(text) * 0.2)

    # --- screen -------------------------------------------------------------------------------

    def _import(self, args: list[str], timeout: float = 30) -> bytes:
        env = dict(os.environ, DISPLAY=self.display or "")
        run = subprocess.run(["import", "-window", "root", *args], env=env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=timeout)
        if run.returncode != 0:
            raise HarnessError(f"import failed: {run.stderr.decode(errors='replace').strip()}")
        return run.stdout

    def screenshot(self, path: Path | str) -> Path:
        """Saves the whole screen as PNG; a bare file name goes into artifacts/e2e/."""
        path = Path(path)
        if not path.is_absolute() and path.parent == Path("."):
            path = artifacts_dir() / path
        path.parent.mkdir(parents=True, exist_ok=True)
        self._import([str(path)])
        return path

    def screen_pixels(self) -> Image:
        """The whole screen as (width, height, RGB bytes).  The pointer is not in it."""
        return parse_ppm(self._import(["-depth", "8", "ppm:-"]))

    def settled_screen(self, timeout: float = 10.0) -> Image:
        """The screen once two grabs in a row agree (Wine copies window contents to the X
        server a little after they are painted)."""
        last = self.screen_pixels()

        def same_twice():
            nonlocal last
            current = self.screen_pixels()
            settled, last = current == last, current
            return current if settled else None
        return poll_until(same_twice, timeout, "the screen to settle", interval=0.2)

    def pointer_image(self) -> tuple[int, int, int, int]:
        """The pointer as the X server shows it: (width, height, hot spot x, hot spot y), read
        with XFixes (screenshots never hold the pointer)."""
        import ctypes

        class CursorImage(ctypes.Structure):
            _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                        ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                        ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                        ("cursor_serial", ctypes.c_ulong),
                        ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                        ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]

        x11 = ctypes.CDLL("libX11.so.6")
        xfixes = ctypes.CDLL("libXfixes.so.3")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XFree.argtypes = [ctypes.c_void_p]
        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
        xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        display = x11.XOpenDisplay((self.display or "").encode())
        if not display:
            raise HarnessError(f"cannot open display {self.display}")
        try:
            image = xfixes.XFixesGetCursorImage(display)
            if not image:
                raise HarnessError("XFixesGetCursorImage failed")
            c = image.contents
            result = (c.width, c.height, c.xhot, c.yhot)
            x11.XFree(image)
            return result
        finally:
            x11.XCloseDisplay(display)

    # --- registry -----------------------------------------------------------------------------

    def _reg(self, *args: str) -> tuple[int, str]:
        self._counter += 1
        out = self.work / f"reg-{self._counter}.txt"
        env = self.wine_env()
        if not self._server_up:
            self._start_server()
        with open(out, "wb") as sink:
            proc = subprocess.Popen(["wine", "reg", *args], env=env, stdin=subprocess.DEVNULL,
                                    stdout=sink, stderr=sink)
            try:
                code = proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                raise HarnessError(f"wine reg {' '.join(args)} timed out")
        text = out.read_bytes().decode("utf-8", errors="replace")
        out.unlink()
        return code, text

    def reg_query(self, key: str) -> Optional[dict[str, tuple[str, Any]]]:
        """Values of one key (not its subkeys) as {name: (type, data)}; None if the key does
        not exist.  The unnamed value is "(Default)".  Data: str for REG_SZ and REG_EXPAND_SZ,
        int for REG_DWORD and REG_QWORD, list of str for REG_MULTI_SZ, bytes otherwise.

        Read through `reg export`, whose UTF-16 file keeps every character (the text output
        of `reg query` is in the OEM code page)."""
        self._counter += 1
        out = self.work / f"export-{self._counter}.reg"
        code, _ = self._reg("export", key, to_wine_path(out), "/y")
        if code != 0 or not out.exists():
            return None
        text = out.read_bytes().decode("utf-16")
        out.unlink()
        return parse_reg_export(text)

    def reg_add(self, key: str, name: Optional[str], data: str, kind: str = "REG_SZ") -> None:
        """Sets one value (name None: the unnamed value)."""
        target = ["/v", name] if name is not None else ["/ve"]
        code, text = self._reg("add", key, *target, "/t", kind, "/d", data, "/f")
        if code != 0:
            raise HarnessError(f"reg add {key} failed: {text.strip()}")

    def reg_delete(self, key: str, name: Optional[str] = None) -> bool:
        """Deletes one value, or the whole key when `name` is None.  False if it was absent."""
        target = ["/v", name] if name is not None else []
        code, _ = self._reg("delete", key, *target, "/f")
        return code == 0


# ------------------------------------------------------------------------------------------
# Registry export files

_REG_HEX_TYPES = {"hex": "REG_BINARY", "hex(0)": "REG_NONE", "hex(2)": "REG_EXPAND_SZ",
                  "hex(7)": "REG_MULTI_SZ", "hex(b)": "REG_QWORD"}


def _reg_quoted(text: str, pos: int) -> tuple[str, int]:
    """Reads a quoted .reg string starting at text[pos] == '"'; returns it and the end."""
    out, pos = [], pos + 1
    while text[pos] != '"':
        if text[pos] == "\\":
            pos += 1
        out.append(text[pos])
        pos += 1
    return "".join(out), pos + 1


def _reg_value(kind_and_data: str) -> tuple[str, Any]:
    if kind_and_data.startswith('"'):
        return "REG_SZ", _reg_quoted(kind_and_data, 0)[0]
    if kind_and_data.startswith("dword:"):
        return "REG_DWORD", int(kind_and_data[6:], 16)
    kind, _, data = kind_and_data.partition(":")
    raw = bytes(int(part, 16) for part in data.replace(" ", "").split(",") if part)
    name = _REG_HEX_TYPES.get(kind, kind)
    if name == "REG_EXPAND_SZ":
        return name, raw.decode("utf-16-le").rstrip("\0")
    if name == "REG_MULTI_SZ":
        return name, [part for part in raw.decode("utf-16-le").split("\0") if part]
    if name == "REG_QWORD":
        return name, int.from_bytes(raw, "little")
    return name, raw


def parse_reg_export(text: str) -> dict[str, tuple[str, Any]]:
    """The values of the first key in the text of a `reg export` file."""
    lines = text.replace("\\\r\n", "").replace("\\\n", "").splitlines()  # join continuations
    values: dict[str, tuple[str, Any]] = {}
    sections = 0
    for line in lines:
        line = line.strip()
        if line.startswith("["):
            sections += 1
            if sections > 1:
                break
        elif line.startswith("@="):
            values["(Default)"] = _reg_value(line[2:])
        elif line.startswith('"'):
            name, end = _reg_quoted(line, 0)
            values[name] = _reg_value(line[end + 1:])
    return values


def install_caption_font(prefix: Path) -> None:
    """Puts Marlett, the symbol font of the caption buttons Wine draws, into the prefix's
    Fonts folder.  Debian's Wine 8 looks for its own fonts at Z:\\usr\\share\\wine\\../fonts,
    a name it cannot open (WINEDEBUG=+file shows it), so the buttons show "0 1 r"; a font in
    the prefix's Fonts folder is found."""
    fonts = prefix / "drive_c" / "windows" / "Fonts"
    fonts.mkdir(parents=True, exist_ok=True)
    shutil.copy2(WINE_FONTS / "marlett.ttf", fonts / "marlett.ttf")


def remove_stale_run_dirs(base: Path) -> None:
    """Removes prefixes and work folders (kind-PID-N) left by harness processes that have
    gone, with the wineserver or Xvfb they left running."""
    if not base.is_dir():
        return
    for entry in base.iterdir():
        kind, _, pid = entry.name.partition("-")
        pid = pid.partition("-")[0]
        if kind not in ("prefix", "work") or not pid.isdigit() or _pid_alive(int(pid)):
            continue
        if kind == "prefix":
            env = dict(os.environ, WINEPREFIX=str(entry))
            subprocess.run(["wineserver", "-k"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        else:
            _stop_stale_xvfb(entry / "xvfb.pid")
        shutil.rmtree(entry, ignore_errors=True)


def _stop_stale_xvfb(pid_file: Path) -> None:
    """Ends the Xvfb that a dead run recorded, if that PID is still that Xvfb."""
    try:
        pid_text, display = pid_file.read_text().split()
        cmdline = Path(f"/proc/{pid_text}/cmdline").read_bytes().split(b"\0")
    except (OSError, ValueError):
        return
    if cmdline[:2] == [b"Xvfb", display.encode()]:
        os.kill(int(pid_text), signal.SIGTERM)


def _pid_alive(pid: int) -> bool:
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


# ------------------------------------------------------------------------------------------
# One desktop shared by all tests of a run

_shared: Optional[WineDesktop] = None


def shared_desktop() -> WineDesktop:
    """The run's desktop, started on first use and closed by close_shared or at exit."""
    global _shared
    if _shared is None:
        desktop = WineDesktop()
        desktop.start()
        _shared = desktop
    return _shared


def current_shared() -> Optional[WineDesktop]:
    """The run's desktop if one has been started, else None."""
    return _shared


def close_shared() -> None:
    global _shared
    if _shared is not None:
        desktop, _shared = _shared, None
        desktop.close()


def _close_on_signal(signum, _frame):
    close_shared()
    raise SystemExit(128 + signum)


signal.signal(signal.SIGTERM, _close_on_signal)
