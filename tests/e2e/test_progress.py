"""Load progress on standard error: only on a terminal, after a second of
loading, erased before the next message (here: the input stops short)."""
import contextlib, os, pty, re, subprocess, sys, time, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness


def run_slowly(on_tty, chunks):
    """A 1000 x 1000 header, then chunks of 20000 points 0.25 s apart: (status, stderr)."""
    master, slave = pty.openpty() if on_tty else os.pipe()
    proc = subprocess.Popen([harness.BINARY], stdin=subprocess.PIPE, stderr=slave, env=harness.NO_DISPLAY)
    os.close(slave)
    proc.stdin.write(b"1000 * 1000\n")
    for _ in range(chunks):
        proc.stdin.write(b"".join(b"%d 0.5 -1.25e-3\n" % k for k in range(20000)))
        proc.stdin.flush()
        time.sleep(0.25)
    proc.stdin.close()
    status, err = proc.wait(timeout=harness.TIMEOUT), b""
    with contextlib.suppress(OSError):  # a pty reads EIO once the other end is closed
        while data := os.read(master, 4096):
            err += data
    os.close(master)
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
