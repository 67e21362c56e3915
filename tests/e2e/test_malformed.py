"""Bad input: the exact message on standard error, nothing on standard output,
exit status 1, no window (no DISPLAY).  Corpus: data/malformed/NAME.mesh, NAME.expect."""
import glob
import os
import resource
import subprocess
import unittest

BINARY = os.path.abspath(os.environ.get("QUARVEL", "quarvel"))
CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "malformed")


def run(*args, data=None, shell="", limit=None):
    """(status, stdout, stderr); data goes to standard input (else /dev/null),
    shell is a redirection such as "0<&-", limit one of the address space."""
    r = subprocess.run(
        ["sh", "-c", 'exec "$0" "$@" ' + shell, BINARY, *args], input=data,
        stdin=subprocess.DEVNULL if data is None else None, capture_output=True, timeout=30,
        env={k: v for k, v in os.environ.items() if k != "DISPLAY"},
        preexec_fn=limit and (lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit))))
    return r.returncode, r.stdout, r.stderr


class MalformedInput(unittest.TestCase):
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
        for result in (run("/proc/self/mem"), run(shell="0<&-"), run()):
            self.assertEqual(result, (1, b"", b"cannot read any more.\n"))

    @unittest.skipIf("ASAN_OPTIONS" in os.environ, "a memory limit breaks AddressSanitizer")
    def test_grid_larger_than_the_memory_limit(self):
        # 10 million points need about 480 MB: allocation fails under 256 MB.
        self.assertEqual(run(data=b"10000 * 1000\n0 0 0\n", limit=256 << 20),
                         (1, b"", b"not enough memory for a grid of 10000 * 1000 points\n"))


if __name__ == "__main__":
    unittest.main()
