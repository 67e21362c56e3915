"""Start-up of the real binary: options, input, data errors and the window.

Errors must be found before GLUT starts, so those runs have no DISPLAY at
all: any attempt to open a window would fail with a different message.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

USAGE = "\nquarvel [-r] mesh-data\n\n -r: reverse surface\n\n"
NO_MORE = "cannot read any more.\n"
NOT_XYZ = "not in 'x y z' format."


def flat_grid(rows=4, cols=6):
    """The plane z = 0 with points (i, j, 0), column by column."""
    lines = ["# flat grid", "%d * %d" % (rows, cols)]
    lines += ["%d %d 0" % (i, j) for j in range(cols) for i in range(rows)]
    return "\n".join(lines) + "\n"


class Workspace(unittest.TestCase):
    """Each test gets a scratch directory holding a few data files."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quarvel-cli-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.good = self.write("good.mesh", flat_grid())

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        return path


class StartupErrors(Workspace):
    def run_quarvel(self, args, stdin_path=None, redirect=None):
        """(status, stdout, stderr) of a run without a display."""
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        binary = os.path.abspath(harness.QUARVEL)
        if redirect is None:
            command = [binary] + list(args)
        else:
            command = ["sh", "-c", 'exec "$0" "$@" ' + redirect, binary] + list(args)
        with open(stdin_path or os.devnull, "rb") as stdin:
            r = subprocess.run(command, cwd=self.dir, env=env, stdin=stdin, capture_output=True,
                               timeout=harness.TIMEOUT)
        return r.returncode, r.stdout.decode(), r.stderr.decode()

    def test_bad_options_print_usage_and_read_nothing(self):
        for args in (["-"], ["-", "good.mesh"], ["-R", "good.mesh"], ["-rr", "good.mesh"],
                     ["--r", "good.mesh"], ["-x", "good.mesh"], ["-r", "-x", "good.mesh"],
                     ["-x", "nosuch"], ["-r", "-"], ["-r-"]):
            with self.subTest(args=args):
                self.assertEqual(self.run_quarvel(args), (1, USAGE, ""))

    def test_unopenable_input_is_named_as_typed(self):
        os.mkdir(os.path.join(self.dir, "adir"))
        for args, name in ((["nosuch"], "nosuch"), (["-r", "nosuch"], "nosuch"),
                           (["no such %s file"], "no such %s file"),
                           (["adir"], "adir"), (["./adir/"], "./adir/"),
                           (["nosuch", "good.mesh"], "nosuch"), ([""], "")):
            with self.subTest(args=args):
                self.assertEqual(self.run_quarvel(args), (1, "", "cannot open file: %s\n" % name))

    def test_data_errors_from_file_and_from_stdin(self):
        cases = [
            ("empty", "", NO_MORE),
            ("no header", "surface\n1 2 3\n", NO_MORE),
            ("one point short", flat_grid().rsplit("\n", 2)[0] + "\n", NO_MORE),
            ("bad point", flat_grid().replace("\n1 0 0\n", "\n1 0\n"), NOT_XYZ),
            ("CR LF and a blank line", "2 * 6\r\n\r\n1 2 3\r\n  \r\n", NOT_XYZ),
        ]
        for name, text, message in cases:
            path = self.write("bad.mesh", text)
            for how, args, stdin_path in (("file", [path], None), ("stdin", [], path),
                                          ("stdin -r", ["-r"], path)):
                with self.subTest(case=name, input=how):
                    self.assertEqual(self.run_quarvel(args, stdin_path), (1, "", message))

    def test_unusable_grid_sizes_are_refused_in_one_line(self):
        for header in ("0 * 6", "-3 * 6", "4 * 0", "99999999999 * 2", "100000 * 100000"):
            with self.subTest(header=header):
                path = self.write("size.mesh", header + "\n" + "1 2 3\n" * 30)
                status, out, err = self.run_quarvel([path])
                self.assertEqual((status, out), (1, ""))
                self.assertIn(header, err)
                self.assertEqual(err.count("\n"), 1, err)
                self.assertTrue(err.endswith("\n"), err)

    def test_standard_input_closed_empty_or_trickling(self):
        # Closed, and empty: both simply run out of data.
        self.assertEqual(self.run_quarvel([], redirect="<&-"), (1, "", NO_MORE))
        self.assertEqual(self.run_quarvel(["-r"]), (1, "", NO_MORE))
        # A pipe that delivers CR and LF of empty lines in separate writes:
        # they still make empty lines, so the data merely runs short.
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        proc = subprocess.Popen([os.path.abspath(harness.QUARVEL)], env=env, cwd=self.dir,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        for chunk in (b"2 * 6\r", b"\n\r", b"\n1 2 3\r", b"\n\r", b"\n"):
            proc.stdin.write(chunk)
            proc.stdin.flush()
            time.sleep(0.05)  # lets the reader see each piece on its own
        out, err = proc.communicate(timeout=harness.TIMEOUT)
        self.assertEqual((proc.returncode, out, err), (1, b"", NO_MORE.encode()))


class StartupWindow(Workspace):
    @classmethod
    def setUpClass(cls):
        cls.x = harness.XServer()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()

    def viewer(self, args, **kwargs):
        v = harness.Viewer(self.x, args, **kwargs)
        self.addCleanup(v.cleanup)
        return v

    def picture(self, args, **kwargs):
        v = self.viewer(args, **kwargs)
        image = v.save()[54:]  # pixels only
        self.assertEqual(v.quit(), 0)
        return image

    def test_window_placement_title_and_close(self):
        v = self.viewer([self.good], argv0="./quarvel")
        self.assertEqual(v.geometry(), (0, 0, 500, 500))
        self.assertEqual(self.x.run("xdotool", "getwindowname", v.window).stdout, "./quarvel\n")
        v.close_window()
        self.assertEqual(v.wait_exit(), 0)
        self.assertEqual(v.stderr(), "")

    def test_reverse_option_and_input_choice(self):
        data = flat_grid()
        front = self.picture([self.good])
        back = self.picture(["-r", self.good])
        self.assertNotEqual(front, back, "reversing the flat grid must change the picture")
        cases = [
            ("-r twice", ["-r", "-r", self.good], None, back),
            ("-r after the file is ignored", [self.good, "-r"], None, front),
            ("second file ignored", [self.good, os.path.join(self.dir, "nosuch")], None, front),
            ("stdin", [], data, front),
            ("stdin with -r", ["-r"], data, back),
        ]
        for name, args, stdin_data, expected in cases:
            with self.subTest(case=name):
                self.assertEqual(self.picture(args, stdin_data=stdin_data), expected)


if __name__ == "__main__":
    unittest.main()
