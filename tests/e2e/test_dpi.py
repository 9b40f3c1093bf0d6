"""The program at 150 % display scaling (144 dots per inch): the main window laid out at its DPI,
text drawn at the scaled font size rather than stretched, and the overlay with its preview box.

This module has a desktop of its own, whose prefix it switches to 144 DPI; the shared desktop
of the other modules stays at 96 DPI.  Before the switch the program runs once at 96 DPI, and
that run is the reference that the text at 144 DPI is measured against.
"""

import unittest
from typing import NamedTuple, Optional

import harness
from test_main_window import CONTROLS, LABEL_BEFORE, identify_controls

desktop: harness.WineDesktop
reference: "Reference"

DPI = 144
BASE_DPI = 96
SCALE = DPI / BASE_DPI
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
SCREEN_WIDTH, SCREEN_HEIGHT = harness.SCREEN_SIZE
SCREEN_RECT = [0, 0, SCREEN_WIDTH, SCREEN_HEIGHT]

OVERLAY_CLASS = "QuillmarkOrvaneOverlay"
DIALOG_CLASS = "#32770"
MINIMISE_OPTION = "Minimize this window before drawing"
FORM1_CLIENT_TWIPS = (8040, 3555)
PREVIEW_TWIPS = 375
SQUARE_SIDE = 25  # the square around the pointer that the preview box shows, in pixels
WHITE = (255, 255, 255)

# The border of the push button and a margin inside it, left out of the text measurements.
BUTTON_INSET = 3
# Ink coverage (0 paper .. 1 full ink) above which a pixel counts as ink, as solid ink, and
# as part of a glyph's outline for the ink box.
INK, SOLID, OUTLINE = 0.1, 0.9, 0.5
# The ink box of the button text may differ from 1.5 times its 96-DPI size by this much
# (glyph hinting snaps stems and heights to whole pixels).
INK_RATIO_TOLERANCE = 0.12
# A label sized to its text may differ from 1.5 times its 96-DPI width by this fraction.
LABEL_WIDTH_TOLERANCE = 0.06


def pixels(twips: int, dpi: int = DPI) -> int:
    """Twips to pixels at `dpi`; halves round up, as the layout does."""
    return (twips * dpi + 720) // 1440


class Reference(NamedTuple):
    """What the program showed at 96 DPI."""

    label_widths: dict[str, int]
    button_text: list[list[float]]  # ink coverage inside the "Start Drawing" button


def setUpModule():
    global desktop, reference
    desktop = harness.WineDesktop()
    desktop.start()
    try:
        reference = run_at_base_dpi()
        desktop.reg_add(DESKTOP_KEY, "LogPixels", str(DPI), "REG_DWORD")
        desktop.kill_wine()  # the system DPI is read when Wine starts
        dpi = desktop.probe().dpi
        if dpi != DPI:
            raise harness.HarnessError(f"the system DPI is {dpi} after setting LogPixels {DPI}")
    except BaseException:
        desktop.close()
        raise


def tearDownModule():
    desktop.close()


def run_at_base_dpi() -> Reference:
    if desktop.probe().dpi != BASE_DPI:
        raise harness.HarnessError(f"a new prefix should start at {BASE_DPI} DPI")
    desktop.start_program()
    try:
        main = desktop.wait_program_window()
        screen = desktop.settled_screen()
        snapshot = desktop.probe()
        found = identify_controls(snapshot, snapshot.window(main["handle"]))
        widths = {c.name: harness.size_of(found[c.name]["rect"])[0]
                  for c in CONTROLS if c.sized_to_text}
        harness.save_image(screen, "dpi-96-main-window.png")
        return Reference(widths, button_text(screen, found["PushButton2"], "dpi-96-button.png"))
    finally:
        desktop.stop_program()


# ------------------------------------------------------------------------------------------
# Pixels


def coverage(image: harness.Image) -> list[list[float]]:
    """Ink coverage of each pixel of dark text on white paper: 0 paper, 1 full ink."""
    return [[1 - sum(image.pixel(x, y)) / (3 * 255) for x in range(image.width)]
            for y in range(image.height)]


def button_text(screen: harness.Image, button: dict, picture: str) -> list[list[float]]:
    """The ink coverage inside the button's border; the crop is kept, enlarged, as `picture`."""
    left, top, right, bottom = button["rect"]
    inside = screen.crop(left + BUTTON_INSET, top + BUTTON_INSET, right - BUTTON_INSET,
                         bottom - BUTTON_INSET)
    harness.save_image(inside, picture, scale=3)
    return coverage(inside)


def ink_box_size(ink: list[list[float]]) -> tuple[int, int]:
    """Width and height of the box around the pixels that are more ink than paper."""
    rows = [y for y, row in enumerate(ink) if max(row) > OUTLINE]
    columns = [x for x in range(len(ink[0])) if any(row[x] > OUTLINE for row in ink)]
    if not rows:
        raise AssertionError("no text in the button")
    return columns[-1] - columns[0] + 1, rows[-1] - rows[0] + 1


def solid_share(ink: list[list[float]]) -> float:
    """Of the pixels touched by ink, the share that are full ink.

    A rasteriser drawing the glyph outlines at the size in use makes the stems solid with a
    one-pixel antialiased fringe, so the share stays about the same at any size (it grows a
    little with the size, the fringe being a smaller part of wider stems).  A bitmap stretched
    to a larger size smears every edge over more pixels and the share collapses."""
    touched = [c for row in ink for c in row if c > INK]
    return sum(c > SOLID for c in touched) / len(touched)


def stretched(ink: list[list[float]], factor: float) -> list[list[float]]:
    """A bilinear enlargement: what scaling the picture of the text up would show."""
    height, width = len(ink), len(ink[0])

    def source(target: int, size: int) -> tuple[int, int, float]:
        position = min(max((target + 0.5) / factor - 0.5, 0.0), size - 1.0)
        low = int(position)
        return low, min(low + 1, size - 1), position - low

    out = []
    for y in range(round(height * factor)):
        y0, y1, fy = source(y, height)
        row = []
        for x in range(round(width * factor)):
            x0, x1, fx = source(x, width)
            top = ink[y0][x0] * (1 - fx) + ink[y0][x1] * fx
            bottom = ink[y1][x0] * (1 - fx) + ink[y1][x1] * fx
            row.append(top * (1 - fy) + bottom * fy)
        out.append(row)
    return out


def preview_square(image: harness.Image, point: tuple[int, int]) -> harness.Image:
    """The 25 x 25 square that the preview box shows for the pointer at `point`: its top-left
    corner is the point less 12.5, rounded with halves to even (Python's round)."""
    left, top = round(point[0] - SQUARE_SIDE / 2), round(point[1] - SQUARE_SIDE / 2)
    return image.crop(left, top, left + SQUARE_SIDE, top + SQUARE_SIDE)


def source_candidates(target: int, side: int) -> set[int]:
    """The square's columns (or rows) that a scaled copy may show at `target` of a box `side`
    pixels wide: the two whose centres are nearest, and the one the box pixel's left edge
    falls in."""
    step = SQUARE_SIDE / side
    nearest = int((target + 0.5) * step - 0.5)
    found = {nearest, nearest + 1, int(target * step)}
    return {min(max(c, 0), SQUARE_SIDE - 1) for c in found}


def scaled_copy_mismatches(box: harness.Image, square: harness.Image) -> list[tuple[int, int]]:
    """Pixels of `box` that show none of the square's pixels that scaling could put there."""
    columns = [source_candidates(x, box.width) for x in range(box.width)]
    rows = [source_candidates(y, box.height) for y in range(box.height)]
    return [(x, y) for y in range(box.height) for x in range(box.width)
            if not any(box.pixel(x, y) == square.pixel(sx, sy)
                       for sy in rows[y] for sx in columns[x])]


def colours(image: harness.Image) -> set[tuple[int, int, int]]:
    return {image.pixel(x, y) for y in range(image.height) for x in range(image.width)}


# ------------------------------------------------------------------------------------------
# Tests


class ScaledDisplayTest(unittest.TestCase):
    """One program per test, on the module's desktop at 144 DPI."""

    def setUp(self):
        desktop.start_program()
        self.addCleanup(desktop.stop_program)
        handle = desktop.wait_program_window()["handle"]
        self.screen = desktop.settled_screen()
        self.snapshot = desktop.probe()
        self.main = self.snapshot.window(handle)
        self.found = identify_controls(self.snapshot, self.main)

    def test_the_display_is_scaled_but_the_screen_keeps_its_pixels(self):
        self.assertEqual(self.snapshot.dpi, DPI)
        self.assertEqual(self.snapshot.screen, (SCREEN_WIDTH, SCREEN_HEIGHT))

    def test_main_window_and_controls_are_laid_out_at_144_dpi(self):
        client = tuple(pixels(t) for t in FORM1_CLIENT_TWIPS)
        self.assertEqual(client, (804, 356))
        self.assertEqual(harness.size_of(self.main["client"]), client)
        width, height = harness.size_of(self.main["rect"])
        self.assertEqual(self.main["rect"][:2],
                         [(SCREEN_WIDTH - width) // 2, (SCREEN_HEIGHT - height) // 2],
                         "the outer window is centred on the screen")
        for control in CONTROLS:
            with self.subTest(control=control.name):
                self.assertIn(control.name, self.found, "control not found")
                window = self.found[control.name]
                left, top, width, height = harness.client_relative(
                    window, self.found[control.container])
                expected = tuple(pixels(t) for t in control.twips)
                if control.sized_to_text:
                    self.assertEqual((left, top, height), expected[:2] + expected[3:])
                    # Sized to text in the window's font, 18 pixels high here against 12.
                    self.assertAlmostEqual(width / reference.label_widths[control.name], SCALE,
                                           delta=SCALE * LABEL_WIDTH_TOLERANCE)
                else:
                    self.assertEqual((left, top, width, height), expected)
        for label, box in LABEL_BEFORE.items():
            with self.subTest(label=label):
                self.assertLessEqual(self.found[label]["rect"][2], self.found[box]["rect"][0])

    def test_button_text_is_drawn_at_the_larger_size_not_stretched(self):
        """The button's font is 23 pixels high here against 15 at 96 DPI.  Its text must come
        out half as large again in both directions, and as sharp as at 96 DPI: measured by the
        share of full-ink pixels, which a bilinear stretch of the 96-DPI text (computed here, to
        show that the measure tells the two apart) brings down to well under half."""
        harness.save_image(self.screen, "dpi-144-main-window.png")
        ink = button_text(self.screen, self.found["PushButton2"], "dpi-144-button.png")
        base = reference.button_text
        (width, height), (base_width, base_height) = ink_box_size(ink), ink_box_size(base)
        figures = (f"ink box {width} x {height} against {base_width} x {base_height} at 96 DPI; "
                   "see artifacts/e2e/dpi-*-button.png")
        self.assertAlmostEqual(width / base_width, SCALE, delta=INK_RATIO_TOLERANCE, msg=figures)
        self.assertAlmostEqual(height / base_height, SCALE, delta=INK_RATIO_TOLERANCE,
                               msg=figures)

        share, base_share = solid_share(ink), solid_share(base)
        stretched_share = solid_share(stretched(base, SCALE))
        figures = (f"full-ink share {share:.2f} at 144 DPI, {base_share:.2f} at 96 DPI, "
                   f"{stretched_share:.2f} for the 96-DPI text stretched")
        self.assertLess(stretched_share, 0.5 * base_share, "the measure fails: " + figures)
        self.assertGreaterEqual(share, 0.85 * base_share, "blurred text: " + figures)

    def test_start_drawing_covers_the_screen_and_the_preview_box_scales_its_square(self):
        thickness = self.found["Text1"]
        self.assertEqual((self.snapshot.focus_of(self.main) or {}).get("handle"),
                         thickness["handle"], "the thickness box has the focus")
        desktop.key("End", "shift+Home", target=thickness)
        desktop.type("5", target=thickness)
        desktop.wait_for(lambda s: s.window(thickness["handle"])["text"] == "5", timeout=10,
                         what="the thickness box to read 5")
        self.clear_minimise_option()
        # Pressed from the keyboard, so that the button looks the same before and in the copy.
        self.focus_start_drawing_with_tab()
        before = desktop.screen_pixels()
        desktop.key("space", target=self.main)

        overlay = self.wait_overlay()
        copy = desktop.settled_screen()
        harness.save_image(copy, "dpi-144-overlay.png")
        self.assertEqual(overlay["rect"], SCREEN_RECT, "the overlay covers the whole screen")
        self.assertEqual(overlay["client"], SCREEN_RECT)
        children = overlay["children"]
        self.assertEqual(len(children), 1, "the preview box is the overlay's only child window")
        side = pixels(PREVIEW_TWIPS)
        self.assertEqual(side, 38)
        box_rect = [SCREEN_WIDTH - side, SCREEN_HEIGHT - side, SCREEN_WIDTH, SCREEN_HEIGHT]
        self.assertEqual(harness.client_relative(children[0], overlay),
                         (box_rect[0], box_rect[1], side, side),
                         "a 38 x 38 preview box in the bottom-right corner")
        self.assert_copy_is_exact(before, copy, box_rect)

        # The pointer rests at the main window's centre; the square around the swatch's
        # corner changes what the box shows, and a white square changes it again.
        box_client = children[0]["client"]  # the box may have a border of its own
        corner = tuple(self.found["Picture1"]["rect"][:2])
        square = preview_square(copy, corner)
        self.assertGreaterEqual(len(colours(square)), 2, "the swatch's corner shows an edge")
        self.assertTrue(scaled_copy_mismatches(copy.crop(*box_client), square),
                        "the box already shows the square around the swatch's corner")
        desktop.mousemove(*corner)
        self.wait_preview(box_client, lambda box: not scaled_copy_mismatches(box, square),
                          f"the preview box to show the square around {corner} scaled to its "
                          "size", "dpi-144-preview-edge.png", square)

        white = self.white_point(copy)
        desktop.mousemove(*white)
        self.wait_preview(box_client, lambda box: colours(box) == {WHITE},
                          f"the preview box to show the white square around {white}",
                          "dpi-144-preview-white.png")

    # --- steps and checks ---------------------------------------------------------------------

    def clear_minimise_option(self) -> None:
        check = self.snapshot.find_one(title=MINIMISE_OPTION, within=self.main["handle"])
        if check["check"] != 0:
            desktop.click(at=harness.centre_of(check["rect"]))
            desktop.wait_for(lambda s: s.window(check["handle"])["check"] == 0, timeout=10,
                             what="the minimise box to clear")

    def focus_start_drawing_with_tab(self) -> None:
        """Thickness box -> swatch -> check box -> button."""
        button = self.found["PushButton2"]
        desktop.key("Tab", "Tab", "Tab", target=self.main)
        desktop.wait_for(
            lambda s: (s.focus_of(s.window(self.main["handle"])) or {}).get("handle")
            == button["handle"], timeout=5, what="the focus on the Start Drawing button")

    def wait_overlay(self) -> dict:
        def shown(snapshot: harness.Snapshot) -> Optional[dict]:
            if desktop.program_windows(snapshot, cls=DIALOG_CLASS, visible=True):
                raise AssertionError("a message box opened instead of the overlay")
            found = desktop.program_windows(snapshot, cls=OVERLAY_CLASS, visible=True)
            return found[0] if len(found) == 1 else None
        return desktop.wait_for(shown, what="the overlay to be shown")

    def assert_copy_is_exact(self, before: harness.Image, copy: harness.Image,
                             box_rect: list[int]) -> None:
        """With the program aware of the display scaling, the screen copy is pixel for pixel
        the screen: nothing is scaled down and up again."""
        left, top, _, _ = box_rect
        outside_box = [harness.Image(SCREEN_WIDTH, top, image.rgb[:SCREEN_WIDTH * top * 3])
                       for image in (before, copy)]
        beside_box = [image.crop(0, top, left, SCREEN_HEIGHT) for image in (before, copy)]
        for pair in (outside_box, beside_box):
            diff = harness.compare_images(*pair)
            self.assertEqual(diff.count, 0, f"the copy differs from the screen in {diff.bbox} "
                             "(coordinates of the compared part); see dpi-144-overlay.png")

    def white_point(self, copy: harness.Image) -> tuple[int, int]:
        """A point in the white help frame, right of its labels, whose square is all white."""
        left, top, right, bottom = self.found["Frame1"]["rect"]
        point = (right - 60, (top + bottom) // 2)
        self.assertEqual(colours(preview_square(copy, point)), {WHITE},
                         f"the square around {point} is not all white in the copy")
        return point

    def wait_preview(self, box_rect: list[int], shows, what: str, picture: str,
                     square: Optional[harness.Image] = None) -> None:
        """Polls until `shows(box)` holds for the preview box on the screen; the box is kept,
        enlarged 8 times, as `picture`, and with it the square it should show."""
        if square is not None:
            harness.save_image(square, picture.replace(".png", "-square.png"), 8)
        try:
            harness.poll_until(lambda: shows(desktop.screen_pixels().crop(*box_rect)), 10, what)
        finally:
            harness.save_image(desktop.screen_pixels().crop(*box_rect), picture, 8)


if __name__ == "__main__":
    unittest.main()
