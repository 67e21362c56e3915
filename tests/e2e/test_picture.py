"""The picture of a flat square spanning -1 ... 1 in x and y.  Seen from above
(35 Up, 10 Left) screen right is +y, screen up is -x: an axis-aligned square."""
import math, os, struct, sys, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Viewer, shared_xserver, wait_for

setUpModule, tearDownModule = shared_xserver(globals())
SQUARE = "4 * 4\n" + "".join("%d %d 0\n" % (2 * i - 3, 2 * j - 3) for j in range(4) for i in range(4))
UNIT = 135.6  # pixels per scene unit at the default distance: 250 / (14 tan 7.5 deg)


def byte(*factors):  # a channel from single-precision factors, correctly rounded
    return int(math.prod(struct.unpack("f", struct.pack("f", f))[0] for f in factors) * 255 + 0.5)


BLACK = (0, 0, 0)
AXES = [(byte(0.5), 0, byte(0.2)), (0, byte(0.3), byte(0.2)), (byte(0.1), 0, byte(0.3))]
FRONT_AMBIENT = (byte(0.1, 0.7), byte(0.1, 0.6), byte(0.1, 0.8))  # (18, 15, 20)
BACK_AMBIENT = (byte(0.1, 0.6), byte(0.1, 0.3), byte(0.1, 0.4))   # (15, 8, 10)


near = lambda colour, ref: all(abs(a - b) <= 1 for a, b in zip(colour, ref))
is_axis = lambda c: any(near(c, ref) for ref in AXES)
is_model = lambda c: c != BLACK and not is_axis(c)  # surface or lit line
where = lambda img, pred: {(i, y) for y in range(img.height) for i in range(img.width)
                           if pred(img.pixel(i, y))}
TOP_VIEW = ["Up"] * 35 + ["Left"] * 10


class PictureTest(unittest.TestCase):
    def start(self, *args):
        v = Viewer(x, args, stdin_data=SQUARE)
        self.addCleanup(v.cleanup)
        return v

    def test_background_ambient_and_axis_colours(self):
        v = self.start()
        lit = v.snapshot()
        self.assertEqual({lit.pixel(i, j) for i in (0, 499) for j in (0, 499)}, {BLACK})
        v.keys("1", "2")
        dark = v.snapshot()
        self.assertGreater(len(where(dark, lambda c: near(c, FRONT_AMBIENT))), 1000)
        self.assertEqual(where(dark, lambda c: not (near(c, FRONT_AMBIENT) or is_axis(c)
                                                    or c == BLACK)), set())
        for ref in AXES:  # unlit: the lights change no axis pixel
            shown = where(dark, lambda c: near(c, ref))
            self.assertGreater(len(shown), 100, ref)
            self.assertEqual(shown, where(lit, lambda c: near(c, ref)), ref)
        self.assertEqual(v.quit(), 0)
        back = self.start("-r")
        back.keys("1", "2")
        img = back.snapshot()
        self.assertGreater(len(where(img, lambda c: near(c, BACK_AMBIENT))), 1000)
        self.assertEqual(where(img, lambda c: near(c, FRONT_AMBIENT)), set())

    def test_modes_arrows_and_clipping(self):
        v = self.start()
        whole = v.snapshot()
        v.keys("f")
        plain = v.snapshot().count(is_model)
        self.assertGreater(plain - whole.count(is_model), 300, "black grid lines, gone with f")
        v.keys("w")
        self.assertTrue(500 < v.snapshot().count(is_model) < plain / 5, "lines only")
        v.keys("g")
        for key, undo in [("Left", "Right"), ("Right", "Left"), ("Up", "Down"), ("Down", "Up")]:
            v.keys(key)
            self.assertNotEqual(v.snapshot().rows, whole.rows, key)
            v.keys(undo)
            self.assertEqual(v.snapshot().rows, whole.rows, key)
        v.keys(*TOP_VIEW)
        whole = v.snapshot()
        v.keys("C")
        cut = v.snapshot()
        self.assertGreater(len(where(whole, is_axis)), 300)
        self.assertLessEqual(where(whole, is_axis), where(cut, is_axis), "axes are never clipped")
        edge = 250 + 0.3 * UNIT  # x + z <= 0.3 is kept: the part above this row
        for y in range(100, 400):
            row = [cut.pixel(i, y) for i in range(120, 380)]
            if y < edge - 3:
                self.assertEqual(row, [whole.pixel(i, y) for i in range(120, 380)], y)
            elif y > edge + 3:
                self.assertFalse(any(is_model(c) for c in row), y)

    def test_resize_and_spin(self):
        v = self.start()
        v.keys("a", *TOP_VIEW)
        square = v.snapshot()
        v.resize(800, 600)
        side = 2 * UNIT * 600 / 500  # the height sets the scale
        for size, coords in zip((800, 600), zip(*where(v.snapshot(), is_model))):
            lo, hi = min(coords), max(coords)
            self.assertLessEqual(abs(lo + hi + 1 - size), 2, (lo, hi))
            self.assertLessEqual(abs(hi - lo + 1 - side), 3, (lo, hi))
        v.resize(500, 1)  # X refuses a zero height
        self.assertEqual(v.snapshot().height, 1)
        v.resize(500, 500)
        self.assertEqual(v.snapshot().rows, square.rows)
        v.keys("c")
        wait_for(lambda: v.snapshot().rows != square.rows, "the spin to turn the model")
        v.keys("c")
        stopped = v.snapshot().rows
        self.assertEqual(v.snapshot().rows, stopped)


if __name__ == "__main__":
    unittest.main()
