"""A travelling wave, one 250 x 250 step per file: step-000.npy ... and
the same steps as one gnuplot data file (a block per step, two blank lines
apart, for `index`).

    /usr/bin/python3 bench/series_data.py DIR STEPS [SIZE]
"""
import os
import sys

import numpy as np


def wave(step, steps, n):
    y, x = np.mgrid[0:1:n * 1j, 0:1:n * 1j]
    t = step / steps
    return np.sin(2 * np.pi * (2 * x + y - t)) * np.exp(-3 * ((x - t) ** 2 + (y - 0.5) ** 2))


def main():
    out, steps = sys.argv[1], int(sys.argv[2])
    n = int(sys.argv[3]) if len(sys.argv) > 3 else 250
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "steps.dat"), "w") as dat:
        for i in range(steps):
            z = wave(i, steps, n)
            np.save(os.path.join(out, "step-%03d.npy" % i), z)
            for c in range(n):
                dat.write("".join("%d %d %.6g\n" % (c, r, z[r, c]) for r in range(n)) + "\n")
            dat.write("\n")


if __name__ == "__main__":
    main()
