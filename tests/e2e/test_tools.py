"""quarvel-snapshot, tools/run-example.sh and an install into a DESTDIR; no X server."""
import os, pathlib, subprocess, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import SOURCE

BUILD = os.path.abspath(os.environ.get("QUARVEL_BUILD_DIR", "build"))
RENDER = os.path.join(BUILD, "tools", "quarvel-render")

INSTALLED = ["bin/quarvel", "bin/quarvel-gen", "bin/quarvel-import", "bin/quarvel-snapshot",
             "bin/quarvel-render", "share/man/man1/quarvel.1", "share/man/man1/quarvel-gen.1",
             "share/man/man1/quarvel-import.1", "share/man/man1/quarvel-render.1"]


class ToolsTest(unittest.TestCase):
    def setUp(self):
        temporary = tempfile.TemporaryDirectory(prefix="quarvel-tools-test-")
        self.dir = pathlib.Path(self.enterContext(temporary)).resolve()
        (self.dir / "tmp").mkdir()

    def tool(self, name, *args, input=None, **env):
        """Runs tools/name (or an absolute name) here, no display; env None unsets."""
        env = {**os.environ, "DISPLAY": None, "TMPDIR": str(self.dir / "tmp"),
               "QUARVEL_RENDER": RENDER, **env}
        return subprocess.run([os.path.join(SOURCE, "tools", name)] + list(args), cwd=self.dir,
                              input=input, capture_output=True, text=True, timeout=120,
                              env={k: v for k, v in env.items() if v is not None})

    def test_snapshot_leaves_nothing_behind(self):
        wave = os.path.join(SOURCE, "examples", "wave.mesh")
        for args in (["--png", wave, "plain.bmp"], ["-k", "w", "-t", "5", wave, "w.bmp"],
                     ["--size", "333x211", wave, "small.bmp"], ["--png", wave, "only.png"]):
            r = self.tool("quarvel-snapshot", *args)
            said = "".join(l for l in r.stderr.splitlines(True) if ": note: the grid lines" not in l)
            self.assertEqual((r.returncode, said), (0, ""), args)  # a small picture brings that note
        plain, png = (self.dir / "plain.bmp").read_bytes(), (self.dir / "plain.png").read_bytes()
        self.assertEqual((len(plain), plain[:2], png[:4]), (750054, b"BM", b"\x89PNG"))
        self.assertNotEqual((self.dir / "w.bmp").read_bytes(), plain)
        self.assertEqual(len((self.dir / "small.bmp").read_bytes()), 54 + 211 * (3 * 333 + 1))
        r = self.tool("quarvel-snapshot", "-", "bad.bmp", input="2 * 2\n1 2 3\n1 2\n")
        self.assertTrue(r.returncode and "not in 'x y z' format." in r.stderr, r.stderr)
        r = self.tool("quarvel-snapshot", "-k", "w q", wave, "q.bmp")
        self.assertEqual((r.returncode, r.stderr.count("\n")), (1, 1), r.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)),
                         ["only.png", "plain.bmp", "plain.png", "small.bmp", "tmp", "w.bmp"])
        self.assertEqual(os.listdir(self.dir / "tmp"), [])

    def test_run_example_without_display(self):
        os.symlink(os.path.join(BUILD, "quarvel"), self.dir / "quarvel")
        os.symlink(RENDER, self.dir / "quarvel-render")
        os.mkdir(self.dir / "tools")
        os.symlink(os.path.join(BUILD, "tools", "quarvel-import"), self.dir / "tools/quarvel-import")
        for example in ("torus.mesh", "dem.png"):  # mesh text, and data through quarvel-import
            r = self.tool("run-example.sh", "examples/" + example, BUILD_DIR=str(self.dir))
            picture = self.dir / (example.split(".")[0] + ".png")
            self.assertIn(str(picture), r.stdout, r.stderr)
            self.assertGreater(os.path.getsize(picture), 1000)
        self.assertEqual(os.listdir(self.dir / "tmp"), [])  # the converted mesh is gone

    def test_installed_snapshot_finds_installed_renderer(self):
        usr = self.dir / "root/usr"
        subprocess.run(["cmake", "--install", os.environ.get("QUARVEL_BUILD_DIR", "build"),
                        "--prefix", "/usr"], env=dict(os.environ, DESTDIR=str(self.dir / "root")),
                       check=True, capture_output=True)
        for name in INSTALLED:
            self.assertTrue(os.access(usr / name, os.X_OK if "bin/" in name else os.R_OK), name)
        # No QUARVEL_RENDER and none on PATH: only the renderer beside the tool.
        r = self.tool(usr / "bin/quarvel-snapshot", usr / "share/quarvel/examples/torus.mesh",
                      "torus.bmp", QUARVEL_RENDER=None, PATH="/usr/bin:/bin")
        self.assertEqual(len((self.dir / "torus.bmp").read_bytes()), 750054, r.stderr)


if __name__ == "__main__":
    unittest.main()
