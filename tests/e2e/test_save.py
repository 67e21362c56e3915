"""Saving the window as quarvel.bmp: layout, padding, pixels and failures."""
import os
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import TIMEOUT, Viewer, XServer, wait_for  # noqa: E402

SOURCE = os.environ.get("QUARVEL_SOURCE_DIR",
                        os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
MESH = os.path.join(SOURCE, "examples", "saddle.mesh")
SAVING = 'Saving Image to "quarvel.bmp"\n'

x = None


def setUpModule():
    global x
    x = XServer()


def tearDownModule():
    x.stop()


def window_rgb(viewer):
    """What the X server shows in the window: (width, height, rgb rows top-down)."""
    data = subprocess.run(["/usr/bin/import", "-window", viewer.window, "-depth", "8", "ppm:-"],
                          env=x.env, capture_output=True, check=True, timeout=TIMEOUT).stdout
    magic, size, maxval, pixels = data.split(b"\n", 3)
    assert magic == b"P6" and maxval == b"255", data[:20]
    width, height = map(int, size.split())
    return width, height, pixels


def expected_header(width, height):
    size = 54 + height * (3 * width + width % 4)
    return (b"BM" + struct.pack("<IHHIIiiHH", size, 0, 0, 54, 40, width, height, 1, 24)
            + bytes(24))


class SaveTest(unittest.TestCase):
    def setUp(self):
        self.v = Viewer(x, [MESH])

    def tearDown(self):
        self.v.cleanup()

    def check_file(self, data, width, height):
        """Header, size, zero padding, and pixels equal to the window's."""
        stride = 3 * width + width % 4
        self.assertEqual(len(data), 54 + height * stride)
        self.assertEqual(data[:54], expected_header(width, height))
        top_down = []
        for row in range(height):
            # File rows run bottom-up, blue first.
            start = 54 + (height - 1 - row) * stride
            bgr = data[start:start + 3 * width]
            rgb = bytearray(3 * width)
            rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
            top_down.append(bytes(rgb))
            self.assertEqual(data[start + 3 * width:start + stride], bytes(width % 4))
        # The save draws its own frame; the window may show it a moment
        # later, when the frame that GLUT draws after the key is swapped in.
        expected = (width, height, b"".join(top_down))
        try:
            wait_for(lambda: window_rgb(self.v) == expected, "the window to show the saved picture")
        except TimeoutError:
            shown = window_rgb(self.v)[2]
            rows = sum(shown[r * 3 * width:(r + 1) * 3 * width] != top_down[r] for r in range(height))
            self.fail("the file differs from the window in %d rows" % rows)

    def test_start_window(self):
        data = self.v.save()
        self.check_file(data, 500, 500)
        self.assertEqual(len(data), 750054)
        self.assertEqual(self.v.stdout(), SAVING + "Done!\n")
        self.assertEqual(self.v.stderr(), "")
        # The surface is on screen, so the picture is not one colour.
        self.assertGreater(len(set(data[54:54 + 1500 * 500:3])), 10)

    def test_sizes_and_padding(self):
        # From larger to smaller, so each save must also truncate the last.
        for width, height in [(501, 500), (4, 5), (3, 2), (2, 3), (1, 1)]:
            with self.subTest(width=width, height=height):
                self.v.resize(width, height)
                self.check_file(self.v.save(), width, height)
        self.assertEqual(os.path.getsize(os.path.join(self.v.cwd, "quarvel.bmp")), 58)
        self.assertEqual(self.v.stdout(), (SAVING + "Done!\n") * 5)

    def save_with_message(self):
        """Presses B and returns what appears on standard error then."""
        before = len(self.v.stderr())
        self.v.keys("B")

        def message():
            err = self.v.stderr()[before:]
            return err.endswith("\n") and err
        return wait_for(message, "a message on standard error")

    def test_unwritable_target(self):
        target = os.path.join(self.v.cwd, "quarvel.bmp")
        # Root ignores directory permissions: use targets no one can open.
        makers = {"a directory": lambda: os.mkdir(target),
                  "a dangling symlink": lambda: os.symlink("/nonexistent-quarvel/x.bmp", target)}
        for what, make in makers.items():
            with self.subTest(what):
                make()
                self.assertEqual(self.save_with_message(), "can't open quarvel.bmp\n")
                self.assertEqual(self.v.stdout(), "")
                (os.rmdir if os.path.isdir(target) else os.remove)(target)
        # The viewer goes on and saves once the name is free.
        self.check_file(self.v.save(), 500, 500)

    def test_full_disk(self):
        target = os.path.join(self.v.cwd, "quarvel.bmp")
        os.symlink("/dev/full", target)
        err = self.save_with_message()
        self.assertEqual(err.count("\n"), 1)
        self.assertIn("quarvel.bmp", err)
        self.assertEqual(self.v.stdout(), SAVING)
        os.remove(target)
        self.check_file(self.v.save(), 500, 500)
        self.assertEqual(self.v.stdout(), SAVING * 2 + "Done!\n")

    def test_closing_the_window_exits_0(self):
        self.v.close_window()
        self.assertEqual(self.v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
