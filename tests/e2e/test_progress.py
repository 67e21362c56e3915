"""Load progress on standard error reaches a terminal, after a second of
loading, and is erased before the next message (here: the input stops
short); a pipe sees none of it.  The text itself is checked by the unit
tests (tests/unit/load_progress_test.cpp)."""
import contextlib, os, pty, subprocess, sys, time, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import BINARY, NO_DISPLAY, TIMEOUT
POINTS = b"".join(b"%d 0.5 -1.25e-3\n" % k for k in range(20000))


class Progress(unittest.TestCase):
    def test_progress_on_a_terminal_only(self):
        # A 1000 x 1000 grid cut short, to a terminal and to a pipe at once:
        # points, a pause past the delay, points enough for another look at
        # the clock, then the end of the input.
        runs = []
        for master, slave in (pty.openpty(), os.pipe()):
            proc = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stderr=slave, env=NO_DISPLAY)
            os.close(slave)
            proc.stdin.write(b"1000 * 1000\n" + POINTS)
            proc.stdin.flush()
            runs.append((proc, master))
        time.sleep(1.2)
        results = []
        for proc, master in runs:
            with proc.stdin as stdin:
                stdin.write(POINTS)
            status, err = proc.wait(timeout=TIMEOUT), b""
            with open(master, "rb", buffering=0) as f, contextlib.suppress(OSError):  # EIO: pty closed
                while data := f.read(4096):
                    err += data
            results.append((status, err))
        (tty_status, tty), piped = results
        end = b"\r" + b" " * 13 + b"\rcannot read any more.\r\n"  # the terminal makes \n \r\n
        self.assertEqual((tty_status, tty[-len(end):]), (1, end), tty)
        self.assertRegex(tty[:-len(end)], rb"^(\rreading: \d%)+$")  # 40000 of 1000000 points came
        self.assertEqual(piped, (1, b"cannot read any more.\n"))


if __name__ == "__main__":
    unittest.main()
