"""The one-character commands, typed on the keyboard of a running viewer.

The exact arithmetic is covered by the unit tests; here every key has to
reach the command handler and show in the picture (saved with B).
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Image, Viewer, XServer, wait_for  # noqa: E402

SOURCE = os.environ.get("QUARVEL_SOURCE_DIR",
                        os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
MESH = os.path.join(SOURCE, "examples", "saddle.mesh")

# xdotool names of keys that are not commands: lower/upper case twins of
# commands, blank, control keys and a Latin-1 letter above 127.
IGNORED = ["b", "Q", "S", "x", "space", "Escape", "Return", "ctrl+a", "Tab", "eacute"]

# Key sequences that change the picture with their first key and give the
# start picture back at their end.
UNDONE = ["ff", "ss", "ww", "aa", "CC", "11", "22", "rr", "zg", "Zg", "wg", "+rr", "-rr", ";rr"]

# xdotool's names of the punctuation commands.
KEY_NAMES = {"+": "plus", "-": "minus", ";": "semicolon", "*": "asterisk", "/": "slash"}

x = None


def setUpModule():
    global x
    x = XServer()


def tearDownModule():
    x.stop()


def differing_pixels(first, second):
    return sum(a != b for row_a, row_b in zip(first, second)
               for a, b in zip(zip(*[iter(row_a)] * 3), zip(*[iter(row_b)] * 3)))


def lit_pixels(rows):
    """Pixels not of the black background."""
    return Image(len(rows[0]) // 3, len(rows), rows).count(lambda p: p != (0, 0, 0))


class CommandsTest(unittest.TestCase):
    def setUp(self):
        self.v = Viewer(x, [MESH])
        self.start = self.picture()

    def tearDown(self):
        self.v.cleanup()

    def picture(self, *keys):
        self.v.keys(*[KEY_NAMES.get(k, k) for k in keys])
        return self.v.snapshot().rows

    def assertSamePicture(self, first, second, msg="the pictures differ", tolerance=0):
        # Not assertEqual: unittest's diff of two pictures takes minutes.
        n = differing_pixels(first, second) if first != second else 0
        self.assertLessEqual(n, tolerance, "%s in %d pixels" % (msg, n))

    def test_keys_outside_the_table_do_nothing(self):
        for key in IGNORED:
            with self.subTest(key):
                self.assertSamePicture(self.picture(key), self.start)
        saves = len(IGNORED) + 1
        self.assertEqual(self.v.stdout(), 'Saving Image to "quarvel.bmp"\nDone!\n' * saves)
        self.assertEqual(self.v.stderr(), "")
        self.assertIsNone(self.v.proc.poll())

    def test_keys_and_their_undoing(self):
        first_key = {}
        for sequence in UNDONE:
            with self.subTest(sequence):
                changed = self.picture(sequence[0])
                self.assertTrue(changed != self.start, "no change")
                first_key[sequence[0]] = changed
                self.assertSamePicture(self.picture(*sequence[1:]), self.start)
        # Case matters, and ";" is "-".
        self.assertTrue(first_key["z"] != first_key["Z"])
        self.assertSamePicture(first_key["-"], first_key[";"])
        # Leaving wire-frame mode: "f" and "s" from it look as from the start.
        self.assertSamePicture(self.picture("w", "f"), first_key["f"])
        self.assertSamePicture(self.picture("f", "w", "s"), first_key["s"])

    def test_sizes_and_steps(self):
        lit = lit_pixels(self.start)
        self.assertGreater(lit_pixels(self.picture("u")), lit)
        self.assertLess(lit_pixels(self.picture("d", "d")), lit)
        self.picture("u")
        self.assertGreater(lit_pixels(self.picture("+")), lit)
        self.assertLess(lit_pixels(self.picture("r", "r", "-")), lit)

        # "*" doubles the arrow-key step, "/" halves it again.  The camera
        # angles differ from the single steps in the last bits at most.
        self.picture("r", "r")
        two_steps = self.picture("Left", "Left")
        self.picture("Right", "Right")
        self.assertSamePicture(self.picture("*", "Left"), two_steps, tolerance=20)
        self.assertSamePicture(self.picture("/", "Right", "Right"), self.start, tolerance=20)

    def test_spin_and_quit(self):
        spinning = self.picture("c")
        wait_for(lambda: self.v.snapshot().rows != spinning, "the model to turn")
        stopped = self.picture("c")
        self.assertSamePicture(self.picture(), stopped, "the model still turns")
        # "C" is the clip plane, not the spin.
        clipped = self.picture("C")
        self.assertSamePicture(self.picture(), clipped, "the model turns")
        self.v.keys("q", check=False)
        self.assertEqual(self.v.wait_exit(), 0)
        self.assertEqual(self.v.stderr(), "")


if __name__ == "__main__":
    unittest.main()
