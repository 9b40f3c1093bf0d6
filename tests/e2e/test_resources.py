"""What the program file carries: the icon group, the version record and the manifest,
read from the built .exe as the shell would read them."""

import sys
import unittest

import harness

sys.path.insert(0, str(harness.REPO_ROOT / "tools"))
import list_resources as resources  # noqa: E402

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


class ProgramFileResourcesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        exe = harness.default_build_dir() / "bin" / "Quillmark Orvane.exe"
        cls.found = {(r.type, r.name): r for r in resources.read_resources(exe)}

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


if __name__ == "__main__":
    unittest.main()
