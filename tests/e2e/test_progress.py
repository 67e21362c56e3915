"""Load progress on standard error: only on a terminal, after a second of
loading, erased before the next message (here: the input stops short)."""
import contextlib, os, pty, re, subprocess, sys, time, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import BINARY, NO_DISPLAY, TIMEOUT
POINTS = b"".join(b"%d 0.5 -1.25e-3\n" % k for k in range(20000))


def run_slowly(on_tty, chunks):  # (status, stderr) of a 1000 x 1000 grid cut short
    master, slave = pty.openpty() if on_tty else os.pipe()
    proc = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stderr=slave, env=NO_DISPLAY)
    os.close(slave)
    with proc.stdin as stdin:  # the header, then chunks of points, 0.25 s apart
        for data in [b"1000 * 1000\n"] + [POINTS] * chunks:
            stdin.write(data)
            stdin.flush()
            time.sleep(0.25)
    status, err = proc.wait(timeout=TIMEOUT), b""
    with open(master, "rb", buffering=0) as f, contextlib.suppress(OSError):  # EIO: pty closed
        while data := f.read(4096):
            err += data
    return status, err


class Progress(unittest.TestCase):
    def test_progress_on_a_terminal_only(self):
        status, err = run_slowly(True, 8)
        end = b"\r" + b" " * 13 + b"\rcannot read any more.\r\n"  # the terminal makes \n \r\n
        self.assertEqual((status, err[-len(end):]), (1, end), err)
        self.assertRegex(err[:-len(end)], rb"^(\rreading: \d{1,3}%)+$")
        percents = [int(p) for p in re.findall(rb"(\d+)%", err)]
        self.assertEqual(percents, sorted(set(percents)))  # rising, each shown once
        self.assertLessEqual(percents[-1], 16)  # of the points, 160000 of 1000000 came
        self.assertEqual(run_slowly(True, 1), (1, b"cannot read any more.\r\n"))  # too quick
        self.assertEqual(run_slowly(False, 8), (1, b"cannot read any more.\n"))


if __name__ == "__main__":
    unittest.main()
