"""quarvel-gen as a user runs it: every refusal is one line and status 1
with nothing written, a cut-off or terminal output is refused, -o appears
whole or not at all (an interrupt included)."""
import os, pathlib, pty, resource, signal, subprocess, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import BINARY, memory_group, wait_for

GEN = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", os.path.dirname(BINARY)), "tools", "quarvel-gen")

# Arguments and the whole message line.
REFUSALS = [
    (["x + u"], "error in formula at character 5: Unexpected token \"u\" (known names: x, y, pi, "
                "e and muparser's functions)"),
    (["-n", "5", "1/x"], "z is inf at row 2, column 0 (x = 0, y = -3.141592653589793): "
                         "nothing written"),
    (["-u", "0:1", "-v", "-1:1", "u; sqrt(v); 1"],
     "y is nan at row 0, column 0 (u = 0, v = -1): nothing written"),
    (["-q", "x"], "unknown option -q (try --help)"),
    (["-n", "0", "x"], "bad grid size '0': rows and columns are whole numbers from 1 to 100000"),
    (["-x", "1:1", "x"], "-x: bad range '1:1': MIN and MAX are equal"),
    (["torus", "-u", "0:1"], "-u does not apply to shape torus"),
    ([], "no formula or shape given (try --help)"),
    (["-o", "missing/out.mesh", "x"], "cannot write missing/out.mesh: No such file or directory"),
    (["-o", "miss\ning/\x1b[31mout.mesh", "x"],
     "cannot write 'miss\\ning/\\x1b[31mout.mesh': No such file or directory"),
    (["-n", "100000", "u; v; 1"], "100000 x 100000 points need 240.0 GB of memory, more than is available"),
]


class GenTest(unittest.TestCase):
    def setUp(self):
        temporary = tempfile.TemporaryDirectory(prefix="quarvel-gen-test-")
        self.dir = pathlib.Path(self.enterContext(temporary)).resolve()

    def gen(self, *args, stdout=subprocess.PIPE):
        return subprocess.run([GEN] + list(args), cwd=self.dir, stdout=stdout,
                              stderr=subprocess.PIPE, timeout=120)

    def assertRefused(self, r, message):
        self.assertEqual((r.returncode, r.stderr.decode()), (1, "quarvel-gen: " + message + "\n"))

    def test_refusals_are_one_line_and_write_nothing(self):
        for args, message in REFUSALS:
            with self.subTest(args=args):
                r = self.gen("-o", "out.mesh", *args)
                self.assertRefused(r, message)
                self.assertEqual((r.stdout, os.listdir(self.dir)), (b"", []))

    def test_cut_off_output_fails(self):
        # One piece written by the calling thread; many written while others format.
        for args in (["torus"], ["-n", "400", "x*y"], ["--help"]):
            with open("/dev/full", "wb") as full:
                self.assertRefused(self.gen(*args, stdout=full),
                                   "error writing standard output: No space left on device")

    def test_grid_beyond_a_container_limit(self):
        # 1.5 GB of values under a 1 GiB limit: refused before any is computed.
        group = memory_group(1 << 30)
        join = lambda: pathlib.Path(group, "cgroup.procs").write_text(str(os.getpid()))
        r = subprocess.run([GEN, "-n", "8000", "u; v; 1"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, preexec_fn=join, timeout=120)
        self.assertRefused(r, "8000 x 8000 points need 1.5 GB of memory, more than is available")

    def test_file_size_limit_is_reported(self):  # not a silent death by SIGXFSZ
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))
        with open(self.dir / "out.mesh", "wb") as out:
            r = subprocess.run([GEN, "torus"], stdout=out, stderr=subprocess.PIPE,
                               preexec_fn=limit, timeout=120)
        self.assertRefused(r, "error writing standard output: File too large")

    def test_terminal_refused(self):
        leader, follower = pty.openpty()
        try:
            r = self.gen("torus", stdout=follower)
        finally:
            os.close(follower)
            os.close(leader)
        self.assertRefused(r, "not writing to a terminal: pipe the output into quarvel "
                              "(... | quarvel) or name a file with -o FILE")

    def test_file_output_matches_standard_output(self):
        for args in (["sin(x)*cos(y)"], ["-n", "300x200", "-x", "0:1", "exp(x)*y"], ["wave", "9", "9"],
                     ["-v", "0:pi", "cos(u)*sin(v); sin(u)*sin(v); cos(v)"]):
            with self.subTest(args=args):
                piped = self.gen(*args)
                self.assertEqual((piped.returncode, piped.stderr), (0, b""))
                self.assertEqual(self.gen("-o", "out.mesh", *args).returncode, 0)
                self.assertEqual((self.dir / "out.mesh").read_bytes(), piped.stdout)
        self.assertEqual(os.listdir(self.dir), ["out.mesh"])
        header = piped.stdout.split(b"\n")[:2]
        self.assertEqual(header, [b"# made by quarvel-gen 'cos(u)*sin(v); sin(u)*sin(v); cos(v)' "
                                  b"-u 0:2*pi -v 0:pi -n 51x51", b"51 * 51"])

    def test_interrupted_write_leaves_nothing(self):
        proc = subprocess.Popen([GEN, "-n", "3000", "-o", "out.mesh", "x*y"], cwd=self.dir,
                                stderr=subprocess.DEVNULL)
        try:
            wait_for(lambda: os.listdir(self.dir) or proc.poll() is not None,
                     "the temporary file", timeout=120)
            proc.send_signal(signal.SIGINT)
        finally:
            status = proc.wait(timeout=120)
        if status == 0:
            self.skipTest("the write ended before the signal")
        self.assertEqual((status, os.listdir(self.dir)), (-signal.SIGINT, []))

    def test_help(self):
        r = self.gen("--help")
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        self.assertIn(b"usage: quarvel-gen", r.stdout)


if __name__ == "__main__":
    unittest.main()
