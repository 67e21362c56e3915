"""The picture in the window: colours, drawing modes, clipping, camera, spin, resize.

Two surfaces, made here: the flat 4 x 6 grid (i, j, 0), which fits the view
at scale 0.2, and a flat square grid spanning -1 ... 1 in x and y about the
origin.  Seen from straight above with the azimuth turned to 0 (35 Up, then
10 Left), screen right is +y and screen up is -x, and the square shows as an
axis-aligned square centred in the window.
"""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import TIMEOUT, Viewer, XServer, wait_for  # noqa: E402

x = None


def setUpModule():
    global x
    x = XServer()


def tearDownModule():
    x.stop()


def grid_text(rows, cols, point):
    """Mesh data: header, then the points column by column."""
    lines = ["%d * %d" % (rows, cols)]
    for j in range(cols):
        for i in range(rows):
            lines.append("%r %r %r" % point(i, j))
    return "\n".join(lines) + "\n"


FLAT_4x6 = grid_text(4, 6, lambda i, j: (i, j, 0))
SQUARE = grid_text(4, 4, lambda i, j: (2 * i - 3, 2 * j - 3, 0))  # scale 1/3


def f32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def byte(*factors):
    """An 8-bit channel from single-precision factors, correctly rounded."""
    product = 1.0
    for factor in factors:
        product *= f32(factor)
    return int(product * 255 + 0.5)


BLACK = (0, 0, 0)
AXES = {"x": (byte(0.5), 0, byte(0.2)), "y": (0, byte(0.3), byte(0.2)),
        "z": (byte(0.1), 0, byte(0.3))}
FRONT_AMBIENT = (byte(0.1, 0.7), byte(0.1, 0.6), byte(0.1, 0.8))  # (18, 15, 20)
BACK_AMBIENT = (byte(0.1, 0.6), byte(0.1, 0.3), byte(0.1, 0.4))   # (15, 8, 10)
# Pixels per scene unit at the default distance: 250 / (14 tan 7.5 deg).
UNIT = 135.6


def near(colour, ref, tol=1):
    return all(abs(a - b) <= tol for a, b in zip(colour, ref))


def is_axis(colour):
    return any(near(colour, ref) for ref in AXES.values())


def is_model(colour):
    """Surface or lit line: anything but background and axes."""
    return colour != BLACK and not is_axis(colour)


def pixels(img):
    for y in range(img.height):
        for x_ in range(img.width):
            yield x_, y, img.pixel(x_, y)


def where(img, predicate):
    return {(px, py) for px, py, c in pixels(img) if predicate(c)}


def bbox(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


def inside_black(img):
    """(black, model) pixel counts between the first and last model pixel of
    every row: the flat surface projects to a convex shape, so a black pixel
    there is a grid line (or a hole)."""
    black = model = 0
    for y in range(img.height):
        row = [img.pixel(x_, y) for x_ in range(img.width)]
        hits = [i for i, c in enumerate(row) if is_model(c)]
        if hits:
            span = row[hits[0]:hits[-1] + 1]
            black += sum(1 for c in span if c == BLACK)
            model += len(hits)
    return black, model


def press(viewer, *keys):
    """Sends many keys with one xdotool call, in order."""
    x.run("xdotool", "key", "--window", viewer.window, *keys)


def top_view(viewer):
    press(viewer, *(["Up"] * 35 + ["Left"] * 10))


class PictureTest(unittest.TestCase):
    def start(self, mesh, *args):
        v = Viewer(x, list(args), stdin_data=mesh)
        self.addCleanup(v.cleanup)
        return v

    def assertAlive(self, v):
        self.assertIsNone(v.proc.poll(), v.stderr())

    def test_ambient_colours_and_unlit_axes(self):
        v = self.start(FLAT_4x6)
        lit = v.snapshot()
        for corner in [(0, 0), (499, 0), (0, 499), (499, 499)]:
            self.assertEqual(lit.pixel(*corner), BLACK)
        self.assertGreater(len(where(lit, lambda c: c == BLACK)), 0.9 * 500 * 500)
        press(v, "1", "2")
        dark = v.snapshot()
        self.assertGreater(len(where(dark, lambda c: near(c, FRONT_AMBIENT))), 1000)
        # Nothing but the ambient share, the axes, the black lines and background.
        self.assertEqual(where(dark, lambda c: not (near(c, FRONT_AMBIENT) or is_axis(c)
                                                    or c == BLACK)), set())
        for name, ref in AXES.items():
            with self.subTest(axis=name):
                shown = where(dark, lambda c: near(c, ref))
                self.assertGreater(len(shown), 100)
                # Unlit: the lights change no axis pixel.
                self.assertEqual(shown, where(lit, lambda c: near(c, ref)))
        self.assertEqual(v.quit(), 0)

        back = self.start(FLAT_4x6, "-r")
        press(back, "1", "2")
        img = back.snapshot()
        self.assertGreater(len(where(img, lambda c: near(c, BACK_AMBIENT))), 1000)
        self.assertEqual(len(where(img, lambda c: near(c, FRONT_AMBIENT))), 0)

    def test_drawing_modes(self):
        v = self.start(SQUARE)
        black, model = inside_black(v.snapshot())
        self.assertGreater(model, 20000)
        self.assertGreater(black, 300, "grid lines over the surface")
        press(v, "f")
        black, model_plain = inside_black(v.snapshot())
        self.assertEqual(black, 0, "no grid lines and no holes")
        press(v, "w")
        black, lines = inside_black(v.snapshot())
        # Lit lines only: the cells between them are empty.
        self.assertGreater(lines, 500)
        self.assertLess(lines, model_plain / 5)
        self.assertGreater(black, model_plain / 2)

    def test_clip_plane_cuts_the_surface_only(self):
        v = self.start(SQUARE)
        whole = v.snapshot()
        press(v, "C")
        cut = v.snapshot()
        axes_before = where(whole, is_axis)
        self.assertGreater(len(axes_before), 300)
        self.assertLessEqual(axes_before, where(cut, is_axis), "axes are never clipped")
        kept = len(where(cut, is_model))
        self.assertTrue(0.1 * len(where(whole, is_model)) < kept < 0.8 * len(where(whole, is_model)))

        # From above, x + z <= 0.3 is the part above screen row 250 + 0.3 UNIT.
        top_view(v)
        cut = v.snapshot()
        press(v, "C")
        whole = v.snapshot()
        edge = 250 + 0.3 * UNIT
        for y in range(100, 400):
            row_cut = [cut.pixel(i, y) for i in range(120, 380)]
            if y < edge - 3:
                self.assertEqual(row_cut, [whole.pixel(i, y) for i in range(120, 380)], y)
            elif y > edge + 3:
                self.assertFalse(any(is_model(c) for c in row_cut), y)

    def test_arrow_keys_and_top_view(self):
        v = self.start(SQUARE)
        start = v.snapshot()
        for key in ["Left", "Right", "Up", "Down"]:
            with self.subTest(key=key):
                press(v, key)
                self.assertNotEqual(v.snapshot().rows, start.rows)
                undo = {"Left": "Right", "Right": "Left", "Up": "Down", "Down": "Up"}[key]
                press(v, undo)
                self.assertEqual(v.snapshot().rows, start.rows)
        press(v, "a")
        top_view(v)
        x0, y0, x1, y1 = bbox(where(v.snapshot(), is_model))
        # An axis-aligned square of side 2 centred in the window.
        for lo, hi in [(x0, x1), (y0, y1)]:
            self.assertLessEqual(abs((lo + hi) - 499), 2, (x0, y0, x1, y1))
            self.assertLessEqual(abs(hi - lo + 1 - 2 * UNIT), 3, (x0, y0, x1, y1))

    def test_spin_runs_until_stopped(self):
        v = self.start(FLAT_4x6)
        still = v.snapshot()
        press(v, "c")
        wait_for(lambda: v.snapshot().rows != still.rows, "the spin to turn the model",
                 timeout=TIMEOUT)
        press(v, "c")
        stopped = v.snapshot()
        self.assertEqual(v.snapshot().rows, stopped.rows)
        self.assertNotEqual(stopped.rows, still.rows)

    def test_resize_keeps_proportions(self):
        v = self.start(SQUARE)
        press(v, "a")
        top_view(v)
        square = v.snapshot()
        v.resize(800, 600)
        wide = v.snapshot()
        self.assertEqual((wide.width, wide.height), (800, 600))
        x0, y0, x1, y1 = bbox(where(wide, is_model))
        side = 2 * UNIT * 600 / 500
        self.assertLessEqual(abs((x0 + x1) - 799), 2, (x0, y0, x1, y1))
        self.assertLessEqual(abs((y0 + y1) - 599), 2, (x0, y0, x1, y1))
        self.assertLessEqual(abs(x1 - x0 + 1 - side), 3, (x0, y0, x1, y1))
        self.assertLessEqual(abs(y1 - y0 + 1 - side), 3, (x0, y0, x1, y1))

        # X refuses a zero height; one pixel is the flattest window there is.
        v.resize(500, 1)
        self.assertEqual(v.snapshot().height, 1)
        v.resize(500, 500)
        self.assertAlive(v)
        self.assertEqual(v.snapshot().rows, square.rows)
        self.assertEqual(v.quit(), 0)


if __name__ == "__main__":
    unittest.main()
