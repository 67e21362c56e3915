"""An elevation image through quarvel-import into the real viewer, seen
from straight above: a bump in the image's top right corner (north-east)
shows where north and east went, and the top is the front colour."""
import os, subprocess, sys, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Viewer, shared_xserver

IMPORT = os.path.join(os.environ.get("QUARVEL_BUILD_DIR", "build"), "tools", "quarvel-import")
setUpModule, tearDownModule = shared_xserver(globals())


def pgm(bump):
    """A 6 x 6 PGM, flat but for one pixel (row, column) of height 9."""
    rows = [[9 if (r, c) == bump else 0 for c in range(6)] for r in range(6)]
    return "P2 6 6 9\n" + "".join(" ".join(map(str, row)) + "\n" for row in rows)


def seen_from_above(image):
    """The snapshot of image's surface from straight above (35 x Up: 70
    degrees), no axes, no grid."""
    mesh = subprocess.run([IMPORT, "--format", "pgm", "-"], input=image, capture_output=True,
                          text=True, check=True).stdout
    with Viewer(x, [], stdin_data=mesh) as viewer:
        viewer.keys(*["Up"] * 35, "a", "f")
        return viewer.snapshot()


def changed(a, b):
    """The pixels (x, y) that differ between two snapshots."""
    return [(px, py) for py in range(a.height) for px in range(a.width)
            if a.pixel(px, py) != b.pixel(px, py)]


class ImportPictureTest(unittest.TestCase):
    def test_north_east_corner_and_front_colour(self):
        flat = seen_from_above(pgm(None))
        surface = [flat.pixel(px, py) for py in range(flat.height) for px in range(flat.width)
                   if flat.pixel(px, py) != (0, 0, 0)]
        red, green, blue = (sum(p[k] for p in surface) for k in range(3))
        self.assertGreater(len(surface), 10000)
        self.assertGreater(blue, red)  # lilac front, not the reddish back
        # From above, with the camera turned 20 degrees about z, +x runs down
        # the screen and +y to the right, about the centre of the window.  So
        # the north-west corner lies right of the centre, and the north-east
        # one lower and less far right: any mirror or transposition breaks
        # one of these.
        centres = {}
        for name, bump in (("north-east", (0, 5)), ("north-west", (0, 0))):
            spots = changed(seen_from_above(pgm(bump)), flat)
            self.assertTrue(spots, name)
            centres[name] = [sum(s[k] for s in spots) / len(spots) for k in range(2)]
        east, west = centres["north-east"], centres["north-west"]
        self.assertGreater(west[0], flat.width / 2 + 50, centres)
        self.assertGreater(east[1], west[1] + 40, centres)
        self.assertLess(east[0], west[0], centres)

if __name__ == "__main__":
    unittest.main()
