"""The plain matplotlib way to a turntable, for comparison with
quarvel-render --turntable: the whole grid (every row and column, as quarvel
draws it) with plot_surface, saved at 500 x 500 once per frame.

    /usr/bin/python3 bench/matplotlib_turntable.py MESH FRAMES OUTDIR
"""
import sys

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

mesh, frames, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(mesh) as f:
    lines = [line for line in f if not line.startswith("#")]
rows, cols = (int(n) for n in lines[0].split("*"))
points = np.loadtxt(lines[1:]).reshape(cols, rows, 3)  # column by column
x, y, z = points[..., 0], points[..., 1], points[..., 2]
for i in range(frames):
    fig = plt.figure(figsize=(5, 5), dpi=100)
    ax = fig.add_subplot(projection="3d")
    ax.plot_surface(x, y, z, rstride=1, cstride=1, cmap="viridis", linewidth=0)
    ax.view_init(elev=20, azim=20 + 360 * i / frames)
    fig.savefig("%s/frame-%04d.png" % (out, i))
    plt.close(fig)
