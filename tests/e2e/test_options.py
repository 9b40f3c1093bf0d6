"""The line options as a user sets them: what the thickness box, the colour chooser and the
minimise box show, and what each leaves in the registry at once."""

import time
import unittest
from typing import Optional

import harness
from test_main_window import identify_controls

desktop: harness.WineDesktop

SETTINGS_KEY = r"HKCU\Software\Vantorel\Quillmark Orvane"
DIALOG_CLASS = "#32770"
APPLICATION_TITLE = "Quillmark"
NOT_NUMERIC = "Must be a numeric value."
WM_COMMAND = 0x0111
IDOK, IDCANCEL = 1, 2
# The red, green and blue fields of the colour chooser.
RED_FIELD, GREEN_FIELD, BLUE_FIELD = 706, 707, 708
QUIET_SECONDS = 1.0
ROLE_PUSHBUTTON = 43


def setUpModule():
    global desktop
    desktop = harness.shared_desktop()


class OptionsTest(unittest.TestCase):
    def setUp(self):
        desktop.reg_delete(SETTINGS_KEY)
        self.addCleanup(desktop.reg_delete, SETTINGS_KEY)  # the next tests start afresh
        self.start()

    def start(self) -> None:
        desktop.start_program()
        self.addCleanup(desktop.stop_program)
        main = desktop.wait_program_window(title="Quillmark Orvane")
        snapshot = desktop.probe()
        self.main = snapshot.window(main["handle"])
        self.controls = identify_controls(snapshot, self.main)
        self.thickness = self.controls["Text1"]

    # --- helpers ------------------------------------------------------------------------------

    def stored(self, name: str) -> Optional[str]:
        values = desktop.reg_query(SETTINGS_KEY) or {}
        kind, data = values.get(name, (None, None))
        if kind is not None:
            self.assertEqual(kind, "REG_SZ", f"{name} is stored as text")
        return data

    def wait_stored(self, name: str, text: str, timeout: float = 5) -> None:
        harness.poll_until(lambda: self.stored(name) == text, timeout=timeout,
                           what=f"{name} to be stored as {text!r} (it is {self.stored(name)!r})")

    def box_text(self, snapshot: Optional[harness.Snapshot] = None) -> str:
        snapshot = snapshot or desktop.probe()
        return snapshot.window(self.thickness["handle"])["text"]

    def wait_box_text(self, text: str) -> None:
        desktop.wait_for(lambda s: self.box_text(s) == text, timeout=5,
                         what=f"the thickness box to read {text!r}")

    def dialogs(self, snapshot: Optional[harness.Snapshot] = None) -> list[dict]:
        return desktop.program_windows(snapshot, cls=DIALOG_CLASS, visible=True)

    def focus_name(self, snapshot: harness.Snapshot) -> Optional[str]:
        focus = snapshot.focus_of(snapshot.window(self.main["handle"])) or {}
        names = {self.controls[n]["handle"]: n for n in ("Text1", "Picture1", "Check1")}
        return names.get(focus.get("handle"), focus.get("class"))

    def retype(self, text: str) -> None:
        """Clears the thickness box (which has the focus) and types text into it."""
        desktop.key("ctrl+a", "BackSpace", target=self.thickness)
        if text:
            desktop.type(text, target=self.thickness)
        self.wait_box_text(text)

    def leave_with_tab(self) -> None:
        desktop.key("Tab", target=self.main)

    def open_colour_chooser(self, button: int) -> dict:
        desktop.click(button, at=harness.centre_of(self.controls["Picture1"]["rect"]))
        chooser = desktop.wait_program_window(cls=DIALOG_CLASS, title="Color")
        return desktop.probe().window(chooser["handle"])

    def swatch_colour(self) -> tuple[int, int, int]:
        screen = desktop.settled_screen()
        return screen.pixel(*harness.centre_of(self.controls["Picture1"]["rect"]))

    # --- tests --------------------------------------------------------------------------------

    def test_typing_over_the_selected_thickness_stores_every_whole_text(self):
        self.assertEqual(self.focus_name(desktop.probe()), "Text1")
        desktop.type("1", target=self.thickness)
        self.wait_stored("Text1", "1")
        self.assertEqual(self.box_text(), "1", "the opening text was selected and replaced")
        desktop.type("2", target=self.thickness)
        self.wait_stored("Text1", "12")
        self.assertEqual(set((desktop.reg_query(SETTINGS_KEY) or {}).keys()), {"Text1"})

    def test_letters_bring_one_message_then_0_and_the_focus_stays_where_it_went(self):
        self.retype("abc")
        self.wait_stored("Text1", "abc")
        self.leave_with_tab()
        box = desktop.wait_program_window(cls=DIALOG_CLASS)
        snapshot = desktop.probe()
        self.assertEqual(box["text"], APPLICATION_TITLE)
        statics = [w["text"] for w in snapshot.find(cls="Static", within=box["handle"])]
        self.assertIn(NOT_NUMERIC, statics)
        buttons = snapshot.find(cls="Button", within=box["handle"], visible=True)
        self.assertEqual([b["text"] for b in buttons], ["OK"])
        desktop.key("Return", target=box)
        self.wait_box_text("0")
        self.wait_stored("Text1", "0")
        seen = {box["handle"]}
        quiet_until = time.monotonic() + QUIET_SECONDS
        while time.monotonic() < quiet_until:
            snapshot = desktop.probe()
            seen.update(w["handle"] for w in self.dialogs(snapshot))
        self.assertEqual(seen, {box["handle"]}, "exactly one message")
        self.assertEqual(self.focus_name(snapshot), "Picture1", "the focus went where Tab sent it")

    def test_empty_text_and_numbers_are_accepted_as_typed(self):
        for text in ["", "2.5", "-3", "1e3", " 7 "]:
            with self.subTest(text=text):
                self.retype(text)
                self.wait_stored("Text1", text)
                self.leave_with_tab()
                desktop.wait_for(lambda s: self.focus_name(s) == "Picture1", timeout=5,
                                 what="the focus on the swatch")
                desktop.key("shift+Tab", target=self.main)
                desktop.wait_for(lambda s: self.focus_name(s) == "Text1", timeout=5,
                                 what="the focus back in the thickness box")
                snapshot = desktop.probe()
                self.assertEqual(self.dialogs(snapshot), [], "no message")
                self.assertEqual(self.box_text(snapshot), text)
                self.assertEqual(self.stored("Text1"), text)

    def test_tab_into_the_thickness_box_selects_all_of_it(self):
        self.retype("345")
        desktop.key("Tab", "Tab", "Tab", "Tab", target=self.main)  # round to the box again
        desktop.wait_for(lambda s: self.focus_name(s) == "Text1", timeout=5,
                         what="the focus back in the thickness box")
        desktop.type("9", target=self.thickness)
        self.wait_box_text("9")
        self.wait_stored("Text1", "9")

    def test_colour_chooser_green_is_stored_and_a_cancel_writes_the_same_colour_again(self):
        self.retype("5")  # a number, so leaving the box brings no message
        chooser = self.open_colour_chooser(button=1)
        fields = {w["id"]: w for w in desktop.probe().descendants(chooser["handle"])}
        for field, value in ((RED_FIELD, "0"), (GREEN_FIELD, "255"), (BLUE_FIELD, "0")):
            desktop.set_text(fields[field]["handle"], value)
        desktop.post(chooser["handle"], WM_COMMAND, IDOK)
        self.wait_stored("Color", "65280")
        self.assertEqual(self.swatch_colour(), (0, 255, 0))

        # Gone from the store, so that the rewrite after a cancel shows.
        self.assertTrue(desktop.reg_delete(SETTINGS_KEY, "Color"))
        chooser = self.open_colour_chooser(button=3)
        fields = {w["id"]: w for w in desktop.probe().descendants(chooser["handle"])}
        desktop.set_text(fields[RED_FIELD]["handle"], "255")
        desktop.post(chooser["handle"], WM_COMMAND, IDCANCEL)
        self.wait_stored("Color", "65280")
        self.assertEqual(self.swatch_colour(), (0, 255, 0))

    def test_a_screen_reader_reads_the_boxes_by_their_labels_and_start_drawing_as_a_button(self):
        read = {name: desktop.accessible(self.controls[name]["handle"])
                for name in ("Text1", "Picture1", "PushButton2")}
        self.assertEqual(read["Text1"]["name"], "Thickness:")
        self.assertEqual(read["Picture1"]["name"], "Color:")
        self.assertEqual(read["PushButton2"], {"name": "Start Drawing", "role": ROLE_PUSHBUTTON})

    def test_space_or_enter_on_the_focused_swatch_opens_the_chooser_as_a_click_does(self):
        self.retype("5")
        swatch = self.controls["Picture1"]["client"]
        self.assertEqual(desktop.settled_screen().crop(*swatch).colours(), {(255, 0, 0)})
        self.leave_with_tab()
        desktop.wait_for(lambda s: self.focus_name(s) == "Picture1", timeout=5,
                         what="the focus on the swatch")
        self.assertGreater(len(desktop.settled_screen().crop(*swatch).colours()), 1,
                           "the swatch shows a focus rectangle")
        for key in ("space", "Return"):
            desktop.reg_delete(SETTINGS_KEY, "Color")  # so that the write after a cancel shows
            desktop.key(key, target=self.main)
            chooser = desktop.wait_program_window(cls=DIALOG_CLASS, title="Color")
            desktop.post(chooser["handle"], WM_COMMAND, IDCANCEL)
            self.wait_stored("Color", "255")
            desktop.wait_for(lambda s: self.focus_name(s) == "Picture1" and not self.dialogs(s),
                             timeout=5, what="the chooser gone and the focus on the swatch")

    def test_a_long_thickness_comes_back_whole_after_a_restart(self):
        digits = "1234567890" * 250
        desktop.key("ctrl+a", "BackSpace", target=self.thickness)
        desktop.type(digits, target=self.thickness, delay_ms=2)
        self.wait_stored("Text1", digits, timeout=60)  # each key is one write of the whole text
        desktop.stop_program()
        self.start()
        self.assertEqual((self.box_text(), self.stored("Text1")), (digits, digits))

    def test_ticking_and_clearing_the_minimise_box_stores_1_and_0(self):
        self.retype("5")
        check_box = self.controls["Check1"]
        for wanted in ("1", "0"):
            desktop.click(at=harness.centre_of(check_box["rect"]))
            self.wait_stored("Check1", wanted)
            self.assertEqual(desktop.probe().window(check_box["handle"])["check"], int(wanted))


if __name__ == "__main__":
    unittest.main()
