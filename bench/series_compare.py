"""Animated surfaces as whole processes: quarvel-render --series --figure
of STEPS .npy files into an 800 x 600 GIF, beside gnuplot (one script, `do
for` over the data file's blocks, pm3d, `set term gif animate`) and
matplotlib (FuncAnimation, plot_surface, colorbar, PillowWriter).  Then
the memory of quarvel's series: the peak resident set of a short series
and of a long one (the steps listed again and again), which stay level
when each grid is freed after its frame.

    series_compare.py --render QUARVEL_RENDER --work DIR --data DIR [--runs N]
                      [--python PYTHON] [--mpl-runs N] [--long N]
"""
import argparse
import glob
import os

from compare import run_once, timed

GNUPLOT = ("set term gif animate delay 8 size 800,600; set output '%s'; set pm3d depthorder; "
           "set view 60,30; set cbrange [-1:1]; set zrange [-1:1]; set colorbox; unset key; "
           "set xlabel 'x'; set ylabel 'y'; set zlabel 'z'; "
           "do for [i=0:%d] { set title sprintf('step %%d', i); splot '%s' index i using 1:2:3 with pm3d }")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--python", default="")
    parser.add_argument("--mpl-runs", type=int, default=1)
    parser.add_argument("--long", type=int, default=400)
    args = parser.parse_args()
    steps = sorted(glob.glob(os.path.join(args.data, "step-*.npy")))
    out = lambda name: os.path.join(args.work, name)
    series = lambda paths, name, *more: [args.render, "--series", "--figure", *more, *paths, out(name)]
    commands = {
        "quarvel-render --series --figure": series(steps, "q.gif", "--frame-label", "step {index}"),
        "gnuplot pm3d, gif animate": ["gnuplot", "-e", GNUPLOT % (out("g.gif"), len(steps) - 1,
                                                                  os.path.join(args.data, "steps.dat"))],
    }
    medians = timed(commands, args.runs)
    if args.python and args.mpl_runs > 0:
        here = os.path.dirname(os.path.abspath(__file__))
        medians.update(timed({"matplotlib FuncAnimation, PillowWriter": [
            args.python, os.path.join(here, "matplotlib_series.py"), out("m.gif"), *steps]}, args.mpl_runs))
    print("\n%d frames of 250 x 250, 800 x 600 GIF" % len(steps))
    print("  %-40s %9s %9s %10s" % ("", "wall s", "cpu s", "peak MiB"))
    for name, (wall, cpu, peak) in medians.items():
        print("  %-40s %9.3f %9.3f %10.1f" % (name, wall, cpu, peak / 1024))
    judged = medians["quarvel-render --series --figure"]
    for base, goal in (("gnuplot pm3d, gif animate", 0.3), ("matplotlib FuncAnimation, PillowWriter", 0.05)):
        if base in medians:
            b = medians[base]
            print("  quarvel / %s: %.3fx wall, %.3fx cpu (goal %.2fx)" % (base, judged[0] / b[0],
                                                                           judged[1] / b[1], goal))

    # Memory: 10 frames against --long frames, 320 x 240 to keep it short.
    many = (steps * (args.long // len(steps) + 1))[:args.long]
    # Medians of three: the driver's threads make a run's peak vary by a
    # few MiB either way.
    peaks = {n: times[2] / 1024 for n, times in timed({
        10: series(steps[:10], "mem.gif", "--size", "320x240"),
        args.long: series(many, "mem.gif", "--size", "320x240")}, 3).items()}
    grid = 250 * 250 * 3 * 8 / 2**20
    print("\nPeak resident set of a series (320 x 240 GIF; one 250 x 250 grid's x, y, z: %.1f MiB;"
          " medians of 3)" % grid)
    for n, peak in peaks.items():
        print("  %5d frames: %7.1f MiB" % (n, peak))
    print("  %d frames - 10 frames: %.1f MiB, %.2fx one grid's arrays" % (args.long, peaks[args.long] - peaks[10],
                                                                       (peaks[args.long] - peaks[10]) / grid))


if __name__ == "__main__":
    main()
