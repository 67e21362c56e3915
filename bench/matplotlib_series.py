"""The matplotlib way to an animated surface, for comparison with
quarvel-render --series --figure: FuncAnimation redrawing plot_surface of
each step (every row and column) with a fixed colour scale and a colour
bar, saved 800 x 600 with PillowWriter.

    /usr/bin/python3 bench/matplotlib_series.py OUT.gif STEP.npy...
"""
import sys

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np
from matplotlib.animation import FuncAnimation, PillowWriter

out, paths = sys.argv[1], sys.argv[2:]
first = np.load(paths[0])
y, x = np.mgrid[0:first.shape[0], 0:first.shape[1]]
fig = plt.figure(figsize=(8, 6), dpi=100)
ax = fig.add_subplot(projection="3d")
norm = matplotlib.colors.Normalize(-1, 1)
fig.colorbar(matplotlib.cm.ScalarMappable(norm=norm, cmap="viridis"), ax=ax, shrink=0.6)


def draw(i):
    ax.clear()
    ax.set_zlim(-1, 1)
    ax.plot_surface(x, y, np.load(paths[i]), rstride=1, cstride=1, cmap="viridis", norm=norm, linewidth=0)
    ax.set_title("step %d" % i)


FuncAnimation(fig, draw, frames=len(paths)).save(out, writer=PillowWriter(fps=12))
