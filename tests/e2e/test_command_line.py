"""The window, and the choice of input that the command line makes."""
import os, pathlib, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Viewer, shared_xserver

setUpModule, tearDownModule = shared_xserver(globals())
GOOD = "# flat grid\n4 * 6\n" + "".join("%d %d 0\n" % (i, j) for j in range(6) for i in range(4))


class CommandLine(unittest.TestCase):
    def test_window_and_choice_of_input(self):
        d = self.enterContext(tempfile.TemporaryDirectory())
        good = os.path.join(d, "good")
        pathlib.Path(good).write_text(GOOD)
        with Viewer(x, [good], argv0="./quarvel") as v:
            self.assertEqual(v.geometry(), (0, 0, 500, 500))
            self.assertEqual(x.run("xdotool", "getwindowname", v.window).stdout, "./quarvel\n")
            front = v.save()[54:]

        def picture(args, stdin=None):
            with Viewer(x, args, stdin_data=stdin) as v:
                return v.save()[54:]
        back = picture(["-r", good])
        self.assertNotEqual(front, back, "reversing the flat grid must change the picture")
        for args, stdin, expected in [(["-r", "-r", good], None, back), ([good, "-r"], None, front),
                                      ([good, "nosuch"], None, front), ([], GOOD, front),
                                      (["-r"], GOOD, back)]:
            with self.subTest(args=args, stdin=stdin is not None):
                self.assertEqual(picture(args, stdin), expected)


if __name__ == "__main__":
    unittest.main()
