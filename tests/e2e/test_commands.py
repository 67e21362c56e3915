"""Keys, pop-up menu and saved file of a running viewer."""
import os
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import TIMEOUT, Viewer, XServer, wait_for  # noqa: E402

SOURCE = os.environ.get("QUARVEL_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
MESH = os.path.join(SOURCE, "examples", "saddle.mesh")
SAVED = 'Saving Image to "quarvel.bmp"\nDone!\n'
NAMES = {"+": "plus", "-": "minus", ";": "semicolon"}
# The first key changes the picture, the rest restore it.
UNDONE = ["ff", "ss", "ww", "aa", "CC", "11", "22", "rr", "zg", "Zg", "+rr", "-rr", ";rr"]
# The keys of the menu entries, top to bottom; the first main entry opens the submenu.
MAIN, SUB = ">c12udrBq", "sfwaC"
STEPS = "ufsaC1rdw2"  # each one changes the picture
x = XServer()


def tearDownModule():
    x.stop()


def menus():
    """[(x, y, width, height)] of the menus on screen."""
    out = x.run("xdotool", "search", "--onlyvisible", "--name", "^freeglut menu$",
                "getwindowgeometry", "--shell", "%@", check=False).stdout.split()
    values = [int(f.split("=")[1]) for f in out if f.split("=")[0] in ("X", "Y", "WIDTH", "HEIGHT")]
    return sorted(zip(*[iter(values)] * 4))


def choose(v, key):
    """Clicks the menu entry of key, through the submenu if need be."""
    x.run("xdotool", "mousemove", "--window", v.window, "20", "20", "click", "3")
    for depth, entries in enumerate([MAIN, SUB][:1 + (key in SUB)]):
        left, top, width, height = wait_for(lambda: menus()[depth:], "a menu")[0]
        index = entries.index(key) if key in entries else 0
        x.run("xdotool", "mousemove", str(left + width // 2),
              str(top + height * (2 * index + 1) // (2 * len(entries))))
    x.run("xdotool", "click", "1")
    if key != "q":
        wait_for(lambda: not menus(), "the menu to close")


class ViewerTest(unittest.TestCase):
    def setUp(self):
        self.v = Viewer(x, [MESH])
        self.addCleanup(self.v.cleanup)

    def picture(self, *keys):
        if keys:
            self.v.keys(*[NAMES.get(k, k) for k in keys])
        return self.v.snapshot().rows

    def same(self, first, second, msg="the pictures differ"):
        self.assertTrue(first == second, msg)  # assertEqual's diff of pictures is slow

    def test_ignored_keys_then_q(self):
        start = self.picture()
        for key in ["b", "Q", "space", "Escape"]:
            self.same(self.picture(key), start, key)
        self.assertEqual(self.v.stdout(), SAVED * 5)
        self.v.keys("q", check=False)
        self.assertEqual(self.v.wait_exit(), 0)
        self.assertEqual(self.v.stderr(), "")

    def test_keys_and_their_undoing(self):
        start, first = self.picture(), {}
        for sequence in UNDONE:
            first[sequence[0]] = self.picture(sequence[0])
            self.assertTrue(first[sequence[0]] != start, sequence + ": no change")
            self.same(self.picture(*sequence[1:]), start, sequence + ": not restored")
        self.same(first["-"], first[";"])

    def test_menu_entries_do_what_their_keys_do(self):
        start, by_menu = self.picture(), []
        for key in STEPS:
            choose(self.v, key)
            by_menu.append(self.v.snapshot().rows)
        for before, after in zip([start] + by_menu, by_menu):
            self.assertTrue(before != after, "an entry changed nothing")
        choose(self.v, "c")
        spinning = self.v.snapshot().rows
        wait_for(lambda: self.v.snapshot().rows != spinning, "the model to turn")
        choose(self.v, "c")
        self.same(self.v.snapshot().rows, self.v.snapshot().rows, "the model still turns")
        out = self.v.stdout()
        choose(self.v, "B")
        wait_for(lambda: self.v.stdout() == out + SAVED, "the save from the menu")
        choose(self.v, "q")
        self.assertEqual(self.v.wait_exit(), 0)
        with Viewer(x, [MESH]) as v:
            for key, menu_rows in zip(STEPS, by_menu):
                v.keys(key)
                self.same(v.snapshot().rows, menu_rows, key)

    def check_file(self, data, w, h):
        """Exact header, zero padding, and the window's pixels."""
        stride = 3 * w + w % 4
        self.assertEqual(data[:54], b"BM" + struct.pack("<IHHIIiiHH", 54 + h * stride, 0, 0, 54,
                                                        40, w, h, 1, 24) + bytes(24))
        self.assertEqual(len(data), 54 + h * stride)
        rows = [data[54 + r * stride:54 + (r + 1) * stride] for r in reversed(range(h))]
        self.assertEqual({row[3 * w:] for row in rows}, {bytes(w % 4)})
        rgb = bytearray(b"".join(row[:3 * w] for row in rows))
        rgb[0::3], rgb[2::3] = rgb[2::3], rgb[0::3]
        # The window may show the saved frame a moment later.
        ppm = b"P6\n%d %d\n255\n" % (w, h) + rgb
        window = ["import", "-window", self.v.window, "-depth", "8", "ppm:-"]
        wait_for(lambda: subprocess.run(window, env=x.env, capture_output=True, check=True,
                                        timeout=TIMEOUT).stdout == ppm, "the window to show the file")

    def test_saved_file(self):
        data = self.v.save()
        self.assertEqual(len(data), 750054)
        self.assertGreater(len(set(data[54::3])), 10)  # the surface, not one colour
        self.check_file(data, 500, 500)
        for w, h in [(501, 500), (3, 2), (2, 3), (1, 1)]:  # each save truncates the last
            self.v.resize(w, h)
            self.check_file(self.v.save(), w, h)
        self.assertEqual(self.v.stdout(), SAVED * 5)

    def test_failed_saves_then_close(self):
        target = os.path.join(self.v.cwd, "quarvel.bmp")
        os.mkdir(target)  # unopenable even for root
        self.v.keys("B")
        self.assertEqual(wait_for(self.v.stderr, "a message"), "can't open quarvel.bmp\n")
        self.assertEqual(self.v.stdout(), "")
        os.rmdir(target)
        os.symlink("/dev/full", target)
        self.v.keys("B")
        err = wait_for(lambda: self.v.stderr().count("\n") > 1 and self.v.stderr(), "a message")
        self.assertRegex(err, r"\Acan't open quarvel.bmp\n[^\n]*quarvel\.bmp[^\n]*\n\Z")
        self.assertEqual(self.v.stdout(), SAVED.split("\n")[0] + "\n")
        os.remove(target)
        self.check_file(self.v.save(), 500, 500)
        self.v.close_window()
        self.assertEqual(self.v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
