"""quarvel-snapshot end to end: pictures, keys, errors and clean-up.

Every run gets a private working directory and TMPDIR; afterwards no
process may still run there (an orphaned Xvfb or viewer) and no temporary
directory may be left behind.
"""
import os
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE = os.environ.get("QUARVEL_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(SOURCE, "tools", "quarvel-snapshot")
WAVE = os.path.join(SOURCE, "examples", "wave.mesh")


def processes_in(directory):
    """Pids of processes whose working directory lies inside directory."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            cwd = os.readlink("/proc/%s/cwd" % pid)
        except OSError:
            continue
        if cwd.startswith(directory):
            found.append(int(pid))
    return found


def command_of(pid):
    try:
        with open("/proc/%d/cmdline" % pid) as f:
            return f.read().replace("\0", " ").strip()
    except OSError:
        return "?"


class SnapshotTest(unittest.TestCase):
    def setUp(self):
        self.dir = os.path.realpath(tempfile.mkdtemp(prefix="quarvel-snapshot-test-"))
        self.tmp = os.path.join(self.dir, "tmp")
        os.mkdir(self.tmp)

    def tearDown(self):
        # Short-lived helpers (Xvfb's keymap compiler) may take a moment.
        deadline = time.monotonic() + 5
        while processes_in(self.dir) and time.monotonic() < deadline:
            time.sleep(0.05)
        left = [(pid, command_of(pid)) for pid in processes_in(self.dir)]
        for pid, _ in left:
            os.kill(pid, signal.SIGKILL)
        leftovers = os.listdir(self.tmp)
        subprocess.run(["rm", "-rf", self.dir], check=True)
        self.assertEqual(left, [], "processes left running")
        self.assertEqual(leftovers, [], "temporary files left behind")

    def snap(self, *args, stdin=None, env=None, check=True):
        full_env = dict(os.environ, TMPDIR=self.tmp, **(env or {}))
        r = subprocess.run([TOOL] + list(args), cwd=self.dir, env=full_env, input=stdin,
                           capture_output=True, text=True, timeout=120)
        if check:
            self.assertEqual(r.returncode, 0, r.stderr)
        return r

    def read(self, name):
        with open(os.path.join(self.dir, name), "rb") as f:
            return f.read()

    def test_pictures_and_keys(self):
        self.snap("--png", WAVE, "plain.bmp")
        plain = self.read("plain.bmp")
        self.assertEqual(len(plain), 750054)
        self.assertEqual(plain[:2], b"BM")
        self.assertEqual(struct.unpack_from("<ii", plain, 18), (500, 500))
        png = self.read("plain.png")
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack_from(">II", png, 16), (500, 500))

        # Each key changes the picture; one -k with blanks equals several -k.
        pictures = {}
        for keys in (["w"], ["C"], ["Up", "Up"], ["+"], ["z"]):
            self.snap(*sum((["-k", k] for k in keys), []), WAVE, "k.bmp")
            pictures[" ".join(keys)] = self.read("k.bmp")
            self.assertNotEqual(pictures[" ".join(keys)], plain, keys)
        self.snap("-k", "Up Up", WAVE, "k.bmp")
        self.assertEqual(self.read("k.bmp"), pictures["Up Up"])

        # -r turns the surface over; "-" reads the mesh from standard input.
        self.snap("-r", WAVE, "r.bmp")
        self.assertNotEqual(self.read("r.bmp"), plain)
        with open(WAVE) as f:
            self.snap("-", "stdin.bmp", stdin=f.read())
        self.assertEqual(self.read("stdin.bmp"), plain)

    def test_viewer_errors_are_shown(self):
        bad = os.path.join(self.dir, "bad.mesh")
        with open(bad, "w") as f:
            f.write("2 * 2\n1 2 3\n1 2\n")
        r = self.snap(bad, "bad.bmp", check=False)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("not in 'x y z' format.", r.stderr)
        self.assertIn("status 1", r.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "bad.bmp")))

        r = self.snap("-", "short.bmp", stdin="3 * 3\n0 0 0\n", check=False)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("cannot read any more.", r.stderr)

    def bin_without(self, missing):
        """A PATH directory with what the tool needs except one program."""
        path = os.path.join(self.dir, "bin-without-" + missing)
        os.mkdir(path)
        for name in ("bash", "dirname", "basename", "Xvfb", "xdotool"):
            if name != missing:
                os.symlink(shutil.which(name, path="/usr/bin:/bin"), os.path.join(path, name))
        return path

    def test_bad_use_and_missing_programs(self):
        cases = [
            ((WAVE,), {}, "Usage:"),
            (("nosuch.mesh", "x.bmp"), {}, "cannot read mesh file: nosuch.mesh"),
            (("-k", "q", WAVE, "x.bmp"), {}, "typed by quarvel-snapshot itself"),
            (("-k", "nosuchkey", WAVE, "x.bmp"), {}, "unknown key"),
            ((WAVE, "x.bmp"), {"QUARVEL": "/nonexistent/quarvel"}, "not an executable"),
            ((WAVE, "x.bmp"), {"PATH": self.bin_without("Xvfb")}, "Xvfb is missing"),
            ((WAVE, "x.bmp"), {"PATH": self.bin_without("xdotool")}, "xdotool is missing"),
        ]
        for args, env, message in cases:
            with self.subTest(args=args, env=env):
                r = self.snap(*args, env=env, check=False)
                self.assertNotEqual(r.returncode, 0)
                self.assertIn(message, r.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.dir, "x.bmp")))

    def test_timeout_and_interrupt_clean_up(self):
        # A "viewer" that never opens a window.
        fake = os.path.join(self.dir, "silent-viewer")
        with open(fake, "w") as f:
            f.write("#!/bin/sh\nexec sleep 300\n")
        os.chmod(fake, os.stat(fake).st_mode | stat.S_IXUSR)

        start = time.monotonic()
        r = self.snap("-t", "1", WAVE, "x.bmp", env={"QUARVEL": fake}, check=False)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("did not appear within 1 s", r.stderr)
        self.assertLess(time.monotonic() - start, 30)

        proc = subprocess.Popen([TOOL, WAVE, "x.bmp"], cwd=self.dir,
                                env=dict(os.environ, TMPDIR=self.tmp, QUARVEL=fake),
                                stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while (not any(command_of(p) == "sleep 300" for p in processes_in(self.dir))
               and time.monotonic() < deadline):
            time.sleep(0.05)  # until the fake viewer runs beside Xvfb
        proc.send_signal(signal.SIGTERM)
        self.assertNotEqual(proc.wait(timeout=30), 0)


class RunExampleTest(unittest.TestCase):
    """tools/run-example.sh: a window with a display, a picture without."""

    def setUp(self):
        self.build = tempfile.mkdtemp(prefix="quarvel-run-example-test-")
        os.symlink(os.path.abspath(os.environ.get("QUARVEL", "build/quarvel")),
                   os.path.join(self.build, "quarvel"))
        self.script = os.path.join(SOURCE, "tools", "run-example.sh")

    def tearDown(self):
        shutil.rmtree(self.build)

    def test_without_display_takes_a_picture(self):
        env = dict(os.environ, BUILD_DIR=self.build)
        env.pop("DISPLAY", None)
        r = subprocess.run([self.script, "examples/torus.mesh"], env=env, capture_output=True,
                           text=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)
        png = os.path.join(self.build, "torus.png")
        self.assertIn(png, r.stdout)
        self.assertTrue(os.path.getsize(png) > 1000)

    def test_with_display_opens_the_viewer(self):
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        import harness
        with harness.XServer() as x:
            proc = subprocess.Popen([self.script], env=dict(x.env, BUILD_DIR=self.build),
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            try:
                window = harness.wait_for(
                    lambda: x.run("xdotool", "search", "--onlyvisible", "--name", "quarvel",
                                  check=False).stdout.split(), "the viewer's window")[0]
                x.run("xdotool", "key", "--window", window, "q", check=False)
                out, err = proc.communicate(timeout=30)
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
            self.assertEqual(proc.returncode, 0, err)
            self.assertIn("Opening examples/wave.mesh", out)
            self.assertEqual(os.listdir(self.build), ["quarvel"])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[1:])
