"""The Python module against the command line: the same pixels for every sample type, with and
without alpha; the listings; errors with the command line's messages; the GIL released while the
effect renders. Run by ctest (PYTHONPATH holds the built module, MORVANE_CLI the built program)."""
import os
import subprocess
import tempfile
import threading
import time
import unittest

import numpy as np
import OpenImageIO as oiio

import morvane

CLI = os.environ["MORVANE_CLI"]
DATA = os.environ["MORVANE_TEST_DATA_DIR"]


def picture(width=64, height=48):
    """A crop of the cat photograph as float RGB 0..1, alpha fading across the left columns."""
    cat = oiio.ImageBuf(os.path.join(DATA, "chelsea-crop.ppm")).get_pixels(oiio.FLOAT)
    rgb = cat[24:24 + height, 32:32 + width, :3]
    alpha = np.ones((height, width, 1), np.float32)
    alpha[:, :8, 0] = np.arange(8) / 8.0
    return np.concatenate([rgb, alpha], axis=2)


def as_dtype(image, dtype):
    if dtype == np.uint8:
        return np.round(image * 255).astype(np.uint8)
    if dtype == np.uint16:
        return np.round(image * 65535).astype(np.uint16)
    return image.astype(np.float32)


class MatchesTheCommandLine(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def cli_render(self, array, extension, args):
        source, result = self.path("in." + extension), self.path("out." + extension)
        header = oiio.ImageSpec(array.shape[1], array.shape[0], array.shape[2],
                              {np.dtype(np.uint8): oiio.UINT8, np.dtype(np.uint16): oiio.UINT16,
                               np.dtype(np.float32): oiio.FLOAT}[array.dtype])
        if array.shape[2] == 4:
            header.alpha_channel = 3
        header.attribute("oiio:UnassociatedAlpha", 1)
        out = oiio.ImageOutput.create(source)
        self.assertTrue(out.open(source, header))
        self.assertTrue(out.write_image(array))
        out.close()
        done = subprocess.run([CLI, "render", source, result, "-q"] + args, capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        config = oiio.ImageSpec()
        config.attribute("oiio:UnassociatedAlpha", 1)  # colour as the file stores it
        back = oiio.ImageInput.open(result, config)
        pixels = back.read_image(back.spec().format)
        back.close()
        return pixels

    def test_same_pixels_as_the_command_line(self):
        cases = [
            (np.uint8, 4, "png", {}, []),
            (np.uint8, 3, "png", {"preset": "Bold Strokes"}, ["--preset", "Bold Strokes"]),
            (np.uint16, 4, "png", {"preset": 7, "line_width": 2.5}, ["--preset", "7", "--set", "Line Width=2.5"]),
            (np.uint16, 3, "tif", {"shape_type": "Circle", "fill": True, "opacity": "40%"},
             ["--set", "Shape type=Circle", "--set", "Fill=on", "--set", "Opacity=40%"]),
            (np.float32, 4, "exr", {"preset": "Rectangle Mosaic", "random_seed_evolution": 12},
             ["--preset", "Rectangle Mosaic", "--set", "Random Seed (Evolution)=12"]),
            (np.float32, 3, "tif", {"starting_pos_strategy": "Grid", "grid_randomization": 30},
             ["--set", "Starting Pos. Strategy=Grid", "--set", "Grid Randomization=30"]),
            (np.uint8, 4, "tif", {"depth": 16, "preset": 3}, ["--depth", "16", "-d", "uint8", "--preset", "3"]),
        ]
        for dtype, channels, extension, keywords, args in cases:
            with self.subTest(dtype=dtype.__name__, channels=channels, keywords=keywords):
                array = as_dtype(picture()[:, :, :channels], dtype)
                rendered = morvane.render(array, **keywords)
                self.assertEqual(rendered.dtype, array.dtype)
                self.assertEqual(rendered.shape, array.shape)
                # The program writes alpha even for an opaque input; a 3-channel array gets colour only.
                expected = self.cli_render(array, extension, args)[:, :, :channels]
                self.assertTrue(np.array_equal(rendered, expected))
                self.assertFalse(np.array_equal(rendered, array), "nothing was drawn")

    def test_listings(self):
        names = morvane.presets()
        self.assertEqual(len(names), 20)
        self.assertEqual(names[0], "Rough Scratch")
        self.assertEqual(names[15], "Bold Strokes")
        controls = {c["keyword"]: c for c in morvane.controls()}
        self.assertEqual(controls["line_width"]["name"], "Line Width")
        self.assertEqual((controls["line_width"]["min"], controls["line_width"]["max"]), (1, 32))
        self.assertIn("Circle", controls["shape_type"]["entries"])
        self.assertEqual(controls["fill"]["kind"], "checkbox")
        self.assertIn("random_seed_evolution", controls)
        self.assertNotIn("preset", controls)

    def test_errors_carry_the_command_lines_messages(self):
        array = as_dtype(picture(16, 12), np.uint8)
        cases = [
            ({"line_width": 40}, ValueError, '"Line Width" must be from 1 to 32, got 40'),
            ({"preset": "Foo"}, ValueError, 'unknown preset "Foo"'),
            ({"shape_type": "Hexagon"}, ValueError, '"Shape type" takes one of 1 Line'),
            ({"colour": "red"}, ValueError, 'unknown control "colour"; valid controls: keep_original_image'),
            ({"depth": 12}, ValueError, "depth 12: expected 8, 16 or 32"),
            ({"size": [1, 2]}, TypeError, "control values are numbers, strings or booleans"),
        ]
        for keywords, error, message in cases:
            with self.subTest(keywords=keywords):
                with self.assertRaises(error) as caught:
                    morvane.render(array, **keywords)
                self.assertIn(message, str(caught.exception))
        for bad, error in [(np.zeros((4, 4, 2), np.uint8), ValueError), (np.zeros((4, 4), np.uint8), ValueError),
                           (np.zeros((4, 4, 4), np.float64), TypeError)]:
            with self.subTest(shape=bad.shape, dtype=bad.dtype):
                with self.assertRaises(error):
                    morvane.render(bad)

    def test_the_gil_is_released_while_rendering(self):
        coffee = oiio.ImageBuf(os.path.join(DATA, "coffee-1080p.ppm")).get_pixels(oiio.UINT8)
        ticks = []
        stop = threading.Event()

        def count():
            while not stop.is_set():
                ticks.append(time.perf_counter())
                time.sleep(0.001)

        counter = threading.Thread(target=count)
        counter.start()
        start = time.perf_counter()
        morvane.render(coffee, preset="Tiny Lines", threads=1)
        end = time.perf_counter()
        stop.set()
        counter.join()
        during = [t for t in ticks if start < t < end]
        # A held GIL would stop the counter for the whole render.
        self.assertGreater(end - start, 0.05)
        self.assertGreater(len(during), (end - start) / 0.01)


if __name__ == "__main__":
    unittest.main()
