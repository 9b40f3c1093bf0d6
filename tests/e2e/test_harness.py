"""Checks of the end-to-end harness itself: display, prefix, probe, registry and images."""

import struct
import tempfile
import unittest
from pathlib import Path

import harness

desktop: harness.WineDesktop


def setUpModule():
    global desktop
    desktop = harness.shared_desktop()


class DesktopTest(unittest.TestCase):
    def test_probe_sees_the_whole_screen_at_96_dpi(self):
        snapshot = desktop.probe()
        self.assertEqual(snapshot.screen, (1280, 1024))
        self.assertEqual(snapshot.dpi, 96)
        self.assertTrue(snapshot.top_level, "Wine's own explorer windows should be listed")

    def test_wine_finds_the_symbol_font_of_its_caption_buttons(self):
        # Without it the frames Wine draws show "0 1 r" instead of their buttons.
        self.assertEqual(desktop.probe().data["caption_font"], "Marlett")

    def test_screenshot_and_screen_pixels_cover_the_screen(self):
        path = desktop.screenshot("harness-screen.png")
        self.assertEqual(path.read_bytes()[:8], b"\x89PNG\r\n\x1a\n")
        image = desktop.screen_pixels()
        self.assertEqual((image.width, image.height), (1280, 1024))
        self.assertEqual(len(image.rgb), 1280 * 1024 * 3)

    def test_probe_post_reports_bad_handles_and_arguments(self):
        self.assertEqual(desktop.run_probe("post", "0x7ffffff0", "16", "0", "0"), 1)
        for bad in (["post", "12", "sixteen", "0", "0"], ["post", "0x", "16", "0", "0"],
                    ["post", "1", "16", "0"], ["lst", "x"]):
            with self.subTest(args=bad):
                self.assertEqual(desktop.run_probe(*bad), 2)

    def test_registry_round_trip(self):
        key = r"HKCU\Software\QoHarnessTest"
        self.addCleanup(desktop.reg_delete, key)
        desktop.reg_add(key, "Text value", 'two  spaces, "quotes", back\\slash and \u00e9')
        desktop.reg_add(key, "Number", "5", "REG_DWORD")
        desktop.reg_add(key, "Expand", "%TEMP%\\x", "REG_EXPAND_SZ")
        desktop.reg_add(key, None, "unnamed")
        desktop.reg_add(key + r"\Sub", "Inner", "not listed with the key above")
        self.assertEqual(desktop.reg_query(key), {
            "Text value": ("REG_SZ", 'two  spaces, "quotes", back\\slash and \u00e9'),
            "Number": ("REG_DWORD", 5),
            "Expand": ("REG_EXPAND_SZ", "%TEMP%\\x"),
            "(Default)": ("REG_SZ", "unnamed"),
        })
        self.assertTrue(desktop.reg_delete(key, "Number"))
        self.assertFalse(desktop.reg_delete(key, "Number"))
        self.assertNotIn("Number", desktop.reg_query(key))
        self.assertTrue(desktop.reg_delete(key))
        self.assertIsNone(desktop.reg_query(key))


def bmp_bytes(width, height, pixels, bits, top_down=False):
    """A BMP holding `pixels` (rows top-down of (r, g, b)), written the plain way."""
    step = bits // 8
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for row in pixels:
        data = b"".join(bytes((b, g, r)) + (b"\x00" if step == 4 else b"") for r, g, b in row)
        rows.append(data + b"\x00" * (stride - len(data)))
    if not top_down:
        rows.reverse()
    body = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0,
                       len(body), 3780, 3780, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 54) + info + body


class ImageHelpersTest(unittest.TestCase):
    # 3 x 2 pixels: width 3 makes 24-bit rows need a byte of padding.
    PIXELS = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)],
              [(1, 2, 3), (250, 251, 252), (0, 0, 0)]]

    def test_read_bmp_layouts(self):
        flat = b"".join(bytes(p) for row in self.PIXELS for p in row)
        with tempfile.TemporaryDirectory() as folder:
            for bits in (24, 32):
                for top_down in (False, True):
                    with self.subTest(bits=bits, top_down=top_down):
                        path = Path(folder) / f"{bits}-{top_down}.bmp"
                        path.write_bytes(bmp_bytes(3, 2, self.PIXELS, bits, top_down))
                        self.assertEqual(harness.read_bmp(path), harness.Image(3, 2, flat))
                        self.assertEqual(harness.read_bmp_header(path).bit_count, bits)

    def test_compare_images_counts_and_bounds_differences(self):
        base = harness.Image(4, 3, bytes(4 * 3 * 3))
        changed = bytearray(base.rgb)
        changed[(1 * 4 + 2) * 3] = 9  # (2, 1) red
        changed[(2 * 4 + 1) * 3 + 2] = 2  # (1, 2) blue, within a tolerance of 2
        changed_image = harness.Image(4, 3, bytes(changed))
        self.assertEqual(harness.compare_images(base, base), harness.ImageDiff(0, None))
        self.assertEqual(harness.compare_images(base, changed_image),
                         harness.ImageDiff(2, (1, 1, 3, 3)))
        self.assertEqual(harness.compare_images(base, changed_image, tolerance=2),
                         harness.ImageDiff(1, (2, 1, 3, 2)))

    def test_parse_ppm_with_comment_and_16_bit_channels(self):
        eight = harness.parse_ppm(b"P6\n# made by hand\n2 1\n255\n" + bytes([1, 2, 3, 4, 5, 6]))
        self.assertEqual(eight, harness.Image(2, 1, bytes([1, 2, 3, 4, 5, 6])))
        sixteen = harness.parse_ppm(b"P6 1 1 65535\n" + bytes([7, 0, 8, 0, 9, 0]))
        self.assertEqual(sixteen, harness.Image(1, 1, bytes([7, 8, 9])))


if __name__ == "__main__":
    unittest.main()
