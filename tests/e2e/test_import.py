"""quarvel-import's command line: options, one-line errors, -o that leaves
no partial file, and the refusal to write mesh text to a terminal."""
import os, pathlib, pty, resource, subprocess, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import NO_DISPLAY

IMPORT = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", "build"), "tools", "quarvel-import")
MATRIX = "# heights\n1, 2, 3\n4, 5, 6\n"


class ImportTest(unittest.TestCase):
    def setUp(self):
        temporary = tempfile.TemporaryDirectory(prefix="quarvel-import-test-")
        self.dir = pathlib.Path(self.enterContext(temporary))
        (self.dir / "m.csv").write_text(MATRIX)

    def run_import(self, *args, input=None, stdout=subprocess.PIPE):
        return subprocess.run([IMPORT] + list(args), cwd=self.dir, input=input, stdout=stdout,
                              stderr=subprocess.PIPE, text=True, timeout=60, env=NO_DISPLAY)

    def test_help_and_standard_input(self):
        r = self.run_import("--help")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertIn("usage: quarvel-import", r.stdout)
        r = self.run_import("--spacing", "2,3", "--z-factor=10", "-", input=MATRIX)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines()[2:],
                         ["3 * 2", "-2 -1.5 10", "0 -1.5 20", "2 -1.5 30", "-2 1.5 40", "0 1.5 50", "2 1.5 60"])
        self.assertIn("--zero-base puts the lowest point at 0", r.stderr)  # 60 high, 4 wide
        r = self.run_import("--zero-base", "--spacing", "10", "-", input=MATRIX)
        self.assertEqual((r.stdout.splitlines()[3], r.stderr), ("-10 -5 0", ""))

    def test_errors_are_one_line(self):
        cases = [
            ((), "no input: name a FILE, or - for standard input (see quarvel-import --help)"),
            (("a", "b"), "one input file only: 'a' and 'b' (see quarvel-import --help)"),
            (("--every", "0", "m.csv"), "--every needs a whole number of at least 1, not '0' (see quarvel-import --help)"),
            (("--max", "1", "m.csv"), "--max needs a whole number of at least 2, not '1' (see quarvel-import --help)"),
            (("--every", "2", "--max", "9", "m.csv"), "--every and --max both thin the grid out: choose one (see quarvel-import --help)"),
            (("--spacing", "1,-1", "m.csv"), "--spacing needs distances above 0, not '1,-1' (see quarvel-import --help)"),
            (("--z-factor", "inf", "m.csv"), "--z-factor needs a number, not 'inf' (see quarvel-import --help)"),
            (("--origin", "top", "m.csv"), "--origin is upper or lower, not 'top' (see quarvel-import --help)"),
            (("--lonlat=91", "m.csv"), "--lonlat needs a latitude from -90 to 90, not '91' (see quarvel-import --help)"),
            (("--nodata-marker", "nan", "m.csv"), "--nodata-marker needs a number, not 'nan' (see quarvel-import --help)"),
            (("--skip-cols", "-1", "m.csv"), "--skip-cols needs a whole number of at least 0, not '-1' (see quarvel-import --help)"),
            (("--format", "xls", "m.csv"), "unknown format 'xls' (see quarvel-import --help)"),
            (("--frobnicate", "m.csv"), "unknown option '--frobnicate' (see quarvel-import --help)"),
            (("-o",), "-o needs a value (see quarvel-import --help)"),
            (("-o", "", "m.csv"), "-o needs a file name, or - for standard output (see quarvel-import --help)"),
            (("--output=", "m.csv"), "--output needs a file name, or - for standard output (see quarvel-import --help)"),
            (("missing.csv",), "cannot open missing.csv: No such file or directory"),
            (("/dev/zero",), "/dev/zero: byte 0: a NUL byte, which text never holds (is this a binary file?)"),
            (("--format", "npy", "m.csv"), "m.csv: byte 0: not a NumPy .npy file (no \\x93NUMPY at the start)"),
            (("--format", "png", "m.csv"), "m.csv: byte 0: not a PNG file (no PNG signature)"),
            (("--format", "pgm", "m.csv"), "m.csv: byte 0: not a PGM file (it starts with neither P2 nor P5)"),
            (("--format", "tiff", "m.csv"), "m.csv: byte 0: not a TIFF file (it starts with neither II nor MM)"),
            (("--format", "esri", "m.csv"), "m.csv:1: no ESRI grid header (ncols, nrows, xllcorner, yllcorner, cellsize lines)"),
            (("--format", "xyz", "m.csv"), "m.csv:3: x and y both differ from the line before: XYZ data runs along rows of equal y (or of equal x) (XYZ grid)"),
        ]
        for args, message in cases:
            r = self.run_import(*args)
            self.assertEqual((r.returncode, r.stdout, r.stderr), (1, "", "quarvel-import: " + message + "\n"), args)

    def test_file_name_stays_quoted_on_one_line(self):
        (self.dir / "a\nb\x1b[2J.csv").write_text("1 2\n3 x\n")
        cases = [
            ("a\nb\x1b[2J.csv", "'a\\nb\\x1b[2J.csv':2: column 2 ('x') is not a number"),
            ("c\n\x1b[2J.csv", "cannot open 'c\\n\\x1b[2J.csv': No such file or directory"),
        ]
        for name, message in cases:
            r = self.run_import(name)
            self.assertEqual((r.returncode, r.stderr), (1, "quarvel-import: " + message + "\n"), name)

    def test_output_file_is_complete_or_untouched(self):
        out = self.dir / "out.mesh"
        self.assertEqual(self.run_import("m.csv", "-o", "out.mesh").returncode, 0)
        self.assertIn("3 * 2\n", out.read_text())
        good = out.read_text()
        (self.dir / "bad.csv").write_text("1 2\n3 x\n")
        r = self.run_import("bad.csv", "-o", "out.mesh")
        self.assertEqual(r.stderr, "quarvel-import: bad.csv:2: column 2 ('x') is not a number\n")
        r = self.run_import("bad.csv", "-o", "new.mesh")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(out.read_text(), good)
        self.assertEqual(sorted(os.listdir(self.dir)), ["bad.csv", "m.csv", "out.mesh"])

    def test_file_size_limit_is_reported(self):  # not a silent death by SIGXFSZ
        (self.dir / "big.csv").write_text("1 2\n3 4\n" * 1000)
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))
        with open(self.dir / "out.mesh", "wb") as out:
            r = subprocess.run([IMPORT, "big.csv"], cwd=self.dir, stdout=out, stderr=subprocess.PIPE,
                               text=True, preexec_fn=limit, timeout=60, env=NO_DISPLAY)
        dense = "2 x 2000 points: the viewer's black grid lines cover a surface this dense; type f in the viewer to turn them off"
        self.assertEqual((r.returncode, r.stderr),
                         (1, "quarvel-import: note: big.csv: " + dense + "\n"
                             "quarvel-import: error writing standard output: File too large\n"))

    def test_terminal_refused_before_reading(self):
        main, terminal = pty.openpty()
        try:
            r = self.run_import("-", stdout=terminal)  # standard input is never read
        finally:
            os.close(main)
            os.close(terminal)
        self.assertEqual(r.returncode, 1)
        self.assertIn("not writing to a terminal", r.stderr)


if __name__ == "__main__":
    unittest.main()
