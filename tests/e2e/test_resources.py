"""What the program file carries: the icon group, the version record and the manifest,
read from the built .exe as the shell would read them, and its PE headers; for the 32-bit
and the 64-bit build alike, also on a host that cannot run one of them."""

import sys
import unittest

import harness

sys.path.insert(0, str(harness.REPO_ROOT / "tools"))
import list_resources as resources  # noqa: E402

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVER_AWARE = 0x0040, 0x0100, 0x8000
GUI_SUBSYSTEM = 2
# What every Windows has in System32: the program brings nothing else.
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
               "msvcrt.dll", "ole32.dll", "oleacc.dll", "oleaut32.dll", "user32.dll"}
# Machine and optional-header magic of each build.
BUILDS = {"win32": (0x14C, 0x10B), "win64": (0x8664, 0x20B)}


class ProgramFile:
    build = ""

    @classmethod
    def setUpClass(cls):
        exe = harness.REPO_ROOT / "build" / cls.build / "bin" / harness.PROGRAM_NAME
        if not exe.is_file():
            raise unittest.SkipTest(f"{exe} is not built")
        cls.image = resources.PeImage(exe.read_bytes())
        cls.found = {(r.type, r.name): r for r in resources.read_resources(exe)}

    def test_headers_say_gui_program_of_its_size_hardened_importing_only_system_dlls(self):
        self.assertEqual((self.image.machine, self.image.magic), BUILDS[self.build])
        self.assertEqual(self.image.subsystem, GUI_SUBSYSTEM)
        for flag in (DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVER_AWARE):
            self.assertTrue(self.image.dll_characteristics & flag, hex(flag))
        self.assertLessEqual({name.lower() for name in self.image.imported_dlls()}, SYSTEM_DLLS)

    def resource(self, rtype, name):
        self.assertIn((rtype, name), self.found, f"resource {name} of type {rtype}")
        return self.found[(rtype, name)]

    def test_icon_group_1_holds_four_images_in_order(self):
        group = resources.decode_group_icon(self.resource(RT_GROUP_ICON, 1).data)
        entries = [(e["id"], e["width"], e["height"], e["bit_count"]) for e in group["entries"]]
        self.assertEqual(entries, [(30001, 32, 32, 24), (30002, 256, 256, 32),
                                   (30003, 128, 128, 32), (30004, 48, 48, 32)])
        for entry in group["entries"]:
            image = resources.decode_icon_image(self.resource(RT_ICON, entry["id"]).data)
            with self.subTest(image=entry["id"]):
                self.assertEqual(image["format"], "dib", "stored as a bitmap, not PNG")
                self.assertEqual(image["compression"], 0)
                self.assertEqual((image["width"], image["height"] // 2, image["bit_count"]),
                                 (entry["width"], entry["height"], entry["bit_count"]))

    def test_version_record(self):
        version = resources.decode_version(self.resource(RT_VERSION, 1).data)
        fixed = version["fixed"]
        self.assertEqual((fixed["file_version"], fixed["product_version"]), ("7.0.0.0", "7.0.0.0"))
        self.assertEqual((fixed["file_flags"], fixed["file_os"], fixed["file_type"]),
                         (0, 0x4, 0x1))
        strings = {k: v.rstrip("\0") for k, v in version["string_tables"]["040904B0"]}
        self.assertEqual(strings, {
            "CompanyName": "Vantorel",
            "ProductName": "Quillmark Orvane",
            "FileVersion": "7.00",
            "ProductVersion": "7.00",
            "InternalName": "Quillmark Orvane",
            "OriginalFilename": "Quillmark Orvane.exe",
        })
        self.assertEqual(version["translations"], [(0x0409, 0x04B0)])

    def test_manifest_asks_for_per_monitor_dpi_and_common_controls_6(self):
        manifest = self.resource(RT_MANIFEST, 1).data.decode("utf-8")
        self.assertIn("PerMonitorV2", manifest)
        self.assertIn("true/pm", manifest)
        self.assertIn(">true</longPathAware>", manifest)
        self.assertIn('name="Microsoft.Windows.Common-Controls"', manifest)
        self.assertIn('version="6.0.0.0"', manifest)


class ProgramFile32Test(ProgramFile, unittest.TestCase):
    build = "win32"


class ProgramFile64Test(ProgramFile, unittest.TestCase):
    build = "win64"


if __name__ == "__main__":
    unittest.main()
