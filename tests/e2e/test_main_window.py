"""The main window as it opens: its frame, size and place, its controls and the tab order."""

import unittest
from typing import NamedTuple, Optional

import harness

desktop: harness.WineDesktop

# Texts that start-up sets (the thickness as a first start restores it).
OPENING_CAPTION = "Quillmark Orvane"
OPENING_THICKNESS_TEXT = "5"

WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000
WS_CAPTION = 0x00C00000
WS_EX_TOOLWINDOW = 0x00000080


def pixels(twips: int) -> int:
    """Twips to pixels at 96 dots per inch."""
    return round(twips * 96 / 1440)


class Control(NamedTuple):
    name: str
    container: str
    text: Optional[str]  # None: the text is not fixed here
    twips: tuple[int, int, int, int]  # left, top, width, height in the container's client area
    sized_to_text: bool = False  # the width follows the rendered text


# In creation order; each container lists its children in this order.
CONTROLS = [
    Control("Frame3", "Form1", "Minimize Options", (120, 2160, 7800, 735)),
    Control("Check1", "Frame3", "Minimize this window before drawing", (240, 300, 3600, 255)),
    Control("Frame1", "Form1", "Help", (120, 1020, 7800, 1065)),
    Control("Label2", "Frame1", "Right-click to SAVE as image file", (240, 645, 2745, 225), True),
    Control("Label1", "Frame1", "Double left-click to QUIT", (240, 300, 2025, 225), True),
    Control("Frame2", "Form1", "Line Option", (120, 120, 7800, 840)),
    Control("Picture1", "Frame2", "", (3360, 300, 1095, 330)),
    Control("Text1", "Frame2", OPENING_THICKNESS_TEXT, (1200, 300, 1095, 330)),
    Control("Label4", "Frame2", "Thickness:", (180, 353, 930, 225), True),
    Control("Label3", "Frame2", "Color:", (2760, 353, 495, 225), True),
    Control("PushButton2", "Form1", "Start Drawing", (120, 3030, 7800, 405)),
]

# A label sized to its text ends left of the box it names.
LABEL_BEFORE = {"Label4": "Text1", "Label3": "Picture1"}

TAB_ORDER = ["Text1", "Picture1", "Check1", "PushButton2", "Text1"]


def setUpModule():
    global desktop
    desktop = harness.shared_desktop()


def identify_controls(snapshot: harness.Snapshot, main: dict) -> dict[str, dict]:
    """Finds each control by its text, or, for the two boxes whose text varies, by kind:
    the thickness box is the frame's one edit control, the swatch its one child without text."""
    found = {"Form1": main}
    by_text = {c.text: c.name for c in CONTROLS if c.name not in ("Text1", "Picture1")}
    for window in snapshot.descendants(main["handle"]):
        if window["text"] in by_text:
            found[by_text[window["text"]]] = window
    boxes = found["Frame2"]["children"]
    edits = [w for w in boxes if w["class"].lower() == "edit"]
    swatches = [w for w in boxes if w["class"].lower() != "edit" and w["text"] == ""]
    if len(edits) == 1:
        found["Text1"] = edits[0]
    if len(swatches) == 1:
        found["Picture1"] = swatches[0]
    return found


class MainWindowTest(unittest.TestCase):
    def setUp(self):
        desktop.reg_delete(r"HKCU\Software\Vantorel\Quillmark Orvane")  # a first start
        desktop.start_program()
        self.addCleanup(desktop.stop_program)
        self.main = desktop.wait_program_window()
        self.snapshot = desktop.probe()
        self.main = self.snapshot.window(self.main["handle"])

    def test_one_fixed_window_centred_on_the_screen(self):
        self.assertEqual(len(desktop.program_windows(self.snapshot, visible=True)), 1)
        self.assertEqual(self.main["text"], OPENING_CAPTION)
        self.assertEqual(harness.size_of(self.main["client"]), (536, 237))
        width, height = harness.size_of(self.main["rect"])
        self.assertEqual(self.main["rect"][:2], [(1280 - width) // 2, (1024 - height) // 2],
                         "the outer window is centred on the 1280 x 1024 screen")
        self.assertFalse(self.main["iconic"] or self.main["zoomed"], "opens in the normal state")
        style = self.main["style"]
        self.assertEqual(style & WS_CAPTION, WS_CAPTION)
        self.assertTrue(style & WS_SYSMENU and style & WS_MINIMIZEBOX)
        self.assertFalse(style & WS_MAXIMIZEBOX, "cannot be maximised")
        self.assertFalse(style & WS_THICKFRAME, "cannot be resized")
        self.assertFalse(self.main["owner"] or self.main["exstyle"] & WS_EX_TOOLWINDOW,
                         "an unowned, ordinary window has a taskbar button")

    def test_controls_have_their_texts_containers_and_places(self):
        found = identify_controls(self.snapshot, self.main)
        for control in CONTROLS:
            with self.subTest(control=control.name):
                self.assertIn(control.name, found, "control not found")
                window, container = found[control.name], found[control.container]
                self.assertEqual(window["parent"], container["handle"], "container")
                self.assertTrue(window["visible"])
                self.assertEqual(window["text"], control.text)
                left, top, width, height = harness.client_relative(window, container)
                expected = tuple(pixels(t) for t in control.twips)
                if control.sized_to_text:
                    self.assertEqual((left, top, height), expected[:2] + expected[3:])
                    self.assertGreater(width, 0)
                else:
                    self.assertEqual((left, top, width, height), expected)
        for label, box in LABEL_BEFORE.items():
            with self.subTest(label=label):
                self.assertLessEqual(found[label]["rect"][2], found[box]["rect"][0])

    def test_children_come_in_creation_order_but_a_label_right_before_the_box_it_names(self):
        found = identify_controls(self.snapshot, self.main)
        handles = {found[c.name]["handle"]: c.name for c in CONTROLS if c.name in found}
        for container in ("Form1", "Frame3", "Frame1", "Frame2"):
            with self.subTest(container=container):
                children = [handles.get(w["handle"], w["class"])
                            for w in found[container]["children"]]
                expected = [c.name for c in CONTROLS if c.container == container]
                for label, box in LABEL_BEFORE.items():  # as a screen reader expects
                    if label in expected:
                        expected.remove(label)
                        expected.insert(expected.index(box), label)
                self.assertEqual(children, expected)

    def test_tab_moves_the_focus_through_the_four_input_controls(self):
        found = identify_controls(self.snapshot, self.main)
        handles = {found[name]["handle"]: name for name in set(TAB_ORDER)}

        def focus_name(snapshot):
            focus = snapshot.focus_of(self.main)
            return handles.get(focus["handle"], focus["class"]) if focus else None

        visited = [focus_name(self.snapshot)]
        for _ in TAB_ORDER[1:]:
            desktop.key("Tab", target=self.main)
            try:
                visited.append(desktop.wait_for(
                    lambda s: focus_name(s) != visited[-1] and focus_name(s), timeout=5,
                    what=f"the focus to leave {visited[-1]}"))
            except TimeoutError:
                visited.append(f"(Tab left the focus on {visited[-1]})")
                break
        self.assertEqual(visited, TAB_ORDER)


if __name__ == "__main__":
    unittest.main()
