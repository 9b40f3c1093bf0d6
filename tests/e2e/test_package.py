"""The release package: what the zip holds, what the program file carries, and that the
program starts from the unpacked folder."""

import shutil
import subprocess
import sys
import unittest
import zipfile

import harness

sys.path.insert(0, str(harness.REPO_ROOT / "tools"))
import list_resources as resources  # noqa: E402

desktop: harness.WineDesktop

# The zip of the build this host runs: the release (32-bit) or, where the host runs no
# 32-bit code, the 64-bit one.
BITS = harness.host_wine()["QO_BITS"]
DIST = harness.REPO_ROOT / "dist" / ("" if BITS == "32" else "win64")
ZIP = DIST / f"QuillmarkOrvane-7.00-win{BITS}.zip"
FOLDER = "QuillmarkOrvane-7.00/"
PROGRAM = FOLDER + harness.PROGRAM_NAME
MAX_PROGRAM_BYTES = (1536 if BITS == "32" else 2048) * 1024

DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVER_AWARE = 0x0040, 0x0100, 0x8000


def setUpModule():
    global desktop
    log = harness.artifacts_dir() / "logs" / "package.log"
    log.parent.mkdir(parents=True, exist_ok=True)
    command = [str(harness.REPO_ROOT / "scripts" / "package.sh"), "--quiet"]
    with open(log, "wb") as out:
        code = subprocess.run(command + ([] if BITS == "32" else ["--64"]),
                              stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                              timeout=900).returncode
    if code != 0:
        raise harness.HarnessError(f"scripts/package.sh failed with {code}; see {log}")
    desktop = harness.shared_desktop()


class ReleasePackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.archive = zipfile.ZipFile(ZIP)
        cls.names = cls.archive.namelist()

    @classmethod
    def tearDownClass(cls):
        cls.archive.close()

    def tearDown(self):
        desktop.stop_program()

    def test_holds_the_program_and_read_me_and_no_debug_information(self):
        self.assertIn(PROGRAM, self.names)
        self.assertIn(FOLDER + "read-me.txt", self.names)
        self.assertEqual([n for n in self.names if not n.startswith(FOLDER)], [])
        self.assertEqual([n for n in self.names if n.endswith(".debug")], [])
        self.assertTrue((ZIP.parent / (harness.PROGRAM_NAME + ".debug")).is_file())
        read_me = self.archive.read(FOLDER + "read-me.txt").decode("ascii")
        self.assertIn("HKEY_CURRENT_USER\\Software\\Vantorel\\Quillmark Orvane", read_me)
        self.assertIn("x\\o.cjs", read_me)
        # The tree's hand pointer beside the program, the example skin never where it
        # would be active.
        self.assertEqual(self.archive.read(FOLDER + "HAND-M.CUR"),
                         (harness.REPO_ROOT / "src" / "platform" / "win32" / "resources" / "HAND-M.CUR").read_bytes())
        self.assertEqual(self.archive.read(FOLDER + "skin-example/o.cjs"),
                         (harness.REPO_ROOT / "skins" / "example" / "o.cjs").read_bytes())
        self.assertNotIn(FOLDER + "x/o.cjs", self.names)

    def test_program_file_is_small_stamp_free_and_hardened(self):
        data = self.archive.read(PROGRAM)
        self.assertLessEqual(len(data), MAX_PROGRAM_BYTES)
        self.assertNotIn(b".debug_info", data)
        image = resources.PeImage(data)
        self.assertEqual(image.timestamp, 0)
        for flag in (DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVER_AWARE):
            self.assertTrue(image.dll_characteristics & flag, hex(flag))

    def test_program_starts_from_the_unpacked_folder(self):
        folder = desktop.work / "unpacked"
        shutil.rmtree(folder, ignore_errors=True)
        self.archive.extractall(folder)
        desktop.start_program(folder / PROGRAM)
        main = desktop.wait_program_window()
        self.assertTrue(main["visible"])


if __name__ == "__main__":
    unittest.main()
