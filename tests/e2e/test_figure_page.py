"""quarvel-render --figure to .pdf and .svg: real text that pdftotext
finds, the page size at 96 pixels to the inch whatever --dpi, the surface
as an image that looks like the PNG of the same figure, and refusals that
leave no file."""
import os, pathlib, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import NO_DISPLAY, SOURCE, Image

RENDER = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", "build"), "tools", "quarvel-render")
TERRAIN = os.path.join(SOURCE, "examples", "terrain.mesh")
TITLES = ["--title", "Hills of Quarvel", "--xlabel", "easting", "--ylabel", "northing", "--zlabel", "height"]


def ppm(data):
    """An Image of a binary PPM (pdftoppm's own output)."""
    fields, at = [], 0
    while len(fields) < 4:
        end = data.index(b"\n", at)
        fields += data[at:end].split()
        at = end + 1
    width, height = int(fields[1]), int(fields[2])
    rows = [data[at + y * width * 3: at + (y + 1) * width * 3] for y in range(height)]
    return width, height, rows


class FigurePageTest(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="quarvel-page-")))

    def render(self, *args):
        return subprocess.run([RENDER, *map(str, args)], capture_output=True, env=NO_DISPLAY, timeout=300)

    def tool(self, *args):
        return subprocess.run(list(map(str, args)), capture_output=True, check=True).stdout.decode()

    def test_pdf_has_text_page_size_and_image_resolution(self):
        cases = [  # (arguments, page size, surface image size)
            ([], "600 x 450 pts", "800 600"),
            (["--size", "400x300"], "300 x 225 pts", "400 300"),
            (["--dpi", "192"], "600 x 450 pts", "1600 1200"),
        ]
        for args, page, image in cases:
            with self.subTest(args=args):
                out = self.dir / "f.pdf"
                r = self.render("--figure", *TITLES, *args, TERRAIN, out)
                self.assertEqual((r.returncode, r.stderr), (0, b""))
                self.assertIn("Page size:       " + page, self.tool("pdfinfo", out))
                # The slanted y title comes out letter by letter.
                words = self.tool("pdftotext", "-raw", out, "-").split()
                for title in ["HillsofQuarvel", "easting", "northing", "height"]:
                    self.assertIn(title, "".join(words))
                for label in ["\u22121.0", "0.0", "0.5", "1.0", "0.3"]:
                    self.assertIn(label, words)
                first = self.tool("pdfimages", "-list", out).splitlines()[2].split()
                self.assertEqual(" ".join(first[3:5]), image)

    def test_pages_look_like_the_picture(self):
        # One run writes all three; each page, rasterised at 96 to the inch,
        # is the BMP's picture but for antialiasing at edges and text.
        outs = [self.dir / n for n in ("f.bmp", "f.pdf", "f.svg")]
        r = self.render("--figure", "--view", "150,40", "--colormap", "earth", *TITLES, TERRAIN, *outs)
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        picture = Image.from_bmp(outs[0].read_bytes())
        rasters = {
            "pdf": subprocess.run(["pdftoppm", "-r", "96", outs[1]], capture_output=True, check=True).stdout,
            "svg": subprocess.run(["rsvg-convert", "-f", "png", "-d", "96", "-p", "96", outs[2]],
                                  capture_output=True, check=True).stdout,
        }
        rasters["svg"] = subprocess.run(["convert", "png:-", "ppm:-"], input=rasters["svg"],
                                        capture_output=True, check=True).stdout
        for kind, data in rasters.items():
            with self.subTest(kind=kind):
                width, height, rows = ppm(data)
                self.assertEqual((width, height), (picture.width, picture.height))
                far = sum(1 for y in range(0, height, 2) for x in range(0, width, 2)
                          if max(abs(a - b) for a, b in zip(rows[y][3 * x:3 * x + 3], picture.pixel(x, y))) > 60)
                self.assertLess(far, width * height / 4 * 0.01)
        svg = ElementTree.parse(outs[2]).getroot()
        tags = [e.tag.split("}")[1] for e in svg.iter()]
        self.assertGreaterEqual(tags.count("image"), 2)  # the surface and the colour bar
        self.assertTrue("text" in tags or "symbol" in tags)

    def test_refusals_give_one_line_and_no_file(self):
        full = self.enterContext(tempfile.TemporaryDirectory()) + "/full.pdf"
        os.symlink("/dev/full", full)
        out = self.dir / "f.pdf"
        cases = [  # (arguments, message)
            ([TERRAIN, out], b"cannot write the viewer's picture to %s: it is pixels only, a .bmp or .png;"
                             b" --figure draws a figure for a .pdf or .svg" % bytes(out)),
            (["--figure", "--turntable", "4", TERRAIN, self.dir / "f.svg"], b"a turntable goes to"),
            (["--dpi", "300", TERRAIN, self.dir / "f.png"], b"--dpi needs --figure"),
            (["--figure", "--dpi", "300", TERRAIN, self.dir / "f.png"], b"no OUT is one"),
            (["--figure", "--dpi", "9", TERRAIN, out], b"--dpi wants a whole number from 10 to 2400"),
            (["--figure", "--dpi", "2400", TERRAIN, out], b"an image of 20000x15000 pixels"),
            (["--figure", TERRAIN, self.dir / "f.png", full], b"full.pdf: No space left on device"),
            (["--figure", TERRAIN, full], b"full.pdf: No space left on device"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = self.render(*args)
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
                self.assertTrue(r.stderr.startswith(b"quarvel-render: ") and r.stderr.count(b"\n") == 1, r.stderr)
                self.assertEqual(os.listdir(self.dir), [])


if __name__ == "__main__":
    unittest.main()
