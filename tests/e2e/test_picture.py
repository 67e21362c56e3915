"""The picture of a flat square spanning -1 ... 1 in x and y.  Seen from above
(35 Up, 10 Left) screen right is +y, screen up is -x: an axis-aligned square."""
import functools, os, sys, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Viewer, shared_xserver, wait_for

setUpModule, tearDownModule = shared_xserver(globals())
SQUARE = "4 * 4\n" + "".join("%d %d 0\n" % (i, j) for j in range(-3, 4, 2) for i in range(-3, 4, 2))
UNIT = 135.6  # pixels per scene unit at the default distance: 250 / (14 tan 7.5 deg)
# 255 times the float products: the axes' colours; 0.1 ambient light on the two materials.
BLACK, AXES = (0, 0, 0), [(128, 0, 51), (0, 77, 51), (26, 0, 77)]  # (.5 0 .2) (0 .3 .2) (.1 0 .3)
FRONT_AMBIENT, BACK_AMBIENT = (18, 15, 20), (15, 8, 10)  # 0.1 (.7 .6 .8), 0.1 (.6 .3 .4)

near = lambda colour, ref: all(abs(a - b) <= 1 for a, b in zip(colour, ref))
is_axis = lambda c: any(near(c, ref) for ref in AXES)
is_model = lambda c: c != BLACK and not is_axis(c)  # surface or lit line
TOP_VIEW = ["Up"] * 35 + ["Left"] * 10


def where(img, pred):  # the pixels whose colour passes, asking once per colour
    pred = functools.cache(pred)
    return {(i, y) for y in range(img.height) for i in range(img.width) if pred(img.pixel(i, y))}


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
        v.cleanup()  # its window has the same title
        back = self.start("-r")
        back.keys("1", "2")
        img = back.snapshot()
        self.assertGreater(len(where(img, lambda c: near(c, BACK_AMBIENT))), 1000)
        self.assertEqual(where(img, lambda c: near(c, FRONT_AMBIENT)), set())

    def test_modes_arrows_clipping_resize_and_spin(self):
        v = self.start()
        whole = v.snapshot()
        v.keys("f")
        plain = len(where(v.snapshot(), is_model))
        self.assertGreater(plain - len(where(whole, is_model)), 300, "the black grid, gone with f")
        v.keys("w")
        self.assertTrue(500 < len(where(v.snapshot(), is_model)) < plain / 5, "lines only")
        v.keys("g")
        for keys in [("Left", "Right"), ("Up", "Down")]:  # the top view shows Left and Up turn
            v.keys(*keys)
            self.assertEqual(v.snapshot().rows, whole.rows, keys)
        v.keys(*TOP_VIEW)
        whole = v.snapshot()
        v.keys("C")
        cut = v.snapshot()
        self.assertGreater(len(where(whole, is_axis)), 300)
        self.assertLessEqual(where(whole, is_axis), where(cut, is_axis), "axes are never clipped")
        edge = int(250 + 0.3 * UNIT)  # x + z <= 0.3 is kept: the part above this row
        self.assertTrue(cut.rows[:edge - 3] == whole.rows[:edge - 3], "the kept part changed")
        self.assertLessEqual(max(y for _, y in where(cut, is_model)), edge + 3)
        v.keys("C", "a")  # the whole square, no axes
        square = v.snapshot()
        v.resize(800, 600)
        side = 2 * UNIT * 600 / 500  # the height sets the scale
        for size, coords in zip((800, 600), zip(*where(v.snapshot(), is_model))):
            lo, hi = min(coords), max(coords)
            self.assertLessEqual(abs(lo + hi + 1 - size), 2, (lo, hi))
            self.assertLessEqual(abs(hi - lo + 1 - side), 3, (lo, hi))
        v.resize(500, 500)
        self.assertEqual(v.snapshot().rows, square.rows)
        v.keys("c")
        wait_for(lambda: v.snapshot().rows != square.rows, "the spin to turn the model")
        v.keys("c")
        self.assertTrue(v.snapshot().rows == v.snapshot().rows, "the model still turns")


if __name__ == "__main__":
    unittest.main()
