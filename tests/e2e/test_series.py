"""quarvel-render --series: one frame per input; with --figure one box and
one colour scale over the whole series, frame labels in the title area;
inputs of any size; a bad input leaves no OUT; refusals."""
import os, pathlib, subprocess, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import NO_DISPLAY, Image
from test_figure import mesh_text, surface_box

RENDER = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", "build"), "tools", "quarvel-render")


def flat(height, n=6):
    return mesh_text(n, lambda x, y: height)


class SeriesTest(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="quarvel-series-")))

    def inputs(self, **texts):
        for name, text in texts.items():
            (self.dir / name).write_text(text)
        return [str(self.dir / name) for name in texts]

    def series(self, *args, out="out/"):
        r = subprocess.run([RENDER, "--series", *args, str(self.dir) + "/" + out], capture_output=True,
                           env=NO_DISPLAY, timeout=300)
        return r

    def frames(self, *args):
        """The frames written to a directory, as images."""
        r = self.series(*args)
        self.assertEqual((r.returncode, r.stderr), (0, b""), args)
        names = sorted(os.listdir(self.dir / "out"))
        return [Image.from_bmp(subprocess.run(["convert", str(self.dir / "out" / n), "bmp3:-"],
                                              capture_output=True, check=True).stdout) for n in names]

    def test_one_box_and_one_colour_scale(self):
        # Natural order puts h-2 before h-10, whatever order they came in.
        files = self.inputs(**{"h-1.mesh": flat(0.0), "h-2.mesh": flat(1.0), "h-10.mesh": flat(2.0)})
        for order in (["--series-sort", "natural", files[2], files[0], files[1]], files):
            with self.subTest(order=order):
                images = self.frames("--figure", "--view", "top", *order)
                boxes = [surface_box(image) for image in images]
                for box in boxes:  # the same place, within the antialiased edge
                    self.assertLessEqual(max(abs(a - b) for a, b in zip(box, boxes[0])), 1, boxes)
                left, top, right, bottom = boxes[0]
                colours = [image.pixel((left + right) // 2, (top + bottom) // 2) for image in images]
                self.assertEqual(len(set(colours)), 3, colours)
                # viridis: dark violet at the lowest height, yellow at the highest
                self.assertLess(sum(colours[0]), 300)
                self.assertGreater(colours[2][0] + colours[2][1], 350)
                self.assertLess(colours[2][2], 120)

    def test_a_note_is_said_once_for_inputs_of_one_kind(self):
        files = self.inputs(**{"a.csv": ",0,1\n0,1,2\n1,3,4\n", "b.csv": ",0,1\n0,1,2\n1,3,5\n",
                               "c.csv": ",0,1\n0,1,2\n1,3,,\n"})
        r = self.series("--figure", *files, out="s.gif")
        lines = r.stderr.decode().splitlines()
        self.assertEqual(r.returncode, 0, lines)
        self.assertEqual(len(lines), 3, lines)
        self.assertIn("a.csv:1: a header line", lines[0])
        self.assertIn("c.csv: 1 of 4 heights were no-data", lines[1])
        self.assertTrue(lines[2].endswith("note: the same for 2 more input(s) as for " + files[0]), lines)

    def test_inputs_of_different_sizes(self):
        files = self.inputs(**{"a.mesh": mesh_text(5, lambda x, y: x), "b.mesh": mesh_text(40, lambda x, y: x * y),
                               "c.csv": "1,2,3\n4,5,6\n"})
        for args in (["--figure"], []):
            with self.subTest(args=args):
                n = 3 if args else 2  # the viewer reads mesh text only
                r = self.series(*args, *files[:n], out="s.gif")
                self.assertEqual((r.returncode, r.stderr), (0, b""))
                identify = subprocess.run(["identify", str(self.dir / "s.gif")], capture_output=True, check=True)
                self.assertEqual(identify.stdout.count(b"\n"), n)

    def test_frame_label_in_the_title_area(self):
        files = self.inputs(**{"step-1.mesh": flat(0.0), "step-22.mesh": flat(1.0)})
        for title in ([], ["--title", "Heat"]):
            with self.subTest(title=title):
                bare = self.frames("--figure", *title, *files)
                labelled = self.frames("--figure", *title, "--frame-label", "{n}/{count} {stem}", *files)
                # The label's line: empty without a label, a different text in each frame.
                band = lambda image: image.rows[:image.height // 8]
                self.assertNotEqual(band(labelled[0]), band(bare[0]))
                self.assertNotEqual(band(labelled[0]), band(labelled[1]))
                if title:  # the title's own rows stay as they were
                    self.assertEqual(labelled[0].rows[:20], bare[0].rows[:20])

    def test_bad_input_stops_the_series_and_leaves_no_out(self):
        good = self.inputs(**{"a.mesh": flat(0.0), "c.mesh": flat(1.0)})
        (self.dir / "b.mesh").write_text("2 * 2\n1 2 3\n1 2\n")
        (self.dir / "b.npy").write_bytes(b"\x93NUMPY\x01\x00")
        before = set(os.listdir(self.dir))
        cases = [  # (arguments, the bad input, OUT, part of the message)
            (["--figure"], "b.mesh", "s.gif", b"b.mesh: not in 'x y z' format."),
            (["--figure"], "b.npy", "out/", b"b.npy: "),
            ([], "b.mesh", "out/", b"b.mesh: not in 'x y z' format."),
            ([], "b.mesh", "s.mp4", b"b.mesh: not in 'x y z' format."),
            (["--figure"], "none.mesh", "out/", b"cannot open " + str(self.dir / "none.mesh").encode()),
        ]
        for args, bad, out, message in cases:
            with self.subTest(bad=bad, out=out):
                r = self.series(*args, good[0], str(self.dir / bad), good[1], out=out)
                self.assertEqual((r.returncode, r.stderr.count(b"\n")), (1, 1), r.stderr)
                self.assertIn(message, r.stderr)
                self.assertEqual(set(os.listdir(self.dir)), before)
        # The first pass reads two inputs at once: of two bad ones side by
        # side, read together, the first in order is told, after the notes of
        # the inputs before it.
        (self.dir / "n.csv").write_text(",0,1\n0,1,2\n1,3,4\n")
        many = [str(self.dir / "n.csv"), good[0], str(self.dir / "b.mesh"), str(self.dir / "b.npy"), good[1]]
        r = self.series("--figure", *many, out="s.gif")
        lines = r.stderr.decode().splitlines()
        self.assertEqual((r.returncode, len(lines)), (1, 2), lines)
        self.assertIn("n.csv:1: a header line", lines[0])
        self.assertIn("b.mesh: not in 'x y z' format.", lines[1])
        self.assertFalse((self.dir / "s.gif").exists())

    def test_refusals(self):
        a, b = self.inputs(**{"a.mesh": flat(0.0), "b.mesh": flat(1.0)})
        cases = [  # (arguments, message)
            (["--turntable", "4", a, b], b"--series and --turntable do not go together"),
            (["-", a, "-"], b"standard input (-) can be only one of a series' inputs"),
            (["--frame-label", "{n}", a, b], b"--frame-label needs --figure"),
            (["--figure", "--frame-label", "{step}", a, b], b"--frame-label knows no {step}"),
            (["--figure", "--frame-label", "t={n", a, b], b"--frame-label has a '{' without '}'"),
            (["--series-sort", "date", a, b], b"--series-sort wants natural or given, not 'date'"),
            ([], b"--series needs one or more inputs and an OUT"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = self.series(*args)
                self.assertEqual((r.returncode, r.stderr.count(b"\n")), (1, 1), r.stderr)
                self.assertIn(message, r.stderr)
                self.assertFalse((self.dir / "out").exists())
        r = subprocess.run([RENDER, "--series", a, b, str(self.dir / "s.png")], capture_output=True)
        self.assertIn(b"a series goes to a .gif, an .mp4 or a directory, not ", r.stderr)


if __name__ == "__main__":
    unittest.main()
