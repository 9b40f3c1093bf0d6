"""The skin file x\\o.cjs beside the program: the button-face look for any file, the skin's own
colours for a skin of ours, what counts as absent, and a file that cannot be opened."""

import collections
import subprocess
import unittest
from pathlib import Path

import harness
import test_start_up

REPO = Path(__file__).resolve().parents[2]
EXAMPLE_SKIN = REPO / "skins" / "example" / "o.cjs"
SKIN = "x/o.cjs"
WHITE = (255, 255, 255)
RED = (255, 0, 0)
# The example skin's colours.
SLATE_WINDOW = (0xDC, 0xE3, 0xEC)
SLATE_FRAME = SLATE_LABEL = (0xC5, 0xD1, 0xE0)
SLATE_EDIT = (0xF7, 0xFA, 0xFD)
SLATE_BUTTON = (0x2F, 0x5D, 0x8A)

RECOLOURED = ("Frame3", "Check1", "Frame1", "Label2", "Label1", "Frame2", "Label4", "Label3")


def setUpModule():
    test_start_up.setUpModule()


def main_colour(image: harness.Image, rect: list[int]) -> tuple[int, int, int]:
    """The colour that covers most of a rectangle (in screen coordinates): its background."""
    part = image.crop(*rect)
    counts = collections.Counter(part.rgb[i:i + 3] for i in range(0, len(part.rgb), 3))
    return tuple(counts.most_common(1)[0][0])


class SkinTest(test_start_up.ProgramTest):
    def desktop(self) -> harness.WineDesktop:
        return test_start_up.desktop

    def colours(self) -> dict[str, tuple[int, int, int]]:
        """The background of every control and, at a point of bare surface, of the window."""
        screen = self.desktop().settled_screen()
        found = {name: main_colour(screen, c["rect"]) for name, c in self.controls.items()}
        left, top = self.main["client"][:2]
        found["Form1"] = screen.pixel(left + 3, top + 3)
        found["Picture1"] = screen.pixel(*harness.centre_of(self.controls["Picture1"]["rect"]))
        return found

    def assert_plain_look(self) -> None:
        colours = self.colours()
        self.assertEqual({n: colours[n] for n in ("Form1", *RECOLOURED)},
                         {n: WHITE for n in ("Form1", *RECOLOURED)})
        self.assertEqual(colours["Picture1"], RED)

    def test_any_skin_file_gives_the_button_face_look_and_no_report(self):
        self.start({SKIN: b"\x00\x01 a skin made for another program \xff"})
        self.opened()
        self.assertEqual(self.dialogs(self.snapshot), [], "no report")
        colours = self.colours()
        scheme = self.desktop().reg_query(r"HKCU\Control Panel\Colors")
        button_face = tuple(int(part) for part in scheme["ButtonFace"][1].split())
        self.assertEqual({n: colours[n] for n in ("Form1", *RECOLOURED)},
                         {n: button_face for n in ("Form1", *RECOLOURED)})
        self.assertEqual((colours["Picture1"], colours["Text1"], colours["PushButton2"]),
                         (RED, WHITE, WHITE), "swatch, thickness box and button keep theirs")

    def test_the_example_skin_draws_the_window_in_its_colours(self):
        self.start({SKIN: EXAMPLE_SKIN})
        self.opened()
        self.assertEqual(self.dialogs(self.snapshot), [], "no report")
        colours = self.colours()
        expected = {"Form1": SLATE_WINDOW, "Frame1": SLATE_FRAME, "Frame2": SLATE_FRAME,
                    "Frame3": SLATE_FRAME, "Label1": SLATE_LABEL, "Label2": SLATE_LABEL,
                    "Label3": SLATE_LABEL, "Label4": SLATE_LABEL, "Check1": SLATE_LABEL,
                    "Text1": SLATE_EDIT, "PushButton2": SLATE_BUTTON, "Picture1": RED}
        self.assertEqual({n: colours[n] for n in expected}, expected)

    def test_a_folder_or_a_hidden_file_named_o_cjs_counts_as_absent(self):
        desktop = self.desktop()
        self.addCleanup(desktop.stop_program)
        for kind in ("folder", "hidden file"):
            with self.subTest(kind):
                files = {"x/o.cjs/inside.txt": b""} if kind == "folder" else {SKIN: EXAMPLE_SKIN}
                exe = desktop.prepare_program_dir(files)
                if kind == "hidden file":
                    skin = harness.to_wine_path(exe.parent / SKIN)
                    harness.run_quiet(["wine", "cmd", "/c", "attrib", "+h", skin],
                                      desktop.wine_env(), 60, desktop.logs / "attrib.log")
                desktop.start_program(exe)
                self.opened()
                self.assertEqual(self.dialogs(self.snapshot), [], "no report")
                self.assert_plain_look()
                desktop.stop_program()

    def test_a_skin_file_that_cannot_be_opened_is_reported_at_line_100(self):
        desktop = self.desktop()
        exe = desktop.prepare_program_dir({SKIN: EXAMPLE_SKIN})
        signal = exe.parent / "held"
        holder = subprocess.Popen(
            ["wine", str(desktop.probe_exe), "hold", harness.to_wine_path(exe.parent / SKIN),
             harness.to_wine_path(signal)],
            env=desktop.wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.addCleanup(harness.stop_popen, holder)
        self.addCleanup(signal.unlink, missing_ok=True)
        harness.poll_until(signal.exists, timeout=30, what="the skin file to be held open")
        desktop.start_program(exe)
        self.addCleanup(desktop.stop_program)
        self.only_report(100)
        self.assertEqual(self.main["text"], test_start_up.CAPTION)
        signal.unlink()
        self.assertEqual(holder.wait(timeout=30), 0, "the file was held until released")


if __name__ == "__main__":
    unittest.main()
