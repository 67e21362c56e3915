"""A 16-bit elevation PNG as the other programs read it: gnuplot's grid
data (x y z, a blank line after every column; x the column, y the row
counted from the bottom so north is up) and, for GMT, the same points as
a netCDF grid through xyz2grd.

    figure_data.py DEM.png OUT.dat [OUT.nc]     (/usr/bin/python3: numpy, PIL)
"""
import os
import subprocess
import sys

import numpy as np
from PIL import Image

z = np.array(Image.open(sys.argv[1])).astype(np.int64)
h, w = z.shape
rows = np.arange(h - 1, -1, -1)
with open(sys.argv[2], "w") as f:
    for c in range(w):
        f.write("".join("%d %d %d\n" % (c, y, v) for y, v in zip(rows, z[:, c])) + "\n")
if len(sys.argv) > 3:
    # Run beside the grid it writes: GMT leaves a gmt.history where it runs.
    grid = os.path.abspath(sys.argv[3])
    subprocess.run(["gmt", "xyz2grd", os.path.abspath(sys.argv[2]), "-G" + grid, "-R0/%d/0/%d" % (w - 1, h - 1), "-I1"],
                   check=True, cwd=os.path.dirname(grid))
