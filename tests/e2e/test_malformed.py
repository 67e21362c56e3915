"""Malformed input must end the real binary cleanly: the exact message on
standard error, nothing on standard output, exit status 1, and no window.

The committed corpus is tests/data/malformed/NAME.mesh with the expected
standard error in NAME.expect; each file is given both by name and on a
pipe.  Inputs that cannot be committed (directories, closed or odd standard
input, a memory limit) are built here.  There is no DISPLAY, so a run that
got as far as opening a window would fail with GLUT's message instead.
"""
import glob
import os
import resource
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

SOURCE = os.environ.get("QUARVEL_SOURCE_DIR",
                        os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
CORPUS = os.path.join(SOURCE, "tests", "data", "malformed")
BINARY = os.path.abspath(harness.QUARVEL)
NO_MORE = b"cannot read any more.\n"


def sanitized():
    """True for a build with ASan, whose address-space reservation a memory
    limit would break."""
    cache = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", ""), "CMakeCache.txt")
    try:
        with open(cache) as f:
            return any(line.strip().upper() in ("QUARVEL_SANITIZE:BOOL=ON", "QUARVEL_SANITIZE:BOOL=TRUE")
                       for line in f)
    except OSError:
        return False


def run(args=(), stdin=subprocess.DEVNULL, shell_redirect=None, preexec_fn=None):
    """(status, stdout, stderr) of one run without a display."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    command = [BINARY] + list(args)
    if shell_redirect:
        command = ["sh", "-c", 'exec "$0" "$@" ' + shell_redirect] + command
    r = subprocess.run(command, env=env, stdin=stdin, capture_output=True,
                       timeout=harness.TIMEOUT, preexec_fn=preexec_fn)
    return r.returncode, r.stdout, r.stderr


def corpus():
    """(name, data path, expected stderr) of every committed case."""
    cases = []
    for path in sorted(glob.glob(os.path.join(CORPUS, "*.mesh"))):
        with open(path[:-len(".mesh")] + ".expect", "rb") as f:
            cases.append((os.path.basename(path), path, f.read()))
    return cases


class MalformedInput(unittest.TestCase):
    def check(self, result, expected_stderr):
        self.assertEqual(result, (1, b"", expected_stderr))

    def test_corpus_by_name_and_on_a_pipe(self):
        cases = corpus()
        self.assertGreaterEqual(len(cases), 30, "corpus missing at " + CORPUS)
        for name, path, expected in cases:
            with self.subTest(name=name, via="name"):
                self.check(run([path]), expected)
            with self.subTest(name=name, via="pipe"):
                with open(path, "rb") as f:
                    data = f.read()
                env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
                r = subprocess.run([BINARY], input=data, env=env, capture_output=True,
                                   timeout=harness.TIMEOUT)
                self.check((r.returncode, r.stdout, r.stderr), expected)

    def test_inputs_that_cannot_be_opened(self):
        some_file = os.path.join(CORPUS, "empty.mesh")
        for path in (CORPUS, CORPUS + "/", os.path.join(CORPUS, "no such file"),
                     some_file + "/x"):
            with self.subTest(path=path):
                self.check(run([path]), b"cannot open file: " + path.encode() + b"\n")

    def test_inputs_that_fail_when_read(self):
        # /proc/self/mem opens but fails at the first read; a directory on
        # standard input does the same.
        self.check(run(["/proc/self/mem"]), NO_MORE)
        directory = os.open("/", os.O_RDONLY)
        try:
            self.check(run(stdin=directory), NO_MORE)
        finally:
            os.close(directory)

    def test_standard_input_closed_or_empty(self):
        self.check(run(shell_redirect="0<&-"), NO_MORE)
        self.check(run(["-r"], shell_redirect="0<&-"), NO_MORE)
        self.check(run(stdin=subprocess.DEVNULL), NO_MORE)
        with open(os.devnull, "rb") as null:
            self.check(run(["-r"], stdin=null), NO_MORE)

    def test_file_named_while_standard_input_is_closed(self):
        # The file then gets descriptor 0; it is still read as the file.
        path = os.path.join(CORPUS, "cut_mid_points.mesh")
        self.check(run([path], shell_redirect="0<&-"), NO_MORE)

    @unittest.skipIf(sanitized(), "a memory limit breaks AddressSanitizer")
    def test_grid_larger_than_the_memory_limit(self):
        # 10 million points need about 480 MB: far below this machine's
        # memory, so the reader tries, and the allocation fails under the
        # limit.
        limit = 256 << 20

        def limit_memory():
            resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

        with tempfile.NamedTemporaryFile(suffix=".mesh") as f:
            f.write(b"10000 * 1000\n0 0 0\n")
            f.flush()
            self.check(run([f.name], preexec_fn=limit_memory),
                       b"not enough memory for a grid of 10000 * 1000 points\n")


if __name__ == "__main__":
    unittest.main()
