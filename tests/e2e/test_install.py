"""Installing into a DESTDIR: files land where expected, the installed tools
work together, and the Debian package holds the same files."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = os.environ.get("QUARVEL_BUILD_DIR", "build")
INSTALLED = ["usr/bin/quarvel", "usr/bin/quarvel-gen", "usr/bin/quarvel-snapshot",
             "usr/share/man/man1/quarvel.1", "usr/share/quarvel/examples/wave.mesh",
             "usr/share/quarvel/examples/torus.mesh"]


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="quarvel-install-test-")
        cls.root = os.path.join(cls.dir, "root")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", "/usr"], check=True,
                       env=dict(os.environ, DESTDIR=cls.root), capture_output=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def path(self, relative):
        return os.path.join(self.root, relative)

    def test_files_land_where_expected(self):
        for relative in INSTALLED:
            self.assertTrue(os.path.isfile(self.path(relative)), relative)
        for program in INSTALLED[:3]:
            self.assertTrue(os.access(self.path(program), os.X_OK), program)

    def test_installed_snapshot_finds_installed_viewer(self):
        # No QUARVEL and no quarvel on PATH: only the one beside the tool.
        env = dict(os.environ, PATH="/usr/bin:/bin", TMPDIR=self.dir)
        env.pop("QUARVEL", None)
        tool = self.path("usr/bin/quarvel-snapshot")
        out = os.path.join(self.dir, "torus.bmp")
        torus = subprocess.run([self.path("usr/bin/quarvel-gen"), "torus"], check=True,
                               capture_output=True, text=True).stdout
        r = subprocess.run([tool, "-", out], input=torus, env=env, capture_output=True,
                           text=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(os.path.getsize(out), 750054)

        hidden = self.path("usr/bin/quarvel.hidden")
        os.rename(self.path("usr/bin/quarvel"), hidden)
        try:
            r = subprocess.run([tool, self.path("usr/share/quarvel/examples/wave.mesh"), out],
                               env=env, capture_output=True, text=True, timeout=120)
        finally:
            os.rename(hidden, self.path("usr/bin/quarvel"))
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("cannot find the quarvel program", r.stderr)

    @unittest.skipUnless(shutil.which("cpack") and shutil.which("dpkg-deb"), "needs cpack and dpkg-deb")
    def test_debian_package(self):
        out = os.path.join(self.dir, "package")
        subprocess.run(["cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out],
                       check=True, capture_output=True)
        deb = [f for f in os.listdir(out) if f.endswith(".deb")]
        self.assertEqual(len(deb), 1, deb)
        deb = os.path.join(out, deb[0])
        depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], check=True,
                                 capture_output=True, text=True).stdout
        for package in ("libglut3.12", "libglu1-mesa"):
            self.assertIn(package, depends)
        listing = subprocess.run(["dpkg-deb", "-c", deb], check=True, capture_output=True,
                                 text=True).stdout
        for relative in INSTALLED:
            self.assertIn("./" + relative + "\n", listing)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[1:])
