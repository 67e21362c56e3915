"""quarvel-snapshot, tools/run-example.sh and an install into a DESTDIR."""
import os, pathlib, subprocess, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import BINARY, SOURCE, wait_for

INSTALLED = ["bin/quarvel", "bin/quarvel-gen", "bin/quarvel-import", "bin/quarvel-snapshot",
             "share/man/man1/quarvel.1", "share/man/man1/quarvel-import.1"]


class ToolsTest(unittest.TestCase):
    def setUp(self):
        temporary = tempfile.TemporaryDirectory(prefix="quarvel-tools-test-")
        self.dir = pathlib.Path(self.enterContext(temporary)).resolve()
        (self.dir / "tmp").mkdir()

    def tool(self, name, *args, input=None, **env):
        """Runs tools/name (or an absolute name) here, no display; env None unsets."""
        env = {**os.environ, "DISPLAY": None, "TMPDIR": str(self.dir / "tmp"),
               "QUARVEL": BINARY, **env}
        return subprocess.run([os.path.join(SOURCE, "tools", name)] + list(args), cwd=self.dir,
                              input=input, capture_output=True, text=True, timeout=120,
                              env={k: v for k, v in env.items() if v is not None})

    def test_snapshot_leaves_nothing_behind(self):
        wave = os.path.join(SOURCE, "examples", "wave.mesh")
        for args in (["--png", wave, "plain.bmp"], ["-k", "w", wave, "w.bmp"]):
            self.assertEqual(self.tool("quarvel-snapshot", *args).returncode, 0)
        plain, png = (self.dir / "plain.bmp").read_bytes(), (self.dir / "plain.png").read_bytes()
        self.assertEqual((len(plain), plain[:2], png[:4]), (750054, b"BM", b"\x89PNG"))
        self.assertNotEqual((self.dir / "w.bmp").read_bytes(), plain)
        r = self.tool("quarvel-snapshot", "-", "bad.bmp", input="2 * 2\n1 2 3\n1 2\n")
        self.assertTrue(r.returncode and "not in 'x y z' format." in r.stderr, r.stderr)
        self.assertEqual(os.listdir(self.dir / "tmp"), [])
        here = ["find", "/proc", "-maxdepth", "2", "-name", "cwd", "-lname", str(self.dir) + "*"]
        wait_for(lambda: not subprocess.run(here, capture_output=True, text=True).stdout,
                 "Xvfb and the viewer to end", timeout=5)

    def test_run_example_without_display(self):
        os.symlink(BINARY, self.dir / "quarvel")
        r = self.tool("run-example.sh", "examples/torus.mesh", BUILD_DIR=str(self.dir))
        self.assertIn(str(self.dir / "torus.png"), r.stdout, r.stderr)
        self.assertGreater(os.path.getsize(self.dir / "torus.png"), 1000)

    def test_installed_snapshot_finds_installed_viewer(self):
        usr = self.dir / "root/usr"
        subprocess.run(["cmake", "--install", os.environ.get("QUARVEL_BUILD_DIR", "build"),
                        "--prefix", "/usr"], env=dict(os.environ, DESTDIR=str(self.dir / "root")),
                       check=True, capture_output=True)
        for name in INSTALLED:
            self.assertTrue(os.access(usr / name, os.X_OK if "bin/" in name else os.R_OK), name)
        # No QUARVEL and no quarvel on PATH: only the viewer beside the tool.
        r = self.tool(usr / "bin/quarvel-snapshot", usr / "share/quarvel/examples/torus.mesh",
                      "torus.bmp", QUARVEL=None, PATH="/usr/bin:/bin")
        self.assertEqual(len((self.dir / "torus.bmp").read_bytes()), 750054, r.stderr)


if __name__ == "__main__":
    unittest.main()
