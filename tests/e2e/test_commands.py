"""Keys, pop-up menu and saved file of a running viewer."""
import os, struct, subprocess, sys, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import SOURCE, TIMEOUT, Viewer, shared_xserver, wait_for

setUpModule, tearDownModule = shared_xserver(globals())
MESH = os.path.join(SOURCE, "examples", "saddle.mesh")
SAVED = 'Saving Image to "quarvel.bmp"\nDone!\n'
# The first key changes the picture, the rest restore it.
UNDONE = [s.split() for s in ("f f", "s s", "w w", "a a", "C C", "1 1", "2 2", "r r", "z g", "Z g",
                              "plus r r", "minus r r", "semicolon r r")]
# The keys of the menu entries, top to bottom; the first main entry opens the submenu.
MAIN, SUB = ">c12udrBq", "sfwaC"
STEPS = "ufsaC1rdw2"  # each one changes the picture


def menus():  # [(x, y, width, height)] of the menus on screen
    out = x.run("xdotool", "search", "--onlyvisible", "--name", "^freeglut menu$",
                "getwindowgeometry", "--shell", "%@", check=False).stdout.split()
    values = [int(f.split("=")[1]) for f in out if f.split("=")[0] in ("X", "Y", "WIDTH", "HEIGHT")]
    return sorted(zip(*[iter(values)] * 4))


def choose(v, key):  # clicks the menu entry of key, through the submenu if need be
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

    def picture(self, *keys):  # rows: compared with assertTrue, as assertEqual's diff is slow
        if keys:
            self.v.keys(*keys)
        return self.v.snapshot().rows

    def test_keys_their_undoing_and_q(self):
        start, first = self.picture(), {}
        for key in ["b", "Q", "space", "Escape"]:  # not commands
            self.assertTrue(self.picture(key) == start, key)
        for key, *undo in UNDONE:
            first[key] = self.picture(key)
            self.assertTrue(first[key] != start, key + ": no change")
            self.assertTrue(self.picture(*undo) == start, key + ": not restored")
        self.assertTrue(first["minus"] == first["semicolon"], "- and ; differ")
        self.assertEqual(self.v.stdout(), SAVED * (5 + 2 * len(UNDONE)))
        self.v.keys("q", check=False)
        self.assertEqual((self.v.wait_exit(), self.v.stderr()), (0, ""))

    def test_menu_entries_do_what_their_keys_do(self):
        by_menu = [self.picture()]
        for key in STEPS:
            choose(self.v, key)
            by_menu.append(self.v.snapshot().rows)
            self.assertTrue(by_menu[-2] != by_menu[-1], key + ": no change")
        choose(self.v, "c")
        spinning = self.v.snapshot().rows
        wait_for(lambda: self.v.snapshot().rows != spinning, "the model to turn")
        choose(self.v, "c")
        self.assertTrue(self.v.snapshot().rows == self.v.snapshot().rows, "the model still turns")
        out = self.v.stdout()
        choose(self.v, "B")
        wait_for(lambda: self.v.stdout() == out + SAVED, "the save from the menu")
        choose(self.v, "q")
        self.assertEqual(self.v.wait_exit(), 0)
        with Viewer(x, [MESH]) as v:
            for key, menu_rows in zip(STEPS, by_menu[1:]):
                v.keys(key)
                self.assertTrue(v.snapshot().rows == menu_rows, key)

    def check_file(self, data, w, h):  # exact header, zero padding, and the window's pixels
        stride = 3 * w + w % 4
        self.assertEqual(data[:54], b"BM" + struct.pack("<IHHIIiiHH", 54 + h * stride, 0, 0, 54,
                                                        40, w, h, 1, 24) + bytes(24))
        self.assertEqual(len(data), 54 + h * stride)
        rows = [data[54 + r * stride:54 + (r + 1) * stride] for r in reversed(range(h))]
        self.assertEqual({row[3 * w:] for row in rows}, {bytes(w % 4)})
        rgb = bytearray(b"".join(row[:3 * w] for row in rows))
        rgb[0::3], rgb[2::3] = rgb[2::3], rgb[0::3]
        ppm = b"P6\n%d %d\n255\n" % (w, h) + rgb  # the window may show it a moment later
        window = ["import", "-window", self.v.window, "-depth", "8", "ppm:-"]
        wait_for(lambda: subprocess.run(window, env=x.env, capture_output=True, check=True,
                                        timeout=TIMEOUT).stdout == ppm, "the file in the window")

    def test_failed_and_good_saves_then_close(self):
        target = os.path.join(self.v.cwd, "quarvel.bmp")
        os.mkdir(target)  # unopenable even for root
        self.v.keys("B")
        self.assertEqual(wait_for(self.v.stderr, "a message"), "can't open quarvel.bmp\n")
        os.rmdir(target)
        os.symlink("/dev/full", target)
        self.v.keys("B")
        err = wait_for(lambda: self.v.stderr().count("\n") > 1 and self.v.stderr(), "a message")
        self.assertRegex(err, r"\Acan't open quarvel.bmp\n[^\n]*quarvel\.bmp[^\n]*\n\Z")
        os.remove(target)
        data = self.v.save()
        self.assertGreater(len(set(data[54::3])), 10)  # the surface, not one colour
        self.check_file(data, 500, 500)
        for w, h in [(501, 500), (3, 2), (2, 3), (1, 1)]:  # each save truncates the last
            self.v.resize(w, h)
            self.check_file(self.v.save(), w, h)
        self.assertEqual(self.v.stdout(), SAVED.split("\n")[0] + "\n" + SAVED * 5)  # one failed
        self.v.close_window()
        self.assertEqual(self.v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
