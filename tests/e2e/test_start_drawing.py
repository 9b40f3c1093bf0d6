"""The "Start Drawing" button of the real program: the full-screen overlay and its copy of the
screen, the hint box and the minimised main window, the error report for a thickness that is no
number, and a second "Start Drawing" while the overlay is open."""

import time
import unittest
from typing import Optional

import harness

desktop: harness.WineDesktop

SCREEN_RECT = [0, 0, *harness.SCREEN_SIZE]
OVERLAY_CLASS = "QuillmarkOrvaneOverlay"
DIALOG_CLASS = "#32770"
APPLICATION_TITLE = "Quillmark"  # the product name without its last word
START_DRAWING = "Start Drawing"
MINIMISE_OPTION = "Minimize this window before drawing"
HINT_TEXT = "Double left-click to QUIT\r\rRight-click to SAVE as image file"
REPORT_TITLE = "Application Error"
SUPPORT_ADDRESS = "support@quillmark-orvane.example"  # the placeholder in src/app/error_report.h
# Everything after the description's line break, for a thickness that cannot be converted.
THICKNESS_REPORT_TAIL = ("in QuillmarkOrvane2021/08/31.Form1.PushButton2_Click at line 114\r\r"
                         "Please email screenshot of this message to " + SUPPORT_ADDRESS)
PREVIEW_SIDE = 25
PREVIEW_RECT = [SCREEN_RECT[2] - PREVIEW_SIDE, SCREEN_RECT[3] - PREVIEW_SIDE, *SCREEN_RECT[2:]]
PAUSE_SECONDS = 0.5
# After the overlay is up, how long to keep watching for a further message box.
QUIET_SECONDS = 1.0

WS_THICKFRAME = 0x00040000
WS_BORDER = 0x00800000
WS_CAPTION = 0x00C00000  # WS_BORDER | WS_DLGFRAME
WS_EX_TOOLWINDOW = 0x00000080
WS_EX_APPWINDOW = 0x00040000
SS_TYPEMASK = 0x1F
SS_ICON = 0x03
WM_COMMAND = 0x0111
BN_CLICKED = 0
# A pixel whose channels spread more than this is coloured, not grey text on a grey dialog.
COLOUR_SPREAD = 60


def setUpModule():
    global desktop
    desktop = harness.shared_desktop()


# ------------------------------------------------------------------------------------------
# Pixels


def masked(image: harness.Image, rects: list[list[int]]) -> harness.Image:
    """The image with the given rectangles painted black."""
    data = bytearray(image.rgb)
    for left, top, right, bottom in rects:
        left, right = max(left, 0), min(right, image.width)
        for y in range(max(top, 0), min(bottom, image.height)):
            start, end = (y * image.width + left) * 3, (y * image.width + right) * 3
            data[start:end] = bytes(end - start)
    return harness.Image(image.width, image.height, bytes(data))


def compare_outside(a: harness.Image, b: harness.Image,
                    excluded: list[list[int]]) -> harness.ImageDiff:
    return harness.compare_images(masked(a, excluded), masked(b, excluded))


def pixels_in(image: harness.Image, rect: list[int]) -> list[tuple[int, int, int]]:
    part = image.crop(*rect)
    return [part.pixel(x, y) for y in range(part.height) for x in range(part.width)]


def is_coloured(pixel: tuple[int, int, int]) -> bool:
    return max(pixel) - min(pixel) > COLOUR_SPREAD


def is_amber(pixel: tuple[int, int, int]) -> bool:
    """The yellow to orange of a warning sign, not the red of an error icon nor the blue of an
    information icon."""
    red, green, blue = pixel
    return red >= 180 and 90 <= green <= 220 and blue <= 90


# ------------------------------------------------------------------------------------------
# Windows


def is_icon_static(window: dict) -> bool:
    return window["class"].lower() == "static" and window["style"] & SS_TYPEMASK == SS_ICON


def text_static(snapshot: harness.Snapshot, dialog: dict) -> dict:
    statics = [w for w in snapshot.find(cls="Static", within=dialog["handle"])
               if not is_icon_static(w)]
    if len(statics) != 1:
        raise AssertionError(f"expected one text static in the message box, found {statics}")
    return statics[0]


def icon_static(snapshot: harness.Snapshot, dialog: dict) -> Optional[dict]:
    icons = [w for w in snapshot.find(cls="Static", within=dialog["handle"]) if is_icon_static(w)]
    return icons[0] if icons else None


def overlays(snapshot: harness.Snapshot, **criteria) -> list[dict]:
    return desktop.program_windows(snapshot, cls=OVERLAY_CLASS, **criteria)


def dialogs(snapshot: harness.Snapshot) -> list[dict]:
    return desktop.program_windows(snapshot, cls=DIALOG_CLASS, visible=True)


class StartDrawingTest(unittest.TestCase):
    def setUp(self):
        self.empty_desktop = desktop.screen_pixels()  # Xvfb's black root, before the program
        # A first start: thickness 5, red, the minimise box clear.
        desktop.reg_delete(r"HKCU\Software\Vantorel\Quillmark Orvane")
        desktop.start_program()
        self.addCleanup(desktop.stop_program)
        self.main = desktop.wait_program_window()
        snapshot = desktop.probe()
        self.main = snapshot.window(self.main["handle"])
        self.thickness = snapshot.find_one(cls="Edit", within=self.main["handle"])
        self.minimise_box = snapshot.find_one(title=MINIMISE_OPTION, within=self.main["handle"])
        self.button = snapshot.find_one(title=START_DRAWING, within=self.main["handle"])

    # --- steps a user takes -------------------------------------------------------------------

    def set_thickness(self, text: str) -> None:
        """Replaces the text of the thickness box (which has the focus) by typing."""
        desktop.key("ctrl+a", "BackSpace", target=self.thickness)
        if text:
            desktop.type(text, target=self.thickness)
        desktop.wait_for(lambda s: s.window(self.thickness["handle"])["text"] == text,
                         timeout=5, what=f"the thickness box to read {text!r}")

    def set_minimise_option(self, ticked: bool) -> None:
        """Clicks the check box until it shows the wanted state, whatever start-up gave it."""
        wanted = 1 if ticked else 0
        for _ in range(3):
            if desktop.probe().window(self.minimise_box["handle"])["check"] == wanted:
                return
            desktop.click(at=harness.centre_of(self.minimise_box["rect"]))
        self.fail(f"the minimise box does not reach the state {wanted}")

    def click_start_drawing(self) -> None:
        desktop.click(at=harness.centre_of(self.button["rect"]))

    def focus_start_drawing_with_tab(self) -> None:
        """Thickness box -> swatch -> check box -> button."""
        desktop.key("Tab", "Tab", "Tab", target=self.main)
        desktop.wait_for(
            lambda s: (s.focus_of(s.window(self.main["handle"])) or {}).get("handle")
            == self.button["handle"], timeout=5, what="the focus on the Start Drawing button")

    def wait_message_box(self) -> tuple[dict, harness.Snapshot]:
        box = desktop.wait_program_window(cls=DIALOG_CLASS)
        snapshot = desktop.probe()
        return snapshot.window(box["handle"]), snapshot

    # --- checks -------------------------------------------------------------------------------

    def assert_full_screen_overlay(self, overlay: dict, snapshot: harness.Snapshot) -> None:
        self.assertTrue(overlay["visible"])
        self.assertFalse(overlay["style"] & (WS_CAPTION | WS_THICKFRAME | WS_BORDER),
                         f"borderless: style {overlay['style']:#x}")
        self.assertTrue(overlay["exstyle"] & WS_EX_TOOLWINDOW, "no taskbar button")
        self.assertFalse(overlay["exstyle"] & WS_EX_APPWINDOW, "no taskbar button")
        self.assertEqual(overlay["owner"], 0, "shown without owner")
        self.assertEqual(overlay["rect"], SCREEN_RECT)
        self.assertEqual(overlay["client"], SCREEN_RECT)
        self.assertTrue(overlay["zoomed"], "opens maximised")
        children = overlay["children"]
        self.assertEqual(len(children), 1, "the preview box is the overlay's only child window")
        self.assertTrue(children[0]["visible"])
        self.assertEqual(harness.client_relative(children[0], overlay),
                         (PREVIEW_RECT[0], PREVIEW_RECT[1], PREVIEW_SIDE, PREVIEW_SIDE),
                         "the preview box sits in the bottom-right corner")
        self.assertTrue(snapshot.window(self.main["handle"])["enabled"], "the overlay is modeless")

    def assert_ok_only(self, snapshot: harness.Snapshot, box: dict) -> None:
        buttons = snapshot.find(cls="Button", within=box["handle"], visible=True)
        self.assertEqual([b["text"] for b in buttons], ["OK"])

    def assert_no_icon(self, snapshot: harness.Snapshot, box: dict, screen: harness.Image):
        """Wine's message box always carries its icon static; without an icon it stays empty
        and the text starts where the icon would be."""
        icon = icon_static(snapshot, box)
        if icon is None:
            return
        self.assertLessEqual(text_static(snapshot, box)["rect"][0], icon["rect"][0],
                             "the text is moved right as if to make room for an icon")
        self.assertFalse(any(map(is_coloured, pixels_in(screen, icon["rect"]))),
                         "an icon is drawn")

    def assert_warning_icon(self, snapshot: harness.Snapshot, box: dict, screen: harness.Image):
        icon = icon_static(snapshot, box)
        self.assertIsNotNone(icon, "the message box has no icon")
        self.assertTrue(icon["visible"])
        self.assertGreaterEqual(text_static(snapshot, box)["rect"][0], icon["rect"][2],
                                "the text starts right of the icon")
        amber = sum(map(is_amber, pixels_in(screen, icon["rect"])))
        self.assertGreater(amber, 50, "no warning sign is drawn")

    def watch_until_overlay(self, since: float) -> list[dict]:
        """Probes until the overlay is visible; each record says when its probe had ended
        (seconds after `since`), whether the overlay was visible and the main window iconic."""
        seen: list[dict] = []

        def overlay_up():
            snapshot = desktop.probe()
            visible = bool(overlays(snapshot, visible=True))
            seen.append({"probed_by": round(time.monotonic() - since, 3), "visible": visible,
                         "iconic": snapshot.window(self.main["handle"])["iconic"]})
            return visible
        harness.poll_until(overlay_up, what="the overlay", interval=0.0)
        return seen

    def probe_noting_boxes(self, boxes: set[int]) -> harness.Snapshot:
        """A snapshot; the handles of the message boxes shown in it are added to `boxes`."""
        snapshot = desktop.probe()
        boxes.update(w["handle"] for w in dialogs(snapshot))
        return snapshot

    def press_start_drawing_keeping_the_focus(self) -> None:
        """Presses the button as an accessibility tool does: its click notification goes to
        the main window and the focus stays in the thickness box."""
        desktop.post(self.main["handle"], WM_COMMAND, self.button["id"], self.button["handle"])

    def check_unusable_thickness(self, text: str, picture: str) -> None:
        self.set_thickness(text)
        self.set_minimise_option(False)
        # Leaving the box would replace letters by "0" (with "Must be a numeric value."),
        # so letters reach "Start Drawing" only while the box keeps the focus.
        if text:
            self.press_start_drawing_keeping_the_focus()
        else:
            self.click_start_drawing()
        box, snapshot = self.wait_message_box()
        boxes = {box["handle"]}
        screen = desktop.screen_pixels()
        harness.save_image(screen, picture)
        self.assertEqual(box["text"], REPORT_TITLE)
        description, line_break, rest = text_static(snapshot, box)["text"].partition("\r\n")
        self.assertEqual(line_break, "\r\n", "the description ends in CR LF")
        self.assertEqual(rest, THICKNESS_REPORT_TAIL)
        self.assertTrue(description.strip(), "the report has a description")
        self.assertIn(text, description)
        self.assert_warning_icon(snapshot, box, screen)
        self.assert_ok_only(snapshot, box)
        self.assertFalse(snapshot.window(self.main["handle"])["enabled"], "the report is modal")
        self.assertEqual(overlays(snapshot, visible=True), [], "the overlay shows after the report")

        desktop.key("Return", target=box)
        harness.poll_until(lambda: overlays(self.probe_noting_boxes(boxes), visible=True),
                           what="the overlay after the report", interval=0.0)
        quiet_until = time.monotonic() + QUIET_SECONDS
        while time.monotonic() < quiet_until:
            snapshot = self.probe_noting_boxes(boxes)
        self.assertEqual(boxes, {box["handle"]}, "one report only")
        self.assert_full_screen_overlay(overlays(snapshot, visible=True)[0], snapshot)

    # --- tests --------------------------------------------------------------------------------

    def test_minimise_box_clear_copies_the_screen_with_the_main_window_into_the_overlay(self):
        self.set_thickness("5")
        self.set_minimise_option(False)
        # The copy is compared with the screen as it was: the focus look of the button must
        # already be on the screen then, so the button is pressed from the keyboard.
        self.focus_start_drawing_with_tab()
        shown_before = {w["handle"] for w in desktop.program_windows(visible=True)}
        before = desktop.screen_pixels()
        harness.save_image(before, "start-drawing-clear-before.png")

        desktop.key("space", target=self.main)  # the button clicks when the key comes up
        overlay = desktop.wait_program_window(cls=OVERLAY_CLASS)
        after = desktop.settled_screen()
        harness.save_image(after, "start-drawing-clear-after.png")

        snapshot = desktop.probe()
        new = [w for w in desktop.program_windows(snapshot, visible=True)
               if w["handle"] not in shown_before]
        self.assertEqual([w["class"] for w in new], [OVERLAY_CLASS],
                         "exactly one new window, the overlay")
        self.assert_full_screen_overlay(snapshot.window(overlay["handle"]), snapshot)
        main = snapshot.window(self.main["handle"])
        self.assertTrue(main["visible"] and not main["iconic"], "the main window stays as it was")
        diff = compare_outside(before, after, [PREVIEW_RECT])
        self.assertEqual(diff.count, 0, f"the overlay differs from the screen before, in "
                         f"{diff.bbox}; see artifacts/e2e/start-drawing-clear-*.png")

    def test_minimise_box_ticked_hints_minimises_and_copies_the_screen_without_the_main_window(
            self):
        self.set_thickness("5")
        self.set_minimise_option(True)
        normal_rect = desktop.probe().window(self.main["handle"])["rect"]

        self.click_start_drawing()
        box, snapshot = self.wait_message_box()
        self.assertEqual(box["text"], APPLICATION_TITLE)
        self.assertEqual(text_static(snapshot, box)["text"], HINT_TEXT)
        self.assert_ok_only(snapshot, box)
        hint_screen = desktop.screen_pixels()
        harness.save_image(hint_screen, "start-drawing-hint.png")
        self.assert_no_icon(snapshot, box, hint_screen)
        self.assertFalse(snapshot.window(self.main["handle"])["enabled"], "the hint box is modal")
        self.assertEqual(overlays(snapshot, visible=True), [], "no overlay before the hint is read")

        pressed = time.monotonic()
        desktop.key("Return", target=box)
        seen = self.watch_until_overlay(pressed)
        # The box closes after `pressed` and the copy waits half a second after that, so a probe
        # that had finished sooner than that cannot have seen the overlay.
        early = [s for s in seen if s["visible"] and s["probed_by"] < PAUSE_SECONDS]
        self.assertEqual(early, [], f"the overlay showed within {PAUSE_SECONDS} s of the hint "
                         f"box being dismissed: no pause before the copy; seen: {seen}")
        self.assertTrue(all(s["iconic"] for s in seen if s["visible"]),
                        f"the overlay opened before the main window was minimised: {seen}")

        after = desktop.settled_screen()
        harness.save_image(after, "start-drawing-ticked-after.png")
        snapshot = desktop.probe()
        main = snapshot.window(self.main["handle"])
        self.assertTrue(main["iconic"], "the main window stays minimised")
        self.assertEqual(dialogs(snapshot), [])
        self.assert_full_screen_overlay(overlays(snapshot, visible=True)[0], snapshot)
        # With no window manager Wine shows a minimised window as a small title bar at the
        # bottom left; that bar is on the screen when the copy is taken, so it is left out.
        excluded = [main["rect"], PREVIEW_RECT]
        where_it_stood = masked(after, excluded).crop(*normal_rect)
        self.assertEqual(where_it_stood.rgb, bytes(len(where_it_stood.rgb)),
                         "the copy shows the main window (or part of it) where it stood")
        diff = compare_outside(self.empty_desktop, after, excluded)
        self.assertEqual(diff.count, 0, f"the copy differs from the empty desktop in {diff.bbox};"
                         " see artifacts/e2e/start-drawing-ticked-after.png")

    def test_thickness_of_letters_reports_line_114_once_and_the_overlay_still_opens(self):
        self.check_unusable_thickness("abc", "start-drawing-report-letters.png")

    def test_empty_thickness_reports_line_114_once_and_the_overlay_still_opens(self):
        self.check_unusable_thickness("", "start-drawing-report-empty.png")

    def test_second_start_drawing_while_the_overlay_is_open_reuses_it(self):
        self.set_thickness("5")
        # With the minimise option ticked, the hint box shows that the second click was handled.
        self.set_minimise_option(True)
        self.click_start_drawing()
        box, _ = self.wait_message_box()
        desktop.key("Return", target=box)
        overlay = desktop.wait_program_window(cls=OVERLAY_CLASS)
        first = desktop.settled_screen()
        harness.save_image(first, "start-drawing-again-first.png")

        # The overlay covers the main window and there is no task switcher to bring it forward:
        # the click arrives as the notification the button sends its window.
        desktop.post(self.main["handle"], WM_COMMAND, (BN_CLICKED << 16) | self.button["id"],
                     self.button["handle"])
        box, snapshot = self.wait_message_box()
        self.assertEqual(text_static(snapshot, box)["text"], HINT_TEXT)
        in_front = [w["handle"] for w in snapshot.top_level]
        self.assertLess(in_front.index(box["handle"]), in_front.index(overlay["handle"]),
                        "the hint box is in front of the overlay")
        self.assertTrue(snapshot.window(overlay["handle"])["visible"], "the overlay stays open")

        desktop.key("Return", target=box)
        desktop.wait_for(lambda s: not dialogs(s) and overlays(s, visible=True),
                         what="the overlay without the hint box")
        second = desktop.settled_screen()
        harness.save_image(second, "start-drawing-again-second.png")
        snapshot = desktop.probe()
        found = overlays(snapshot)
        self.assertEqual([w["handle"] for w in found], [overlay["handle"]],
                         "the same overlay window and no other")
        self.assert_full_screen_overlay(found[0], snapshot)
        self.assertTrue(snapshot.window(self.main["handle"])["iconic"])
        # The screen showed the overlay when it was copied again, so the picture is unchanged.
        diff = compare_outside(first, second, [PREVIEW_RECT])
        self.assertEqual(diff.count, 0, f"the second copy changed the picture in {diff.bbox}; "
                         "see artifacts/e2e/start-drawing-again-*.png")


if __name__ == "__main__":
    unittest.main()
