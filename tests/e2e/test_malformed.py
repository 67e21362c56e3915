"""Bad command lines and bad input: the exact messages on standard output and
standard error, exit status 1, and no window (there is no DISPLAY).
Corpus: data/malformed/NAME.mesh and the standard error it gives, NAME.expect."""
import glob, os, subprocess, sys, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import BINARY, NO_DISPLAY, SOURCE, memory_group

CORPUS = os.path.join(SOURCE, "tests", "data", "malformed")
USAGE, NO_MORE = b"\nquarvel [-r] mesh-data\n\n -r: reverse surface\n\n", b"cannot read any more.\n"
ERRORS = [  # (arguments, standard input, stdout, stderr); "good" is never read
    *[(a.split() + ["good"], None, USAGE, b"") for a in ("-", "-R", "-rr", "--r", "-x", "-r-")],
    (["-r", "-x", "good"], None, USAGE, b""), (["-x", "nosuch"], None, USAGE, b""),
    (["nosuch", "good"], None, b"", b"cannot open file: nosuch\n"),
    (["-r", "no such %s"], None, b"", b"cannot open file: no such %s\n"),
    (["-r"], b"2 * 2\n1 2 3\n", b"", NO_MORE),
    (["-r"], b"2 * 2\n1 2 3\n1 2\n", b"", b"not in 'x y z' format."),
]


def run(*args, data=None, script='exec "$0" "$@"'):
    """(status, stdout, stderr) of the viewer that the shell script starts;
    data goes to standard input, else /dev/null."""
    r = subprocess.run(["sh", "-c", script, BINARY, *args], input=data, env=NO_DISPLAY,
                       stdin=subprocess.DEVNULL if data is None else None,
                       capture_output=True, timeout=30)
    return r.returncode, r.stdout, r.stderr


class MalformedInput(unittest.TestCase):
    def test_command_lines(self):
        for args, data, out, err in ERRORS:
            self.assertEqual(run(*args, data=data), (1, out, err), (args, data))

    def test_corpus_by_name_and_on_a_pipe(self):
        paths = sorted(glob.glob(os.path.join(CORPUS, "*.mesh")))
        self.assertGreater(len(paths), 25, "corpus missing at " + CORPUS)
        for path in paths:
            with open(path, "rb") as data, open(path[:-len("mesh")] + "expect", "rb") as expect:
                data, expected = data.read(), (1, b"", expect.read())
            with self.subTest(os.path.basename(path)):
                self.assertEqual(run(path), expected, "by name")
                self.assertEqual(run(data=data), expected, "on a pipe")

    def test_special_inputs(self):
        for path in (CORPUS, os.path.join(CORPUS, "nosuch.mesh"), CORPUS + "/empty.mesh/x"):
            self.assertEqual(run(path), (1, b"", b"cannot open file: %s\n" % path.encode()))
        # A file that fails at the first read, closed standard input, /dev/null.
        for result in (run("/proc/self/mem"), run(script='exec "$0" 0<&-'), run()):
            self.assertEqual(result, (1, b"", NO_MORE))

    @unittest.skipIf("ASAN_OPTIONS" in os.environ, "a memory limit breaks AddressSanitizer")
    def test_grid_larger_than_the_memory_limit(self):
        # 10 million points need about 480 MB: allocation fails under 256 MB.
        self.assertEqual(run(data=b"10000 * 1000\n0 0 0\n", script='ulimit -v 262144; exec "$0"'),
                         (1, b"", b"not enough memory for a grid of 10000 * 1000 points\n"))

    def test_narrow_grid_beyond_a_container_limit(self):
        # About 80 bytes a row with one column, 29 GB in all: refused from the header alone,
        # under a 1 GiB container limit whatever the machine has.
        group = memory_group(1 << 30)
        joined = 'echo $$ >%s/cgroup.procs; exec "$0"' % group
        self.assertEqual(run(data=b"360000000 * 1\n", script=joined), (1, b"", b"grid of 360000000"
                         b" * 1 points is too large for this machine's memory\n"))


if __name__ == "__main__":
    unittest.main()
