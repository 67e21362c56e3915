"""Saves that must not lose the old picture, and a viewer started with closed
standard streams, a vanished reader of its output or a file size limit: it
must neither hang nor die, and q still ends it with status 0."""
import os, pathlib, resource, shutil, subprocess, sys, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import BINARY, SOURCE, Viewer, shared_xserver, wait_for

setUpModule, tearDownModule = shared_xserver(globals())
MESH = os.path.join(SOURCE, "examples", "saddle.mesh")
SIZE, OLD = 750054, b"BM the picture saved before" * 100


def reachable_by_others(path):
    """Whether a user with no rights of its own can read path: every
    folder above it searchable by others, the file readable."""
    path = os.path.abspath(path)
    folders = [os.path.dirname(path)]
    while folders[-1] != "/":
        folders.append(os.path.dirname(folders[-1]))
    return (all(os.stat(f).st_mode & 0o001 for f in folders) and os.stat(path).st_mode & 0o004 != 0)


class HostileEnvironment(unittest.TestCase):
    def start(self, cwd=None, **popen):
        v = Viewer(x, [MESH], cwd=cwd, **popen)
        self.addCleanup(v.cleanup)
        return v, pathlib.Path(v.workdir, "quarvel.bmp")

    def quit(self, v):
        v.keys("q", check=False)
        self.assertEqual(v.wait_exit(), 0)

    def saved(self, bmp):  # the complete file, which only a finished save leaves
        wait_for(lambda: bmp.exists() and bmp.stat().st_size == SIZE, "a complete quarvel.bmp")

    def test_closed_standard_streams(self):
        for closed in (1, 2):  # the X connection takes the number: messages must not go there
            with self.subTest(closed=closed):
                v, bmp = self.start(preexec_fn=lambda: os.close(closed))
                bmp.mkdir()  # so the first save fails with a message on standard error
                v.keys("B")
                v.keys("a")  # any key: handled only if the viewer is alive and well
                bmp.rmdir()
                v.keys("B")
                self.saved(bmp)
                self.quit(v)

    def test_output_pipe_closed_by_its_reader(self):  # quarvel file | true
        v, bmp = self.start(stdout=subprocess.PIPE)
        v.proc.stdout.close()
        v.keys("B")
        self.saved(bmp)
        self.quit(v)

    def test_links_are_followed_and_the_mode_kept(self):
        v, bmp = self.start()
        target = pathlib.Path(v.workdir, "picture.bmp")
        target.write_bytes(OLD)
        target.chmod(0o640)
        bmp.symlink_to(target.name)
        self.assertEqual(len(v.save()), SIZE)
        self.assertEqual(bmp.readlink(), pathlib.Path(target.name))
        self.assertEqual(target.stat().st_mode & 0o777, 0o640)
        self.assertEqual(sorted(os.listdir(v.workdir)),
                         ["picture.bmp", "quarvel.bmp", "stderr.txt", "stdout.txt"])
        twin = pathlib.Path(v.workdir, "twin.bmp")
        twin.hardlink_to(target)  # written in place, so both names show the new picture
        v.keys("f")
        saved = v.save()
        self.assertEqual((twin.read_bytes(), target.read_bytes()), (saved, saved))

    def full_directory(self):  # (directory, preexec_fn) where 512 KiB is all there is
        path = pathlib.Path(os.environ.get("TMPDIR", "/tmp"), "quarvel-full-%d" % os.getpid())
        path.mkdir()
        self.addCleanup(shutil.rmtree, path)
        mount = ["mount", "-t", "tmpfs", "-o", "size=512k", "tmpfs", path]
        if os.geteuid() == 0 and subprocess.run(mount, capture_output=True).returncode == 0:
            self.addCleanup(subprocess.run, ["umount", path], check=True)
            return path, None, "No space left on device"
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (512 << 10, 512 << 10))
        return path, limit, "File too large"

    def test_failed_saves_keep_the_old_picture(self):
        path, limit, reason = self.full_directory()
        v, bmp = self.start(cwd=str(path), preexec_fn=limit)
        bmp.write_bytes(OLD)
        v.keys("B")
        wait_for(v.stderr, "a message")
        v.keys("B")
        wait_for(lambda: v.stderr().count("\n") == 2, "the second message")
        self.assertEqual(v.stderr(), "error writing quarvel.bmp: %s\n" % reason * 2)
        self.assertEqual(v.stdout(), 'Saving Image to "quarvel.bmp"\n' * 2)
        self.assertEqual(bmp.read_bytes(), OLD)
        self.assertEqual(os.listdir(path), ["quarvel.bmp"])
        self.quit(v)

    def test_written_in_place_where_no_new_file_may_be_made(self):
        if os.geteuid() == 0:  # root may write anywhere: run as nobody
            hidden = [p for p in (BINARY, MESH) if not reachable_by_others(p)]
            if hidden:  # a checkout in a private directory (mktemp -d)
                self.skipTest("nobody cannot reach %s" % ", ".join(hidden))
            user = lambda: (os.setgid(65534), os.setuid(65534))
        else:
            user = None
        v, bmp = self.start(preexec_fn=user)
        bmp.write_bytes(OLD)
        bmp.chmod(0o666)
        os.chmod(v.cwd, 0o555)
        self.addCleanup(os.chmod, v.cwd, 0o755)
        self.assertEqual(len(v.save()), SIZE)
        self.quit(v)


if __name__ == "__main__":
    unittest.main()
