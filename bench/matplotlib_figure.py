"""The figure a matplotlib user makes of a 16-bit elevation PNG: the whole
grid with plot_surface (rstride = cstride = 1), a colour map by height, a
colour bar, axis labels, an 800 x 600 PNG (or W x H).

    matplotlib_figure.py DEM.png OUT.png [W H]     (/usr/bin/python3: numpy, PIL)
"""
import sys

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np
from PIL import Image

z = np.array(Image.open(sys.argv[1])).astype(float)[::-1]  # row 0 is north
y, x = np.mgrid[0:z.shape[0], 0:z.shape[1]]
w, h = (int(v) for v in sys.argv[3:5]) if len(sys.argv) > 4 else (800, 600)
fig = plt.figure(figsize=(w / 100, h / 100), dpi=100)
ax = fig.add_subplot(projection="3d")
surface = ax.plot_surface(x, y, z, rstride=1, cstride=1, cmap="viridis", linewidth=0, antialiased=False)
ax.set_xlabel("x")
ax.set_ylabel("y")
ax.set_zlabel("z")
fig.colorbar(surface, shrink=0.6)
fig.savefig(sys.argv[2])
