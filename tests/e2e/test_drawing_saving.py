"""Drawing on the overlay, saving the picture and closing the overlay, as a user does it.

Each test starts the program, sets the thickness, presses "Start Drawing" and works on the
overlay with the mouse and keyboard (xdotool).  The line is drawn over the main window's white
help frame, which the screen copy holds while the main window stays visible behind the overlay.
"""

import math
import shutil
import subprocess
import tempfile
import unittest
from collections import deque
from pathlib import Path
from typing import Optional

import harness

desktop: harness.WineDesktop

OVERLAY_CLASS = "QuillmarkOrvaneOverlay"
DIALOG_CLASS = "#32770"
SAVE_TITLE = "Save As"
ERROR_TITLE = "Application Error"
SAVE_FAILURE_LOCATION = "in QuillmarkOrvane2021/08/31.Form2.Form_MouseDown at line 122"
HINT_TEXT = "Double left-click to QUIT\r\rRight-click to SAVE as image file"
MINIMISE_TEXT = "Minimize this window before drawing"

SCREEN_WIDTH, SCREEN_HEIGHT = harness.SCREEN_SIZE
PREVIEW_SIDE = 25
PREVIEW_BOX = (SCREEN_WIDTH - PREVIEW_SIDE, SCREEN_HEIGHT - PREVIEW_SIDE, SCREEN_WIDTH,
               SCREEN_HEIGHT)
LINE_WIDTH = 5
WM_SYSCOMMAND = 0x0112
WS_EX_TOPMOST = 0x00000008
SC_RESTORE = 0xF120
WHITE = (255, 255, 255)

Point = tuple[int, int]


def setUpModule():
    global desktop
    desktop = harness.shared_desktop()


# ------------------------------------------------------------------------------------------
# Geometry and pixels


def round_half_even(value: float) -> int:
    return int(round(value))  # Python rounds halves to the even neighbour


def points_along(path: list[Point], step: float = 1.0) -> list[tuple[float, float]]:
    """Points every `step` pixels along the polyline, its corners included."""
    out = [(float(path[0][0]), float(path[0][1]))]
    for (x0, y0), (x1, y1) in zip(path, path[1:]):
        count = max(1, math.ceil(math.dist((x0, y0), (x1, y1)) / step))
        out += [(x0 + (x1 - x0) * i / count, y0 + (y1 - y0) * i / count)
                for i in range(1, count + 1)]
    return out


def distance_to_segment(x: float, y: float, a: Point, b: Point) -> float:
    dx, dy = b[0] - a[0], b[1] - a[1]
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - a[0]) * dx + (y - a[1]) * dy) / length2))
    return math.hypot(x - a[0] - t * dx, y - a[1] - t * dy)


def band(path: list[Point], radius: float) -> set[Point]:
    """The pixels whose centres lie within `radius` of the polyline."""
    out = set()
    reach = math.ceil(radius)
    for a, b in zip(path, path[1:]):
        for y in range(min(a[1], b[1]) - reach, max(a[1], b[1]) + reach + 1):
            for x in range(min(a[0], b[0]) - reach, max(a[0], b[0]) + reach + 1):
                if distance_to_segment(x, y, a, b) <= radius:
                    out.add((x, y))
    return out


def differing_pixels(a: harness.Image, b: harness.Image, skip) -> list[Point]:
    """Pixels where the two images differ and `skip(x, y)` is false."""
    out = []
    row_bytes = a.width * 3
    for y in range(a.height):
        start = y * row_bytes
        if a.rgb[start:start + row_bytes] == b.rgb[start:start + row_bytes]:
            continue
        out += [(x, y) for x in range(a.width)
                if a.pixel(x, y) != b.pixel(x, y) and not skip(x, y)]
    return out


def in_rect(x: int, y: int, rect) -> bool:
    return rect[0] <= x < rect[2] and rect[1] <= y < rect[3]


def run_length(image: harness.Image, start: Point, step: Point, colour) -> int:
    """Number of pixels of `colour` through `start` along the direction `step` and back."""
    if image.pixel(*start) != colour:
        return 0
    length = 1
    for sign in (1, -1):
        x, y = start[0] + sign * step[0], start[1] + sign * step[1]
        while 0 <= x < image.width and 0 <= y < image.height and image.pixel(x, y) == colour:
            length += 1
            x, y = x + sign * step[0], y + sign * step[1]
    return length


def connected(image: harness.Image, start: Point, goal: Point, colour, allowed) -> bool:
    """Whether `goal` is reached from `start` through 4-connected pixels of `colour` for which
    `allowed(x, y)` holds."""
    seen = {start}
    queue = deque([start])
    while queue:
        x, y = queue.popleft()
        if (x, y) == goal:
            return True
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if ((nx, ny) not in seen and 0 <= nx < image.width and 0 <= ny < image.height
                    and allowed(nx, ny) and image.pixel(nx, ny) == colour):
                seen.add((nx, ny))
                queue.append((nx, ny))
    return False


def corner(image: harness.Image) -> harness.Image:
    """The part of the screen that the preview box covers."""
    return image.crop(*PREVIEW_BOX)


def preview_of(image: harness.Image, point: Point) -> harness.Image:
    """What the preview box shows for the pointer at `point`: the 25 x 25 square whose top-left
    corner is the point minus 12.5, rounded."""
    left = round_half_even(point[0] - 12.5)
    top = round_half_even(point[1] - 12.5)
    return image.crop(left, top, left + PREVIEW_SIDE, top + PREVIEW_SIDE)


def bmp_complete_size(path: Path) -> Optional[int]:
    """The size a BMP file has once its pixel data is complete; None while the header is not."""
    try:
        header = harness.read_bmp_header(path)
    except (OSError, ValueError, IndexError):
        return None
    stride = (header.width * header.bit_count + 31) // 32 * 4
    return header.data_offset + stride * abs(header.height)


def listing(folder: Path) -> list[str]:
    return sorted(p.name for p in folder.iterdir())


def static_text(snapshot: harness.Snapshot, dialog: dict) -> str:
    return "\n".join(w["text"] for w in snapshot.descendants(dialog["handle"])
                     if w["class"].lower() == "static" and w["text"])


# ------------------------------------------------------------------------------------------
# Tests


class DrawingSavingTest(unittest.TestCase):
    """One program per test; `self.folder` is a fresh folder under /tmp for the saved files."""

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="qo-e2e-draw-", dir="/tmp"))
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        desktop.start_program()
        self.addCleanup(desktop.stop_program)
        self.main = desktop.wait_program_window(cls="QuillmarkOrvaneMain")

    # --- the main window ----------------------------------------------------------------------

    def control(self, snapshot: harness.Snapshot, **criteria) -> dict:
        return snapshot.find_one(within=self.main["handle"], **criteria)

    def prepare_options(self, width: int, minimise: bool) -> None:
        """Types the thickness and sets the minimise box, as the user does."""
        snapshot = desktop.probe()
        box = self.control(snapshot, cls="Edit")
        desktop.click(at=harness.centre_of(box["rect"]))
        desktop.key("End", "shift+Home", target=box)
        desktop.type(str(width), target=box)
        desktop.wait_for(lambda s: s.window(box["handle"])["text"] == str(width), timeout=10,
                         what=f"the thickness box to read {width}")
        check = self.control(snapshot, title=MINIMISE_TEXT)
        if check["check"] != int(minimise):
            desktop.click(at=harness.centre_of(check["rect"]))
            desktop.wait_for(lambda s: s.window(check["handle"])["check"] == int(minimise),
                             timeout=10, what="the minimise box to change")

    def swatch_colour(self, screen: harness.Image) -> tuple[int, int, int]:
        """The line colour as the colour swatch shows it."""
        snapshot = desktop.probe()
        frame = self.control(snapshot, title="Line Option")
        swatch = [w for w in frame["children"]
                  if w["class"].lower() not in ("edit", "static")]
        self.assertEqual(len(swatch), 1, "the colour swatch")
        return screen.pixel(*harness.centre_of(swatch[0]["client"]))

    def press_start_drawing(self) -> None:
        snapshot = desktop.probe()
        self.main = snapshot.window(self.main["handle"])
        button = self.control(snapshot, title="Start Drawing")
        desktop.click(at=harness.centre_of(button["rect"]))

    def dismiss_hint(self) -> None:
        hint = desktop.wait_program_window(cls=DIALOG_CLASS)
        self.assertIn(HINT_TEXT, static_text(desktop.probe(), hint))
        desktop.key("Return", target=hint)

    def wait_overlay(self) -> dict:
        """The one visible overlay, covering the whole screen."""
        def shown(snapshot):
            found = [w for w in desktop.program_windows(snapshot, cls=OVERLAY_CLASS, visible=True)
                     if w["enabled"]]
            return found[0] if len(found) == 1 else None
        overlay = desktop.wait_for(shown, what="the overlay to be shown")
        self.assertEqual(overlay["rect"], [0, 0, SCREEN_WIDTH, SCREEN_HEIGHT])
        return overlay

    def open_overlay(self, width: int = LINE_WIDTH, minimise: bool = False) -> dict:
        """Sets the options, presses "Start Drawing" and waits for the overlay; returns it.
        Keeps the screen just before the press (`before`), the line colour and the overlay as
        first shown (`copy`: the copied screen, but for the preview box)."""
        self.prepare_options(width, minimise)
        self.before = desktop.screen_pixels()
        self.line_colour = self.swatch_colour(self.before)
        self.press_start_drawing()
        if minimise:
            self.dismiss_hint()
        self.overlay = self.wait_overlay()
        self.copy = self.stable_screen()
        return self.overlay

    def help_frame_path(self) -> list[Point]:
        """A polyline in the white part of the help frame, right of its two labels: a
        horizontal run, a vertical run and a slanted run back up."""
        snapshot = desktop.probe()
        frame = self.control(snapshot, title="Help")
        labels_right = max(w["rect"][2] for w in frame["children"])
        left, top, right, bottom = frame["rect"]
        x0, x1, x2 = labels_right + 30, labels_right + 170, right - 30
        y0, y1 = top + 22, bottom - 13
        return [(x0, y0), (x1, y0), (x1, y1), (x2, y0)]

    # --- the overlay --------------------------------------------------------------------------

    def stable_screen(self) -> harness.Image:
        """The screen once two grabs in a row agree (the overlay has painted)."""
        previous = [desktop.screen_pixels()]

        def settled():
            current = desktop.screen_pixels()
            same = current.rgb == previous[0].rgb
            previous[0] = current
            return current if same else None
        return harness.poll_until(settled, 10, "the screen to settle")

    def drag(self, path: list[Point], step: int = 15) -> None:
        """Drags with the left button along `path`, through intermediate points; waits at each
        corner until the screen shows it drawn, so that merged moves cannot cut a corner."""
        desktop.mousemove(*path[0])
        desktop.mousedown(1)
        try:
            for a, b in zip(path, path[1:]):
                count = max(1, round(math.dist(a, b) / step))
                for i in range(1, count + 1):
                    desktop.mousemove(round(a[0] + (b[0] - a[0]) * i / count),
                                      round(a[1] + (b[1] - a[1]) * i / count))
                harness.poll_until(
                    lambda: desktop.screen_pixels().pixel(*b) == self.line_colour, 10,
                    f"the segment to {b} to be drawn")
        finally:
            desktop.mouseup(1)

    def dialogs(self, snapshot: Optional[harness.Snapshot] = None, **criteria) -> list[dict]:
        return desktop.program_windows(snapshot, cls=DIALOG_CLASS, visible=True, **criteria)

    def right_click_for_dialog(self, at: Point) -> dict:
        """Right-clicks the overlay and waits for "Save As".  (The dialog opens at the top
        left corner; `at` lies away from it.)"""
        desktop.click(3, at=at)
        return desktop.wait_program_window(cls=DIALOG_CLASS, title=SAVE_TITLE)

    def name_field(self, snapshot: harness.Snapshot, dialog: dict) -> dict:
        fields = [w for w in snapshot.find(cls="Edit", within=dialog["handle"]) if w["visible"]]
        self.assertEqual(len(fields), 1, "the file name field of the dialog")
        return fields[0]

    def type_file_name(self, dialog: dict, text: str) -> None:
        """Types the name into the dialog's (focused) file name field and presses Return."""
        field = self.name_field(desktop.probe(), dialog)
        desktop.type(text, target=field)
        desktop.wait_for(lambda s: s.window(field["handle"])["text"] == text, timeout=10,
                         what="the typed file name")
        desktop.key("Return", target=field)

    def save_as(self, text: str, at: Point) -> None:
        """Right-click, type the name, Return; returns when the dialog has closed."""
        dialog = self.right_click_for_dialog(at)
        self.type_file_name(dialog, text)
        self.wait_gone(dialog)

    def wait_gone(self, window: dict) -> None:
        desktop.wait_for(lambda s: not (s.window(window["handle"]) or {}).get("visible"),
                         timeout=10, what=f"{window['text']!r} to close")

    def wait_bmp(self, path: Path) -> harness.Image:
        """Waits for a complete BMP file at `path` and reads it."""
        def complete():
            expected = bmp_complete_size(path)
            return expected is not None and path.stat().st_size >= expected
        harness.poll_until(complete, 20, f"a complete BMP file at {path}")
        header = harness.read_bmp_header(path)
        self.assertEqual((header.width, abs(header.height)), (SCREEN_WIDTH, SCREEN_HEIGHT))
        self.assertEqual(path.stat().st_size, bmp_complete_size(path), "no bytes after the pixels")
        self.assertEqual(header.file_size, path.stat().st_size, "the size field of the header")
        return harness.read_bmp(path)

    def sync_with_overlay(self, reference: harness.Image, points: list[Point]) -> None:
        """Moves the pointer over the overlay until the preview box shows the square around
        it: the overlay is taking mouse input again, so no modal box is open over it.
        `reference` is the overlay as displayed; one of `points` must give a square that
        differs from what the preview box shows now."""
        shown = corner(desktop.screen_pixels())
        target = next((p for p in points if preview_of(reference, p).rgb != shown.rgb), None)
        self.assertIsNotNone(target, "no point gives a new preview square")
        desktop.mousemove(target[0] + 7, target[1])
        desktop.mousemove(*target)
        expected = preview_of(reference, target)
        try:
            harness.poll_until(lambda: corner(desktop.screen_pixels()).rgb == expected.rgb, 10,
                               f"the preview box to show the square around {target}")
        except TimeoutError:
            open_dialogs = [(w["text"], static_text(desktop.probe(), w)) for w in self.dialogs()]
            self.fail(f"the overlay takes no mouse input; open dialogs: {open_dialogs}")

    def assert_overlay_unchanged(self, overlay: dict, reference: harness.Image) -> None:
        snapshot = desktop.probe()
        self.assertEqual(self.dialogs(snapshot), [], "no dialog is open")
        current = snapshot.window(overlay["handle"])
        self.assertIsNotNone(current, "the overlay window still exists")
        self.assertTrue(current["visible"] and current["enabled"])
        self.assertEqual(current["rect"], [0, 0, SCREEN_WIDTH, SCREEN_HEIGHT])
        changed = differing_pixels(desktop.screen_pixels(), reference,
                                   lambda x, y: in_rect(x, y, PREVIEW_BOX))
        self.assertEqual(changed[:5], [], f"{len(changed)} pixels of the overlay changed")

    def error_report(self) -> dict:
        report = desktop.wait_program_window(cls=DIALOG_CLASS, title=ERROR_TITLE)
        snapshot = desktop.probe()
        self.assertEqual(len(self.dialogs(snapshot)), 1, "exactly one box is open")
        report["message"] = static_text(snapshot, report)
        return report

    # --- 1. drawing and saving ----------------------------------------------------------------

    def test_left_drag_draws_a_line_that_a_right_click_saves_as_a_bmp_file(self):
        self.open_overlay(LINE_WIDTH)
        self.assertNotEqual(self.line_colour, WHITE, "the line must show on the white frame")
        path = self.help_frame_path()
        near_line = band(path, LINE_WIDTH + 2)
        not_white = sorted(p for p in near_line if self.copy.pixel(*p) != WHITE)
        self.assertEqual(not_white[:5], [], "the path runs over white pixels of the copy")

        self.drag(path)
        drawn = self.stable_screen()
        desktop.screenshot("drawing-after-drag.png")
        target = self.folder / "picture"
        dialog = self.right_click_for_dialog(at=path[-1])
        desktop.screenshot("drawing-save-as-dialog.png")
        self.type_file_name(dialog, harness.to_wine_path(target))
        saved = self.wait_bmp(target)
        self.wait_gone(dialog)

        self.assertEqual(listing(self.folder), ["picture"], "saved under exactly the typed name")
        convert_to_png(target, harness.artifacts_dir() / "drawing-saved.png")
        self.assert_line(saved, path, LINE_WIDTH)
        outside = differing_pixels(saved, self.copy, lambda x, y: (x, y) in near_line
                                   or in_rect(x, y, PREVIEW_BOX))
        self.assertEqual(outside[:5], [], f"{len(outside)} pixels away from the line differ "
                                          "from the copied screen")
        on_screen = differing_pixels(saved, drawn, lambda x, y: in_rect(x, y, PREVIEW_BOX))
        self.assertEqual(on_screen[:5], [], "the file holds what the overlay showed")
        self.assertEqual(corner(saved), corner(self.before),
                         "under the preview box the file holds the copied screen")
        # The box showed the end of the line, so the check above tells the two apart.
        self.assertNotEqual(corner(drawn), corner(self.before))
        self.assert_overlay_unchanged(self.overlay, drawn)

    def assert_line(self, image: harness.Image, path: list[Point], width: int) -> None:
        colour = self.line_colour
        off_colour = [p for p in points_along(path)
                      if image.pixel(round(p[0]), round(p[1])) != colour]
        self.assertEqual(off_colour[:5], [], "every point of the dragged path has the line colour")
        inner = band(path, width / 2 + 2)
        self.assertTrue(connected(image, path[0], path[-1], colour, lambda x, y: (x, y) in inner),
                        "the line runs without a gap from start to end")
        (x0, y0), (x1, _), (_, y1), (x2, _) = path
        for fraction in (0.25, 0.5, 0.75):
            with self.subTest(run="horizontal", fraction=fraction):
                across = run_length(image, (round(x0 + (x1 - x0) * fraction), y0), (0, 1), colour)
                self.assertAlmostEqual(across, width, delta=1)
            with self.subTest(run="vertical", fraction=fraction):
                across = run_length(image, (x1, round(y0 + (y1 - y0) * fraction)), (1, 0), colour)
                self.assertAlmostEqual(across, width, delta=1)
            with self.subTest(run="slanted", fraction=fraction):
                x = round(x1 + (x2 - x1) * fraction)
                y = round(y1 + (y0 - y1) * (x - x1) / (x2 - x1))
                cosine = (x2 - x1) / math.dist((x1, y1), (x2, y0))
                across = run_length(image, (x, y), (0, 1), colour) * cosine
                self.assertAlmostEqual(across, width, delta=1.5)

    # --- 2. a second save, cancelled ----------------------------------------------------------

    def test_every_save_starts_with_an_empty_name_and_cancel_writes_nothing(self):
        overlay = self.open_overlay()
        path = self.help_frame_path()
        self.drag(path)
        drawn = self.stable_screen()
        self.save_as(harness.to_wine_path(self.folder / "first.bmp"), at=path[-1])
        self.wait_bmp(self.folder / "first.bmp")

        dialog = self.right_click_for_dialog(at=path[0])
        snapshot = desktop.probe()
        self.assertEqual(self.name_field(snapshot, dialog)["text"], "",
                         "the second dialog opens with an empty name field")
        self.assertEqual(len(self.dialogs(snapshot)), 1)
        desktop.screenshot("drawing-second-save-as.png")
        desktop.key("Escape", target=self.name_field(snapshot, dialog))
        self.wait_gone(dialog)

        self.sync_with_overlay(drawn, [path[0], path[-1], harness.centre_of(
            self.control(desktop.probe(), title="Help")["rect"])])
        self.assertEqual(listing(self.folder), ["first.bmp"], "the cancelled dialog wrote nothing")
        self.assert_overlay_unchanged(overlay, drawn)

    # --- 3. replacing a file ------------------------------------------------------------------

    def test_saving_over_an_existing_file_replaces_it_without_a_question(self):
        self.open_overlay()
        target = self.folder / "existing.bmp"
        target.write_bytes(b"not a picture\r\n" * 100)
        dialog = self.right_click_for_dialog(at=self.help_frame_path()[0])
        self.type_file_name(dialog, harness.to_wine_path(target))

        def replaced_or_asked():
            questions = [w for w in self.dialogs() if w["handle"] != dialog["handle"]]
            if questions:
                return questions
            expected = bmp_complete_size(target)
            return expected is not None and target.stat().st_size >= expected
        outcome = harness.poll_until(replaced_or_asked, 20, "the file to be replaced")
        if outcome is not True:
            desktop.screenshot("drawing-overwrite-question.png")
            self.fail(f"a question was asked: {[static_text(desktop.probe(), w) for w in outcome]}")
        saved = self.wait_bmp(target)
        self.wait_gone(dialog)
        self.assertEqual(listing(self.folder), ["existing.bmp"], "no temporary file is left")
        changed = differing_pixels(saved, self.copy, lambda x, y: in_rect(x, y, PREVIEW_BOX))
        self.assertEqual(changed[:5], [], "the new file holds the copied screen")

    # --- 4. files that cannot be written ------------------------------------------------------

    def test_a_file_that_cannot_be_written_gives_one_error_report_and_keeps_the_overlay(self):
        overlay = self.open_overlay()
        sync_points = self.help_frame_path()
        held = self.folder / "held.bmp"
        cases = [
            # (case, typed path, files to create, setup)
            ("folder does not exist", self.folder / "missing" / "x.bmp", {}, None),
            ("folder is a file", self.folder / "afile" / "x.bmp", {"afile": b"a file\r\n"}, None),
            ("file open in another program", held, {"held.bmp": b"kept open\r\n"},
             lambda: self.hold_open(held)),
        ]
        for case, target, files, setup in cases:
            with self.subTest(case=case):
                for name, data in files.items():
                    (self.folder / name).write_bytes(data)
                if setup:
                    setup()
                before = {p.name: p.read_bytes() for p in self.folder.iterdir() if p.is_file()}
                dialog = self.right_click_for_dialog(at=sync_points[0])
                self.type_file_name(dialog, harness.to_wine_path(target))

                report = self.error_report()
                if setup:
                    self.assertIsNone(self.holder.poll(), "the file was held until the save failed")
                self.assertIn(SAVE_FAILURE_LOCATION, report["message"])
                desktop.screenshot(f"drawing-error-{case.replace(' ', '-')}.png")
                desktop.key("Return", target=report)
                self.wait_gone(report)
                self.sync_with_overlay(self.copy, sync_points)
                self.assert_overlay_unchanged(overlay, self.copy)
                after = {p.name: p.read_bytes() for p in self.folder.iterdir() if p.is_file()}
                self.assertEqual(after, before, "existing files are unchanged, nothing is added")
                self.assertEqual(listing(self.folder), sorted(before), "no temporary file")

    def hold_open(self, path: Path) -> None:
        """Keeps `path` open in another program that shares it with no one (the probe's
        `hold`).  A file held only in a way that lets others remove it is replaced."""
        signal = self.folder.parent / (self.folder.name + "-held")
        self.holder = subprocess.Popen(
            ["wine", str(desktop.probe_exe), "hold", harness.to_wine_path(path),
             harness.to_wine_path(signal)],
            env=desktop.wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.addCleanup(harness.stop_popen, self.holder)
        self.addCleanup(signal.unlink, missing_ok=True)
        harness.poll_until(lambda: signal.exists() or self.holder.poll() is not None, 20,
                           "the file to be held open")
        self.assertIsNone(self.holder.poll(), "the holding program ended early")

    # --- 5. on top, holding the mouse --------------------------------------------------------

    def test_overlay_and_error_report_stay_on_top_and_a_held_button_keeps_the_mouse(self):
        overlay = self.open_overlay(width=0)
        self.assertTrue(overlay["exstyle"] & WS_EX_TOPMOST, "nothing that comes forward buries it")
        desktop.mousemove(*self.help_frame_path()[0])
        desktop.mousedown(2)  # the middle button draws nothing and opens nothing
        try:
            desktop.wait_for(lambda s: s.thread_of(overlay).get("capture") == overlay["handle"],
                             timeout=10, what="the overlay to hold the mouse")
        finally:
            desktop.mouseup(2)
        desktop.wait_for(lambda s: not s.thread_of(overlay).get("capture"), timeout=10,
                         what="the overlay to let the mouse go")
        desktop.mousedown(1)  # a pen width of 0 cannot be set: reported at line 102
        desktop.mouseup(1)
        report = self.error_report()
        self.assertIn("Form2.Form_MouseDown at line 102", report["message"])
        self.assertTrue(report["exstyle"] & WS_EX_TOPMOST, "the report shows above the overlay")
        desktop.key("Return", target=report)
        self.wait_gone(report)

    # --- 6. closing ---------------------------------------------------------------------------

    def test_double_click_restores_the_minimised_main_window_and_closes_the_overlay(self):
        first = self.open_overlay(minimise=True)
        self.assertTrue(desktop.probe().window(self.main["handle"])["iconic"],
                        "the main window is minimised while the overlay is open")
        desktop.screenshot("drawing-minimised-overlay.png")
        desktop.mousemove(SCREEN_WIDTH // 2, SCREEN_HEIGHT // 3)
        desktop.click(1, repeat=2, delay_ms=80)

        def closed(snapshot):
            main = snapshot.window(self.main["handle"])
            overlays = desktop.program_windows(snapshot, cls=OVERLAY_CLASS, visible=True)
            return (main["visible"] and not main["iconic"] and not main["zoomed"]
                    and not overlays and snapshot.window(first["handle"]) is None)
        desktop.wait_for(closed, what="the main window back and the overlay window destroyed")
        desktop.screenshot("drawing-after-double-click.png")

        self.press_start_drawing()
        self.dismiss_hint()
        second = self.wait_overlay()
        self.assertNotEqual(second["handle"], first["handle"], "a freshly built overlay")
        self.assertEqual(
            [w["handle"] for w in desktop.program_windows(cls=OVERLAY_CLASS, visible=True)],
            [second["handle"]], "one overlay")

    def test_alt_f4_closes_the_overlay_and_the_next_start_drawing_opens_a_fresh_one(self):
        first = self.open_overlay(minimise=True)
        first_copy = self.copy
        desktop.key("alt+F4", target=(SCREEN_WIDTH // 2, SCREEN_HEIGHT // 3))

        def closed(snapshot):
            return snapshot.window(first["handle"]) is None
        desktop.wait_for(closed, what="the overlay window destroyed")
        self.assertTrue(desktop.probe().window(self.main["handle"])["iconic"],
                        "a close by the system leaves the main window minimised")
        # The user restores the main window (from the task bar, which Xvfb has not).
        desktop.post(self.main["handle"], WM_SYSCOMMAND, SC_RESTORE)
        desktop.wait_for(lambda s: not s.window(self.main["handle"])["iconic"],
                         what="the main window restored")

        second = self.open_overlay(minimise=False)
        self.assertNotEqual(second["handle"], first["handle"], "a freshly built overlay")
        help_frame = self.control(desktop.probe(), title="Help")["rect"]
        self.assertEqual(self.copy.crop(*help_frame), self.before.crop(*help_frame),
                         "a fresh copy of the screen, with the main window in it")
        self.assertNotEqual(first_copy.crop(*help_frame), self.before.crop(*help_frame))
        path = self.help_frame_path()
        self.drag(path)
        target = self.folder / "after-alt-f4.bmp"
        self.save_as(harness.to_wine_path(target), at=path[-1])
        self.assert_line(self.wait_bmp(target), path, LINE_WIDTH)


def convert_to_png(bmp: Path, png: Path) -> None:
    """Keeps a viewable copy of a saved picture: ImageMagick must read the file."""
    subprocess.run(["convert", f"bmp:{bmp}", str(png)], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)


if __name__ == "__main__":
    unittest.main()
