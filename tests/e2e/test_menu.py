"""The pop-up menu on the right button: every entry does what its key does."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Viewer, XServer, wait_for  # noqa: E402

SOURCE = os.environ.get("QUARVEL_SOURCE_DIR",
                        os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
MESH = os.path.join(SOURCE, "examples", "saddle.mesh")

MAIN = ["Drawing Mode", "Animation(on/off)", "Light1  (on/off)", "Light2  (on/off)", "Zoom in",
        "Zoom out", "Reverse Surface", "SaveImage(quarvel.bmp)", "Quit"]
DRAWING_MODE = [" -Shading (Smooth/Flat)", " -Toggle Mesh", " -Toggle Wire Frame",
                " -Toggle Axis", " -Toggle Clipping"]

# Entries and their keys, in an order where each one changes the picture.
STEPS = [("Zoom in", "u"), (" -Toggle Mesh", "f"), (" -Shading (Smooth/Flat)", "s"),
         (" -Toggle Axis", "a"), (" -Toggle Clipping", "C"), ("Light1  (on/off)", "1"),
         ("Reverse Surface", "r"), ("Zoom out", "d"), (" -Toggle Wire Frame", "w"),
         ("Light2  (on/off)", "2")]

x = None


def setUpModule():
    global x
    x = XServer()


def tearDownModule():
    x.stop()


def open_menus():
    """{window id: (x, y, width, height)} of the menus on screen."""
    found = {}
    ids = x.run("xdotool", "search", "--name", "^freeglut menu$", check=False).stdout.split()
    for window in ids:
        info = {}
        for line in x.run("xwininfo", "-id", window, check=False).stdout.splitlines():
            key, _, value = line.strip().partition(": ")
            info[key] = value
        if info.get("Map State") == "IsViewable":
            found[window] = tuple(int(info[k]) for k in (
                "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    return found


def entry_centre(geometry, index, count):
    """Entries are evenly spaced down the menu."""
    left, top, width, height = geometry
    return str(left + width // 2), str(top + height * (2 * index + 1) // (2 * count))


def choose(viewer, label):
    """Right-clicks the window and clicks the entry, through the submenu if needed."""
    x.run("xdotool", "mousemove", "--window", viewer.window, "20", "20", "click", "3")
    main = wait_for(open_menus, "the menu")
    (main_id, main_geometry), = main.items()
    if label in MAIN:
        x.run("xdotool", "mousemove", *entry_centre(main_geometry, MAIN.index(label), len(MAIN)),
              "click", "1")
    else:
        x.run("xdotool", "mousemove", *entry_centre(main_geometry, 0, len(MAIN)))
        both = wait_for(lambda: len(open_menus()) == 2 and open_menus(), "the submenu")
        sub_geometry = [g for w, g in both.items() if w != main_id][0]
        x.run("xdotool", "mousemove",
              *entry_centre(sub_geometry, DRAWING_MODE.index(label), len(DRAWING_MODE)), "click", "1")
    if label != "Quit":
        wait_for(lambda: not open_menus(), "the menu to close")


class MenuTest(unittest.TestCase):
    def assertSamePicture(self, first, second, msg="the pictures differ"):
        # Plain comparison: unittest's diff of two pictures takes minutes.
        if first != second:
            rows = sum(a != b for a, b in zip(first, second))
            self.fail("%s in %d rows" % (msg, rows))

    def test_entries_match_their_keys(self):
        by_menu = []
        with Viewer(x, [MESH]) as v:
            before = v.snapshot()
            for label, _ in STEPS:
                choose(v, label)
                by_menu.append(v.snapshot().rows)

            # The spin runs while switched on and stops when switched off.
            choose(v, "Animation(on/off)")
            spinning = v.snapshot().rows
            wait_for(lambda: v.snapshot().rows != spinning, "the model to turn")
            choose(v, "Animation(on/off)")
            stopped = v.snapshot().rows
            self.assertSamePicture(v.snapshot().rows, stopped, "the model still turns")

            done = v.stdout().count("Done!\n")
            choose(v, "SaveImage(quarvel.bmp)")
            wait_for(lambda: v.stdout().count("Done!\n") == done + 1, "the save from the menu")
            with open(os.path.join(v.cwd, "quarvel.bmp"), "rb") as f:
                self.assertTrue(f.read() == v.save(), "menu and key save differ")

            choose(v, "Quit")
            self.assertEqual(v.wait_exit(), 0)
            self.assertEqual(v.stderr(), "")

        with Viewer(x, [MESH]) as v:
            self.assertSamePicture(v.snapshot().rows, before.rows, "the start differs")
            previous = before.rows
            for (label, key), menu_rows in zip(STEPS, by_menu):
                with self.subTest(label):
                    v.keys(key)
                    rows = v.snapshot().rows
                    self.assertTrue(rows != previous, "the picture did not change")
                    self.assertSamePicture(menu_rows, rows, "menu and key differ")
                    previous = rows
            v.quit()


if __name__ == "__main__":
    unittest.main()
