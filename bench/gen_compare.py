"""Times quarvel-gen making a grid from a formula against quarvel-load
loading the grid it made (the viewer's start-up up to the window), whole
processes taking turns; medians of wall-clock and CPU time.  The generator
writes a file (-o), as the loader reads one.

    gen_compare.py --build BUILD_DIR --data DIR [--runs N] [--size N]
"""
import argparse
import os
import statistics

from compare import run_once

FORMULAS = {
    "z = sin(x)*cos(y)": ["sin(x)*cos(y)"],
    "torus, x; y; z": ["cos(u)*(1+0.4*cos(v)); sin(u)*(1+0.4*cos(v)); 0.4*sin(v)"],
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--size", type=int, default=1000)
    args = parser.parse_args()
    gen = os.path.join(args.build, "tools", "quarvel-gen")
    load = os.path.join(args.build, "bench", "quarvel-load")

    print("%d x %d points; medians of %d runs" % (args.size, args.size, args.runs))
    print("  %-20s %20s %20s %12s" % ("", "quarvel-gen wall/cpu", "quarvel-load wall/cpu",
                                       "gen / load"))
    for name, formula in FORMULAS.items():
        mesh = os.path.join(args.data, "formula-%d.mesh" % args.size)
        make = [gen, "-n", str(args.size), "-o", mesh] + formula
        made, loaded = [], []
        for _ in range(args.runs):
            made.append(run_once(make))
            loaded.append(run_once([load, mesh]))
        gw, gc = (statistics.median(r[i] for r in made) for i in (0, 1))
        lw, lc = (statistics.median(r[i] for r in loaded) for i in (0, 1))
        print("  %-20s %9.3f s %7.3f s %9.3f s %7.3f s %11.2fx"
              % (name, gw, gc, lw, lc, gw / lw))
        os.remove(mesh)


if __name__ == "__main__":
    main()
