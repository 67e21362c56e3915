"""Load progress on standard error: shown only when standard error is a
terminal and loading has taken over a second, and erased before the next
message, which then stands on a clean line of its own.

Input arrives slowly on a pipe so loading takes long, and then stops short
so the run ends with "cannot read any more." before any window (there is no
DISPLAY).  Standard error is a pseudo-terminal or a pipe.
"""
import os
import pty
import select
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

BINARY = os.path.abspath(harness.QUARVEL)
ERASE = b"\r" + b" " * 13 + b"\r"


def points(count):
    return b"".join(b"%d 0.5 -1.25e-3\n" % k for k in range(count))


def run_slowly(chunks, pause, stderr_on_tty):
    """Feeds a 1000 x 1000 header and chunks of 20000 points, pausing
    between them, then ends the input; returns (exit status, stderr)."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    if stderr_on_tty:
        master, slave = pty.openpty()
        err_target = slave
    else:
        master, err_target = os.pipe()
    proc = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                            stderr=err_target, env=env)
    os.close(err_target)
    proc.stdin.write(b"# slow\n1000 * 1000\n")
    for _ in range(chunks):
        proc.stdin.write(points(20000))
        proc.stdin.flush()
        time.sleep(pause)
    proc.stdin.close()
    output = b""
    deadline = time.monotonic() + harness.TIMEOUT
    while time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 0.5)
        if ready:
            try:
                data = os.read(master, 4096)
            except OSError:  # a pty reads EIO once the last writer is gone
                break
            if not data:
                break
            output += data
        elif proc.poll() is not None and not select.select([master], [], [], 0)[0]:
            break
    os.close(master)
    return proc.wait(timeout=harness.TIMEOUT), output


class Progress(unittest.TestCase):
    def test_long_load_on_a_terminal_shows_and_erases_progress(self):
        status, err = run_slowly(chunks=8, pause=0.25, stderr_on_tty=True)
        self.assertEqual(status, 1)
        # The terminal turns "\n" into "\r\n".
        self.assertTrue(err.endswith(ERASE + b"cannot read any more.\r\n"), err)
        shown = err[:-len(ERASE + b"cannot read any more.\r\n")]
        self.assertRegex(shown, rb"^(\rreading: \d{1,3}%)+$")
        # Percentages of the points read so far (160000 of 1000000 in
        # all), rising, each shown once.
        percents = [int(p) for p in shown.replace(b"%", b"").split(b"\rreading: ")[1:]]
        self.assertEqual(percents, sorted(set(percents)))
        self.assertLessEqual(percents[-1], 16)

    def test_short_load_on_a_terminal_shows_nothing(self):
        status, err = run_slowly(chunks=1, pause=0, stderr_on_tty=True)
        self.assertEqual((status, err), (1, b"cannot read any more.\r\n"))

    def test_long_load_without_a_terminal_shows_nothing(self):
        status, err = run_slowly(chunks=8, pause=0.25, stderr_on_tty=False)
        self.assertEqual((status, err), (1, b"cannot read any more.\n"))


if __name__ == "__main__":
    unittest.main()
