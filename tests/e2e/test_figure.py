"""quarvel-render --figure: where heights and colours land on the picture
(map view: north up, east right; the earth map's coast at height 0), holes
left open, nothing drawn at the picture's edges at any size, turntables
whose colour bar stays, errors; and the viewer picture's note about grid
lines that hide the surface."""
import math, os, pathlib, struct, subprocess, sys, tempfile, unittest, zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import NO_DISPLAY, SOURCE, Image

RENDER = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", "build"), "tools", "quarvel-render")
WHITE = (255, 255, 255)


def mesh_text(n, height, x_range=(0.0, 1.0), y_range=(0.0, 1.0)):
    """An n x n grid over the ranges; height(x, y) gives z (None: NaN)."""
    lines = ["%d * %d\n" % (n, n)]
    for c in range(n):
        for r in range(n):
            x = x_range[0] + (x_range[1] - x_range[0]) * r / (n - 1)
            y = y_range[0] + (y_range[1] - y_range[0]) * c / (n - 1)
            z = height(x, y)
            lines.append("%r %r %s\n" % (x, y, "nan" if z is None else repr(z)))
    return "".join(lines)


def png(rows):
    """An 8-bit grayscale PNG of rows (lists of 0..255), row 0 the top."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def coloured(p):
    return max(p) - min(p) > 50


def surface_box(image):
    """(left, top, right, bottom) of the coloured pixels in the leftmost run
    of columns holding any: the surface, not the colour bar at the right."""
    columns = [x for x in range(image.width)
               if sum(coloured(image.pixel(x, y)) for y in range(0, image.height, 2)) >= 3]
    left = right = columns[0]
    while right + 1 in columns:
        right += 1
    rows = [y for y in range(image.height) if any(coloured(image.pixel(x, y)) for x in range(left, right + 1, 2))]
    return left, rows[0], right, rows[-1]


class FigureTest(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="quarvel-figure-")))

    def run_render(self, *args, stdin=None):
        return subprocess.run([RENDER, *args], input=stdin, capture_output=True, env=NO_DISPLAY, timeout=300)

    def figure(self, text, *args):
        r = self.run_render("--figure", *args, "-", str(self.dir / "f.bmp"), stdin=text.encode())
        self.assertEqual((r.returncode, r.stderr), (0, b""), args)
        return Image.from_bmp((self.dir / "f.bmp").read_bytes())

    def test_map_view_puts_north_east_up_right_in_the_top_colour(self):
        # x from 100 to 101, y from -7 to -6: true values, not centred ones.
        bump = mesh_text(31, lambda x, y: math.exp(-((x - 100.85) ** 2 + (y + 6.15) ** 2) / 0.005),
                         x_range=(100.0, 101.0), y_range=(-7.0, -6.0))
        image = self.figure(bump, "--view", "top")
        left, top, right, bottom = surface_box(image)
        yellow = [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1)
                  if (lambda p: p[0] > 190 and p[1] > 170 and p[2] < 90)(image.pixel(x, y))]
        self.assertGreater(len(yellow), 20)
        cx = sum(x for x, _ in yellow) / len(yellow)
        cy = sum(y for _, y in yellow) / len(yellow)
        self.assertAlmostEqual((cx - left) / (right - left), 0.85, delta=0.05)
        self.assertAlmostEqual((cy - top) / (bottom - top), 0.15, delta=0.05)

    def yellow_centre(self, image):
        """Where the top colour lies across the surface, as fractions from
        its left and top."""
        left, top, right, bottom = surface_box(image)
        yellow = [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1)
                  if (lambda p: p[0] > 190 and p[1] > 170 and p[2] < 90)(image.pixel(x, y))]
        self.assertGreater(len(yellow), 20)
        return (sum(x for x, _ in yellow) / len(yellow) - left) / (right - left), \
               (sum(y for _, y in yellow) / len(yellow) - top) / (bottom - top)

    def test_image_read_directly_keeps_north_east_up_right(self):
        # A bump around row 3, column 26 of 30: the image's top right.
        rows = [[int(250 * math.exp(-((r - 3) ** 2 + (c - 26) ** 2) / 4)) for c in range(30)] for r in range(30)]
        (self.dir / "bump.png").write_bytes(png(rows))
        r = self.run_render("--figure", "--view", "top", str(self.dir / "bump.png"), str(self.dir / "f.bmp"))
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        fx, fy = self.yellow_centre(Image.from_bmp((self.dir / "f.bmp").read_bytes()))
        self.assertAlmostEqual(fx, 26 / 29, delta=0.05)
        self.assertAlmostEqual(fy, 3 / 29, delta=0.05)

    def test_lonlat_data_keeps_ground_proportions(self):
        # Half a degree each way at latitude 60: the box half as wide as
        # deep, where degrees taken as they are would make it square, and
        # metres centred without --lonlat's labels a needle.
        lines = ["%r %r %r\n" % (10 + 0.5 * c / 9, 60 + 0.5 * r / 9, float(c * r)) for r in range(10) for c in range(10)]
        text = "".join(line + ("\n" if i % 10 == 9 else "") for i, line in enumerate(lines))
        left, top, right, bottom = surface_box(self.figure(text, "--view", "top", "--lonlat"))
        ratio = (right - left) / (bottom - top)
        self.assertAlmostEqual(ratio, math.cos(math.radians(60.25)) * 111320 / 110574, delta=0.04)

    def test_no_data_in_imported_heights(self):
        # A CSV with a NaN block: a hole, unless --nodata fills it.
        rows = [[("nan" if 15 <= r < 24 and 15 <= c < 24 else repr(float(r * c))) for c in range(31)]
                for r in range(31)]
        csv = "".join(",".join(row) + "\n" for row in rows)
        for args, hole in (((), True), (("--nodata", "min"), False)):
            with self.subTest(args=args):
                r = self.run_render("--figure", "--view", "top", *args, "-", str(self.dir / "f.bmp"), stdin=csv.encode())
                self.assertEqual(r.returncode, 0, r.stderr)
                image = Image.from_bmp((self.dir / "f.bmp").read_bytes())
                left, top, right, bottom = surface_box(image)
                middle = [image.pixel(int(left + 0.63 * (right - left)) + d, int(bottom - 0.63 * (bottom - top)) + d)
                          for d in range(-3, 4)]
                self.assertEqual(set(middle) == {WHITE}, hole)

    def test_earth_coast_lies_where_heights_cross_zero(self):
        sea = lambda p: p[2] > max(p[0], p[1]) + 40
        land = lambda p: max(p[0], p[1]) > p[2] + 15
        # z = x from -5 to 10: the coast a third of the way from west to east.
        image = self.figure(mesh_text(16, lambda x, y: x, x_range=(-5.0, 10.0), y_range=(0.0, 10.0)),
                            "--view", "top", "--colormap", "earth", "--range", "-5:30")
        left, top, right, bottom = surface_box(image)
        for y in (top + (bottom - top) // 4, (top + bottom) // 2):
            kinds = ["s" if sea(p) else "l" if land(p) else "-"
                     for p in (image.pixel(x, y) for x in range(left + 2, right - 1))]
            row = "".join(kinds)
            self.assertRegex(row, "^s+-?l+$")  # sea, at most one pixel of both, land
            coast = row.index("l")
            self.assertAlmostEqual((2 + coast) / (right - left), 1 / 3, delta=0.01)
        # Heights all above 0: land colours only, on the bar too.
        image = self.figure(mesh_text(16, lambda x, y: x + 6, x_range=(-5.0, 10.0)), "--colormap", "earth")
        self.assertFalse([1 for y in range(image.height) for x in range(image.width) if sea(image.pixel(x, y))])

    def test_no_data_is_a_hole(self):
        hole = lambda x, y: None if 0.5 < x < 0.8 and 0.5 < y < 0.8 else x * y
        image = self.figure(mesh_text(31, hole), "--view", "top")
        left, top, right, bottom = surface_box(image)
        at = lambda fx, fy: [image.pixel(int(left + fx * (right - left)) + dx, int(bottom - fy * (bottom - top)) + dy)
                             for dx in range(-4, 5) for dy in range(-4, 5)]
        self.assertEqual(set(at(0.65, 0.65)), {WHITE})
        self.assertTrue(all(coloured(p) for p in at(0.3, 0.65)))

    def test_nothing_reaches_the_edges(self):
        terrain = os.path.join(SOURCE, "examples", "terrain.mesh")
        for size, extra in (("320x240", []), ("1600x500", ["--title", "A title " * 40]),
                            ("500x1000", ["--view", "top"]), ("800x600", ["--view", "35,-20"])):
            with self.subTest(size=size, extra=extra):
                r = self.run_render("--figure", "--size", size, *extra, terrain, str(self.dir / "f.bmp"))
                self.assertEqual((r.returncode, r.stderr), (0, b""))
                image = Image.from_bmp((self.dir / "f.bmp").read_bytes())
                border = [image.pixel(x, y) for y in range(image.height) for x in range(image.width)
                          if min(x, y, image.width - 1 - x, image.height - 1 - y) < 3]
                self.assertEqual(set(border), {WHITE})
                self.assertGreater(sum(coloured(image.pixel(x, image.height // 2)) for x in range(image.width)), 50)

    def test_turntable_turns_the_box_and_keeps_the_colour_bar(self):
        frames = self.dir / "frames"
        r = self.run_render("--figure", "--size", "400x300", "--turntable", "7",
                            os.path.join(SOURCE, "examples", "terrain.mesh"), str(frames) + "/")
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        names = sorted(os.listdir(frames))
        self.assertEqual(names, ["frame-%04d.png" % i for i in range(7)])
        images = [Image.from_bmp(subprocess.run(["convert", str(frames / n), "bmp3:-"], capture_output=True,
                                                check=True).stdout) for n in names[:3]]
        bar = [[row[3 * 330:] for row in image.rows] for image in images]
        box = [[row[:3 * 300] for row in image.rows] for image in images]
        self.assertEqual(bar[0], bar[1])
        self.assertEqual(bar[0], bar[2])
        self.assertNotEqual(box[0], box[1])

    def test_errors_give_one_line_and_no_file(self):
        wave, out = os.path.join(SOURCE, "examples", "wave.mesh"), str(self.dir / "out.png")
        cases = [  # (arguments, part of the message)
            (["--view", "north"], b"--view wants AZ,EL in degrees (elevation from -90 to 90) or top, not 'north'"),
            (["--view", "10,95"], b"--view wants AZ,EL"),
            (["--view", "10"], b"--view wants AZ,EL"),
            (["--range", "5:1"], b"--range wants MIN:MAX with MIN below MAX, not '5:1'"),
            (["--range", "nan:1"], b"--range wants MIN:MAX"),
            (["--colormap", "jet"], b"unknown colour map 'jet' (viridis, gray, diverging, earth)"),
            (["--background", "#12345"], b"--background wants white, black, gray or #rrggbb, not '#12345'"),
            (["--relief", "0"], b"--relief wants a number from 0.01 to 100, not '0'"),
            (["--size", "319x240"], b"--figure needs a --size of at least 320x240, not 319x240"),
            (["--size", "320x200"], b"not 320x200"),
            (["-k", "u"], b"--figure takes no -k or -r: turn the camera with --view AZ,EL and the height "
                          b"with --relief F"),
            (["-r"], b"--figure takes no -k or -r"),
            (["--title", "two\nlines"], b"--title wants one line of UTF-8 text, not 'two\\nlines'"),
            (["--zlabel", "\udcff"], b"--zlabel wants one line of UTF-8 text, not '\\xff'"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = self.run_render("--figure", *args, wave, out)
                self.assertEqual((r.returncode, r.stderr.count(b"\n")), (1, 1), r.stderr)
                self.assertTrue(r.stderr.startswith(b"quarvel-render: "), r.stderr)
                self.assertIn(message, r.stderr)
                self.assertEqual(os.listdir(self.dir), [])
        r = self.run_render("--view", "top", wave, out)
        self.assertEqual((r.returncode, r.stderr), (1, b"quarvel-render: --view needs --figure\n"))
        r = self.run_render("--figure", "-", out, stdin=b"2 * 2\n0 0 nan\n1 0 nan\n0 1 nan\n1 1 nan\n")
        self.assertEqual((r.returncode, r.stderr),
                         (1, b"quarvel-render: standard input: no point has a finite x, y and z: nothing to draw\n"))

    def test_note_when_the_viewer_grid_hides_the_surface(self):
        dense = (self.dir / "dense.mesh")
        dense.write_text(mesh_text(120, lambda x, y: x * y))
        note = (b"quarvel-render: note: the grid lines lie under 3 pixels apart and hide the surface; "
                b"-k f turns them off, --figure draws a picture for a report\n")
        out = str(self.dir / "p.bmp")
        cases = [  # (arguments, what is said)
            ([str(dense)], note),
            (["-k", "f", str(dense)], b""),
            (["--size", "2000x2000", str(dense)], b""),
            ([os.path.join(SOURCE, "examples", "wave.mesh")], b""),
            (["--figure", str(dense)], b""),
        ]
        for args, said in cases:
            with self.subTest(args=args):
                r = self.run_render(*args, out)
                self.assertEqual((r.returncode, r.stderr), (0, said))


if __name__ == "__main__":
    unittest.main()
