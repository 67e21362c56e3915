"""Start-up: options, input and data errors (run without DISPLAY, so they must
come before any window is tried), then the window and the choice of input."""
import os, pathlib, subprocess, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import BINARY, NO_DISPLAY, Viewer, XServer
USAGE = "\nquarvel [-r] mesh-data\n\n -r: reverse surface\n\n"
NO_MORE, NOT_XYZ = "cannot read any more.\n", "not in 'x y z' format."
GOOD = "# flat grid\n4 * 6\n" + "".join("%d %d 0\n" % (i, j) for j in range(6) for i in range(4))
BAD_SIZE = "bad grid size in header: %s (rows and columns must be at least 1)\n"
ERRORS = [  # (arguments, standard input (None: closed), stdout, stderr); all exit with 1
    *[(a.split() + ["good"], "", USAGE, "") for a in ("-", "-R", "-rr", "--r", "-x", "-r -x", "-r-")],
    (["-x", "nosuch"], "", USAGE, ""),
    (["nosuch", "good"], "", "", "cannot open file: nosuch\n"),
    (["-r", "no such %s"], "", "", "cannot open file: no such %s\n"),
    (["./adir/"], "", "", "cannot open file: ./adir/\n"),
    ([], None, "", NO_MORE),
]
DATA = [("", NO_MORE), ("surface\n1 2 3\n", NO_MORE), (GOOD[:-6], NO_MORE),  # one point short
        (GOOD.replace("\n1 0 0\n", "\n1 0\n"), NOT_XYZ), ("2 * 6\r\n\r\n1 2 3\r\n  \r\n", NOT_XYZ),
        ("0 * 6\n", BAD_SIZE % "0 * 6"), ("-3 * 6\n", BAD_SIZE % "-3 * 6"),
        ("99999999999 * 2\n", "bad grid size in header: 99999999999 * 2 (too large)\n")]


class StartupErrors(unittest.TestCase):
    def test_errors_before_any_window(self):
        d = self.enterContext(tempfile.TemporaryDirectory())
        os.mkdir(os.path.join(d, "adir"))
        pathlib.Path(d, "good").write_text(GOOD)
        cases = list(ERRORS)
        for n, (text, err) in enumerate(DATA):
            pathlib.Path(d, str(n)).write_text(text)
            cases += [([str(n)], "", "", err), ([], text, "", err), (["-r"], text, "", err)]
        for args, stdin, out, err in cases:
            with self.subTest(args=args, stdin=stdin):
                r = subprocess.run([BINARY] + args, cwd=d, env=NO_DISPLAY, capture_output=True,
                                   input=None if stdin is None else stdin.encode(),
                                   preexec_fn=(lambda: os.close(0)) if stdin is None else None)
                self.assertEqual((r.returncode, r.stdout.decode(), r.stderr.decode()), (1, out, err))

    def test_window_and_choice_of_input(self):
        x, d = self.enterContext(XServer()), self.enterContext(tempfile.TemporaryDirectory())
        good = os.path.join(d, "good")
        pathlib.Path(good).write_text(GOOD)
        with Viewer(x, [good], argv0="./quarvel") as v:
            self.assertEqual(v.geometry(), (0, 0, 500, 500))
            self.assertEqual(x.run("xdotool", "getwindowname", v.window).stdout, "./quarvel\n")
            front = v.save()[54:]
            v.close_window()
            self.assertEqual((v.wait_exit(), v.stderr()), (0, ""))

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
