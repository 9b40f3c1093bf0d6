"""Start-up and end of the main window: the options restored from the registry, the reports of
a bad stored colour or a bad pointer file, the pointer over the window, and closing it."""

import time
import unittest
from typing import Optional

import harness
from test_main_window import identify_controls

desktop: harness.WineDesktop

SETTINGS_KEY = r"HKCU\Software\Vantorel\Quillmark Orvane"
DIALOG_CLASS = "#32770"
CAPTION = "Quillmark Orvane"
REPORT_TITLE = "Application Error"
WM_CLOSE = 0x0010
QUIET_SECONDS = 1.0


def setUpModule():
    global desktop
    desktop = harness.shared_desktop()


class ProgramTest(unittest.TestCase):
    """Starts the program on a first start, with files beside it, and reads what it shows."""

    def setUp(self):
        desktop.reg_delete(SETTINGS_KEY)
        self.addCleanup(desktop.reg_delete, SETTINGS_KEY)

    def start(self, files: Optional[dict[str, bytes]] = None) -> None:
        desktop.start_program(desktop.prepare_program_dir(files) if files else None)
        self.addCleanup(desktop.stop_program)

    def opened(self) -> None:
        main = desktop.wait_program_window(title=CAPTION)
        self.snapshot = desktop.probe()
        self.main = self.snapshot.window(main["handle"])
        self.controls = identify_controls(self.snapshot, self.main)

    def store(self, **values: str) -> None:
        for name, text in values.items():
            desktop.reg_add(SETTINGS_KEY, name, text)

    def stored(self) -> dict:
        return desktop.reg_query(SETTINGS_KEY) or {}

    def dialogs(self, snapshot: Optional[harness.Snapshot] = None) -> list[dict]:
        return desktop.program_windows(snapshot, cls=DIALOG_CLASS, visible=True)

    def only_report(self, line: int, form: str = "Form1") -> None:
        """Waits for the one error report of form's Form_Load at `line`, dismisses it and checks
        that no other box follows."""
        box = desktop.wait_program_window(cls=DIALOG_CLASS)
        snapshot = desktop.probe()
        self.assertEqual(box["text"], REPORT_TITLE)
        texts = [w["text"] for w in snapshot.find(cls="Static", within=box["handle"])]
        self.assertTrue(any(f"{form}.Form_Load at line {line}\r" in t for t in texts), texts)
        desktop.key("Return", target=box)
        if form == "Form1":
            self.opened()
        seen = {box["handle"]}
        quiet_until = time.monotonic() + QUIET_SECONDS
        while time.monotonic() < quiet_until:
            seen.update(w["handle"] for w in self.dialogs())
        self.assertEqual(seen, {box["handle"]}, "one report only")

    def swatch_pixel(self) -> tuple[int, int, int]:
        return desktop.settled_screen().pixel(*harness.centre_of(self.controls["Picture1"]["rect"]))

    def check_state(self) -> int:
        return desktop.probe().window(self.controls["Check1"]["handle"])["check"]

    def wait_ended(self) -> int:
        harness.poll_until(lambda: desktop.program.poll() is not None, timeout=10,
                           what="the program to end")
        return desktop.program.returncode


class StartUpTest(ProgramTest):

    def test_a_first_start_restores_the_defaults_and_stores_only_the_thickness(self):
        self.start()
        self.opened()
        self.assertEqual(self.dialogs(self.snapshot), [], "no report")
        self.assertEqual(self.snapshot.window(self.controls["Text1"]["handle"])["text"], "5")
        self.assertEqual(self.swatch_pixel(), (255, 0, 0))
        self.assertEqual(self.check_state(), 0)
        self.assertEqual(self.stored(), {"Text1": ("REG_SZ", "5")})

    def test_stored_options_open_as_stored(self):
        for colour, check, pixel in (("16711680", "1", (0, 0, 255)), ("-2147483633", "0", None)):
            with self.subTest(colour=colour):
                self.store(Text1="abc", Color=colour, Check1=check)
                self.start()
                self.opened()
                self.assertEqual(self.dialogs(self.snapshot), [], "accepted without a report")
                self.assertEqual(self.snapshot.window(self.controls["Text1"]["handle"])["text"],
                                 "abc", "shown as stored, unchecked")
                if pixel:
                    self.assertEqual(self.swatch_pixel(), pixel)
                self.assertEqual(self.check_state(), int(check))
                self.assertEqual(self.stored()["Color"], ("REG_SZ", colour))
                desktop.stop_program()

    def test_a_colour_of_letters_is_reported_at_line_130_and_the_rest_is_restored(self):
        self.store(Color="abc", Check1="1")
        self.start()
        self.only_report(130)
        self.assertEqual(self.swatch_pixel(), (0, 0, 0), "the swatch keeps its black")
        self.assertEqual(self.check_state(), 1)
        self.assertEqual(self.stored()["Color"], ("REG_SZ", "abc"))

    def test_a_pointer_file_that_is_no_cursor_is_reported_by_each_window_that_loads_it(self):
        self.start({"HAND-M.CUR": b"not a cursor at all"})
        self.only_report(106)
        self.assertEqual(self.main["text"], CAPTION)
        desktop.click(at=harness.centre_of(self.controls["PushButton2"]["rect"]))
        self.only_report(100, form="Form2")
        desktop.wait_program_window(cls="QuillmarkOrvaneOverlay")

    def pointer_over(self, target: dict) -> tuple[int, int, int, int]:
        """The pointer the X server shows after one move into target, near its top-left
        corner (a frame's edge, the window's corner): it must change with that move."""
        left, top = target["rect"][:2]
        desktop.mousemove(left + 3, top + 3)
        time.sleep(0.3)
        return desktop.pointer_image()

    def test_the_pointer_is_the_shipped_hand_over_start_drawing_and_the_arrow_over_a_frame(self):
        cursor = desktop.bin_dir / "HAND-M.CUR"
        data = cursor.read_bytes()
        hand = (data[6] or 256, data[7] or 256, data[10] | data[11] << 8, data[12] | data[13] << 8)
        self.start({"HAND-M.CUR": cursor})
        self.opened()
        button = self.controls["PushButton2"]
        frame = self.controls["Frame1"]
        for target, over_button in ((button, True), (frame, False), (button, True),
                                    (self.main, False)):
            self.pointer_over(target)
            shown = harness.poll_until(
                lambda: (desktop.pointer_image() == hand) == over_button or None, timeout=5,
                what=f"the {'hand' if over_button else 'arrow'} over {target['text']!r}")
            self.assertTrue(shown)

    def test_without_a_pointer_file_the_ordinary_pointer_shows_over_start_drawing(self):
        self.start({"readme.txt": b""})
        self.opened()
        self.assertEqual(self.dialogs(self.snapshot), [], "no report")
        arrow = self.pointer_over(self.controls["Frame1"])
        self.assertEqual(self.pointer_over(self.controls["PushButton2"]), arrow)

    def test_closing_the_window_with_the_overlay_open_ends_the_program_and_writes_nothing(self):
        self.start()
        self.opened()
        desktop.click(at=harness.centre_of(self.controls["PushButton2"]["rect"]))
        desktop.wait_program_window(cls="QuillmarkOrvaneOverlay")
        before = self.stored()
        desktop.post(self.main["handle"], WM_CLOSE)
        self.assertEqual(self.wait_ended(), 0)
        self.assertEqual(self.stored(), before)

    def test_closing_the_window_around_the_pause_ends_the_program_and_writes_nothing(self):
        self.store(Check1="1")
        self.start()
        self.opened()
        desktop.click(at=harness.centre_of(self.controls["PushButton2"]["rect"]))
        hint = desktop.wait_program_window(cls=DIALOG_CLASS)
        self.assertEqual(hint["text"], "Quillmark", "the hint box carries the application title")
        before = self.stored()
        desktop.key("Return", target=hint)
        desktop.post(self.main["handle"], WM_CLOSE)  # within or just after the half second
        self.assertEqual(self.wait_ended(), 0)
        self.assertEqual(self.stored(), before)


if __name__ == "__main__":
    unittest.main()
