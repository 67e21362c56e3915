"""quarvel-render: the same pixels as the viewer's saved window (run under
Xvfb) for every example and for keys that touch every drawing mode, light,
clipping, reversal, zoom and arrow key; sizes, turntables and errors."""
import os, pathlib, resource, struct, subprocess, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import NO_DISPLAY, SOURCE, Viewer, shared_xserver, wait_for

setUpModule, tearDownModule = shared_xserver(globals())
RENDER = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", "build"), "tools", "quarvel-render")
EXAMPLES = sorted(p.stem for p in pathlib.Path(SOURCE, "examples").glob("*.mesh"))
# Flat, seen head-on from above: the depth buffer's bits decide grid against surface.
SQUARE = "4 * 4\n" + "".join("%d %d 0\n" % (i, j) for j in range(-3, 4, 2) for i in range(-3, 4, 2))
UP35 = " ".join(["Up"] * 35)
# Keys: "|" makes the viewer draw (and save) before the next keys, as it does
# between keys typed by hand; wire-frame lines keep the last shade model drawn.
IDENTICAL = [  # (mesh, viewer options, keys, window size or None for 500 x 500)
    *[(name, [], "", None) for name in EXAMPLES],
    ("wave", [], "s", None), ("wave", [], "f", None), ("wave", [], "w", None),
    ("wave", [], "s | w", None), ("wave", [], "s | w s s", None), ("wave", [], "a", None),
    ("torus", [], "C", None),
    ("wave", [], "1", None), ("wave", [], "2", None), ("torus", [], "1 2", None),
    ("wave", [], "r", None), ("wave", ["-r"], "", None), ("wave", ["-r"], "r u", None),
    ("terrain", [], "u u u z z", None), ("terrain", [], "d Z", None),
    ("wave", [], "+ + -", None), ("coarse", [], "; g", None),
    ("saddle", [], "Up Up Left Left Left Down Right", None), ("wave", [], "* * Right Up", None),
    ("wave", [], "/ Left " + UP35, None), ("torus", [], "w C a 2 Down Down", None),
    ("wave", [], "u", (333, 211)), ("torus", [], "C", (200, 420)),
    ("square", [], "", None), ("square", [], UP35, None), ("square", [], "u u " + UP35, None),
]


def render(*args, stdin=None, limit=None):
    return subprocess.run([RENDER, *args], input=stdin, capture_output=True, env=NO_DISPLAY,
                          timeout=300, preexec_fn=limit)


class RenderTest(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="quarvel-render-")))

    def mesh(self, name):
        if name == "square":
            (self.dir / "square.mesh").write_text(SQUARE)
            return str(self.dir / "square.mesh")
        return os.path.join(SOURCE, "examples", name + ".mesh")

    def picture(self, *args, out="p.bmp"):
        r = render(*args, str(self.dir / out))
        # Crowded grid lines bring a note; the picture is the viewer's all the same.
        said = b"".join(l for l in r.stderr.splitlines(True) if b": note: the grid lines" not in l)
        self.assertEqual((r.returncode, said), (0, b""), args)
        return (self.dir / out).read_bytes()

    def test_same_pixels_as_the_viewer(self):
        for name, options, keys, size in IDENTICAL:
            with self.subTest(mesh=name, options=options, keys=keys, size=size):
                with Viewer(x, options + [self.mesh(name)]) as v:
                    for i, group in enumerate(keys.split("|")):
                        if i:
                            v.save()
                        if group.split():
                            v.keys(*[{"*": "asterisk", "+": "plus", "-": "minus", "/": "slash",
                                      ";": "semicolon"}.get(k, k) for k in group.split()])
                    if size:  # a save just after a resize can still show the old drawable
                        v.resize(*size)
                        wait_for(lambda: v.save() == v.save(), "the resized window to settle")
                    saved = v.save()
                size_args = ["--size", "%dx%d" % size] if size else []
                ours = self.picture(*options, "-k", keys.replace("|", ""), *size_args, self.mesh(name))
                if ours != saved:
                    self.fail("%d of %d bytes differ" % (sum(a != b for a, b in zip(ours, saved)), len(saved)))

    def test_sizes_pad_rows_as_bmp_requires(self):
        for width, height in [(333, 211), (1, 1), (2, 3), (120, 1700), (4096, 4096)]:
            data = self.picture("--size", "%dx%d" % (width, height), self.mesh("coarse"))
            self.assertEqual(len(data), 54 + height * (3 * width + width % 4), (width, height))
        png = self.picture("--size", "333x211", self.mesh("coarse"), out="p.png")
        self.assertEqual((png[:8], png[16:24]), (b"\x89PNG\r\n\x1a\n", bytes.fromhex("0000014d000000d3")))

    def test_turntable_closes_and_counts_frames(self):
        wave, small = self.mesh("wave"), ["--size", "120x90"]
        start = self.picture(*small, wave, out="start.png")
        self.assertEqual(self.picture(*small, "-k", " ".join(["Right"] * 180), wave, out="turned.png"), start)
        self.assertNotEqual(self.picture(*small, "-k", "Right", wave, out="step.png"), start)
        r = render(*small, "--turntable", "36", wave, str(self.dir / "frames") + "/")
        frames = sorted(os.listdir(self.dir / "frames"))
        self.assertEqual((r.returncode, len(frames), frames[0]), (0, 36, "frame-0000.png"))
        self.assertEqual((self.dir / "frames" / frames[0]).read_bytes(), start)
        r = render(*small, "-k", "*", "--turntable", "7", wave, str(self.dir / "a.gif"))
        self.assertIn(b"7 frames do not divide a turn of 90 arrow steps; making 6", r.stderr)
        count = subprocess.run(["identify", "-format", "%n\n", str(self.dir / "a.gif")],
                               capture_output=True, text=True).stdout.split()
        self.assertEqual((r.returncode, count[0]), (0, "6"))
        if subprocess.run(["sh", "-c", "command -v ffmpeg"], capture_output=True).returncode == 0:
            r = render(*small, "--turntable", "4", wave, str(self.dir / "a.mp4"))
            self.assertEqual((r.returncode, (self.dir / "a.mp4").read_bytes()[4:8]), (0, b"ftyp"), r.stderr)

    def test_gif_frames_are_the_stills_upright(self):
        # The GIF's palette and dither move each pixel a little from the
        # still; this close view of the tube differs top to bottom and left
        # to right by far more, so a flipped or mirrored frame cannot pass.
        tube, small, keys = self.mesh("tube"), ["--size", "40x30"], "u u u u"
        gif = str(self.dir / "a.gif")
        r = render(*small, "-k", keys, "--turntable", "4", tube, gif)
        self.assertEqual(r.returncode, 0, r.stderr)
        for frame, turn in [(0, ""), (1, " Right" * 45)]:  # a quarter of 180 steps
            bmp = self.picture(*small, "-k", keys + turn, tube)
            offset, width, height = struct.unpack_from("<I4xii", bmp, 10)
            stride = (3 * width + 3) // 4 * 4
            still = [[bmp[at + 3 * x:at + 3 * x + 3][::-1] for x in range(width)]  # top row first, RGB
                     for at in range(offset + (height - 1) * stride, offset - 1, -stride)]
            ppm = self.dir / "frame.ppm"
            subprocess.run(["convert", "%s[%d]" % (gif, frame), str(ppm)], check=True)
            header, pixels = b"P6\n40 30\n255\n", ppm.read_bytes()
            self.assertEqual(pixels[:len(header)], header)
            ours = [[pixels[at + 3 * x:at + 3 * x + 3] for x in range(width)]
                    for at in range(len(header), len(pixels), 3 * width)]
            def mean_difference(rows):
                return sum(abs(a - b) for row, mine in zip(rows, ours) for p, q in zip(row, mine)
                           for a, b in zip(p, q)) / (3 * width * height)
            views = {"upright": still, "flipped": still[::-1], "mirrored": [row[::-1] for row in still]}
            differences = {name: mean_difference(rows) for name, rows in views.items()}
            self.assertTrue(differences["upright"] < 2 < min(differences["flipped"], differences["mirrored"]),
                            "frame %d: mean differences %s" % (frame, differences))

    def test_any_file_quarvel_import_reads_is_its_mesh_text(self):
        # Read in-process, a file gives the picture of the mesh text
        # quarvel-import writes for it, with the import's options.
        csv = self.dir / "h.csv"
        csv.write_text("".join(",".join(str((r * c) % 5) for c in range(9)) + "\n" for r in range(7)))
        imported = subprocess.run([os.path.join(os.path.dirname(RENDER), "quarvel-import"),
                                   "--every", "2", str(csv)], capture_output=True, check=True).stdout
        (self.dir / "h.txt").write_bytes(imported)  # mesh text not named .mesh
        pictures = []
        for args in (["-"], ["--every", "2", str(csv)], [str(self.dir / "h.txt")]):
            r = render("-k", "d d", *args, str(self.dir / "a.bmp"), stdin=imported)
            self.assertEqual((r.returncode, r.stderr), (0, b""), args)
            pictures.append((self.dir / "a.bmp").read_bytes())
        self.assertEqual(pictures, [pictures[0]] * 3)

    def test_errors_give_one_line_and_no_file(self):
        wave, out = self.mesh("wave"), str(self.dir / "out.png")
        full = self.enterContext(tempfile.TemporaryDirectory()) + "/full"  # links to /dev/full
        for ext in (".bmp", ".png", ".gif"):
            os.symlink("/dev/full", full + ext)
        cases = [  # (arguments, standard input, part of the message)
            ([wave, "/nonexistent/dir/out.png"], None, b"cannot write /nonexistent/dir/out.png"),
            (["-", out], b"2 * 2\n1 2 3\n1 2\n", b"render: standard input: not in 'x y z' format.\n"),
            ([str(self.dir / "none.mesh"), out], None, b"cannot open"),
            (["--size", "0x5", wave, out], None, b"--size wants a whole number"),
            (["--size", "500", wave, out], None, b"--size wants WIDTHxHEIGHT"),
            (["-k", "Up Fly", wave, out], None, b"unknown key 'Fly'"),
            (["-k", "B", wave, out], None, b"unknown key 'B'"),
            (["--bogus", wave, out], None, b"unknown option --bogus"),
            ([wave], None, b"needs an INPUT"),
            ([wave, str(self.dir / "out.gif")], None, b"needs --turntable N"),
            (["--fps", "5", wave, out], None, b"--fps needs --turntable"),
            (["--turntable", "4", wave, out], None, b"a turntable goes to"),
            (["-k", "* * *", "--turntable", "4", wave, str(self.dir / "a.gif")], None,
             b"does not divide a full turn"),
            ([wave, str(self.dir / "out.txt")], None, b"cannot tell what to write"),
            # Writes that fail give the reason, and leave no other OUT written.
            ([wave, full + ".png"], None, b"full.png: No space left on device"),
            (["--turntable", "2", wave, full + ".gif"], None, b"full.gif: No space left on device"),
            ([wave, out, full + ".bmp"], None, b"full.bmp: No space left on device"),
            ([wave, out, "/nonexistent/dir/b.png"], None, b"cannot write /nonexistent/dir/b.png"),
        ]
        for args, stdin, message in cases:
            with self.subTest(args=args):
                r = render(*args, stdin=stdin)
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
                self.assertTrue(r.stderr.startswith(b"quarvel-render: ") and r.stderr.endswith(b"\n")
                                and r.stderr.count(b"\n") == 1, r.stderr)
                self.assertEqual(os.listdir(self.dir), [])
        r = subprocess.run([RENDER, "--turntable", "4", wave, str(self.dir / "a.mp4")],
                           capture_output=True, env=dict(NO_DISPLAY, PATH="/nonexistent"))
        self.assertEqual((r.returncode, r.stderr.count(b"\n")), (1, 1))
        self.assertIn(b"ffmpeg is not installed", r.stderr)
        self.assertEqual(os.listdir(self.dir), [])

    def test_file_size_limit_is_reported(self):  # not a silent death by SIGXFSZ
        # A hard link is written in place, with no temporary file to fall back on.
        picture = self.dir / "p.bmp"
        picture.write_bytes(b"old")
        os.link(picture, self.dir / "twin.bmp")
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))
        r = subprocess.run([RENDER, self.mesh("wave"), str(picture)], capture_output=True,
                           env=NO_DISPLAY, preexec_fn=limit, timeout=300)
        self.assertEqual((r.returncode, r.stderr),
                         (1, b"quarvel-render: error writing %s: File too large\n" % bytes(picture)))

    def test_file_names_with_control_characters_stay_on_one_line(self):
        odd = str(self.dir / "a\n\x1b[31m")
        pathlib.Path(odd + ".mesh").write_text("0 * 2\n")
        shown = odd.encode().replace(b"\n", b"\\n").replace(b"\x1b", b"\\x1b")
        cases = [  # (arguments, message)
            ([odd + ".mesh", odd + ".png"],
             b"'%s.mesh': bad grid size in header: 0 * 2 (rows and columns must be at least 1)" % shown),
            ([odd + "none.mesh", odd + ".png"], b"cannot open '%snone.mesh'" % shown),
            ([self.mesh("coarse"), odd + ".txt"], b"cannot tell what to write to '%s.txt'" % shown),
            ([self.mesh("coarse"), odd + "/out.png"], b"cannot write '%s/out.png'" % shown),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = render(*args)
                self.assertEqual((r.returncode, r.stderr.count(b"\n")), (1, 1), r.stderr)
                self.assertIn(b"quarvel-render: " + message, r.stderr)
                self.assertNotIn(b"\x1b", r.stderr)

    def test_turntable_directory_holds_the_new_frames_only(self):
        frames, wave, small = self.dir / "frames", self.mesh("wave"), ["--size", "40x30"]
        frames.mkdir()
        beyond = ["frame-0004.png", "frame-00007.png", "frame-12345.png"]
        others = ["frame-999.png", "frame-0005.png.bak", "frame-0006.PNG", "notes.txt"]
        for name in beyond + others:
            (frames / name).write_bytes(b"old")
        r = render(*small, "--turntable", "4", wave, str(frames))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(frames)),
                         sorted(others + ["frame-%04d.png" % i for i in range(4)]))
        # A directory made for a turntable that fails goes again.
        fsize = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (64, 64))
        r = render(*small, "--turntable", "4", wave, str(self.dir / "new") + "/", limit=fsize)
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"frame-0000.png: File too large", r.stderr)
        self.assertFalse((self.dir / "new").exists())


if __name__ == "__main__":
    unittest.main()
