"""Figures for a report as whole processes, side by side, taking turns:
quarvel-render --figure 800x600 of an elevation PNG and of the same DEM
as a GeoTIFF, beside gnuplot (pngcairo, pm3d, colour box), GMT (grdview
-Qi -I with a colour bar) and matplotlib (plot_surface, colorbar); a big
grid against gnuplot; and the floor, a process that only loads OSMesa.
Peak memory is the process's maximum resident set (as GNU time's %M).

    figure_compare.py --render QUARVEL_RENDER --work DIR [--runs N] [--floor OSMESA_FLOOR]
                      [--python PYTHON] [--mpl-runs N] [--big BIG.png]  DEM.png DEM.tif
Each PNG needs beside it the gnuplot data (.dat) and, for GMT, a .nc
(figure_data.py).
"""
import argparse
import os
import shutil

from compare import run_once, timed

GNUPLOT = ("set terminal pngcairo size 800,600; set output '%s'; set pm3d depthorder; set view 60,30; "
           "set colorbox; unset key; set xlabel 'x'; set ylabel 'y'; set zlabel 'z'; "
           "splot '%s' using 1:2:3 with pm3d")
GMT = ("gmt begin {out} png E110 && gmt grdview {grid} -JX12c -JZ6c -p202.5/30 -Qi110 -I+d -Cviridis "
       "-Baf -Bzaf -BWSneZ && gmt colorbar -DJRM+o1.5c/0 -Baf && gmt end && test -s {out}.png")
# (gmt end not last: sh would run it in its own place, and GMT finds its
# session by the parent process)


def show(title, medians, judged, goals):
    print("\n" + title)
    print("  %-40s %9s %9s %10s" % ("", "wall s", "cpu s", "peak MiB"))
    for name, (wall, cpu, peak) in medians.items():
        print("  %-40s %9.3f %9.3f %10.1f" % (name, wall, cpu, peak / 1024))
    (jw, jc, _) = medians[judged]
    for base, goal in goals:
        (bw, bc, _) = medians[base]
        print("  %s / %s: %.3fx wall, %.3fx cpu (goal %.2fx)" % (judged, base, jw / bw, jc / bc, goal))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--floor", default="")
    parser.add_argument("--python", default="")
    parser.add_argument("--mpl-runs", type=int, default=3)
    parser.add_argument("--big", default="")
    parser.add_argument("png")
    parser.add_argument("tif")
    args = parser.parse_args()
    out = lambda name: os.path.join(args.work, name)
    here = os.path.dirname(os.path.abspath(__file__))
    stem = args.png[:-len(".png")]
    figure = lambda path, name: [args.render, "--figure", "--size", "800x600", path, out(name)]

    commands = {
        "quarvel-render --figure, PNG": figure(args.png, "q.png"),
        "quarvel-render --figure, GeoTIFF": figure(args.tif, "t.png"),
        "gnuplot pm3d pngcairo": ["gnuplot", "-e", GNUPLOT % (out("g.png"), stem + ".dat")],
    }
    goals = [("gnuplot pm3d pngcairo", 0.5)]
    if shutil.which("gmt") and os.path.exists(stem + ".nc"):
        commands["GMT grdview -Qi -I, colorbar"] = ["sh", "-c", GMT.format(out=out("gmt"), grid=stem + ".nc")]
        goals.append(("GMT grdview -Qi -I, colorbar", 0.5))
    if args.floor:
        commands["loads libOSMesa, does nothing"] = [args.floor]
    medians = timed(commands, args.runs)
    if args.python and args.mpl_runs > 0:
        medians.update(timed({"matplotlib plot_surface, colorbar": [
            args.python, os.path.join(here, "matplotlib_figure.py"), args.png, out("m.png")]}, args.mpl_runs))
        goals.append(("matplotlib plot_surface, colorbar", 0.1))
    show("800 x 600 figure of %s" % os.path.basename(args.png), medians, "quarvel-render --figure, PNG", goals)
    (tw, tc, _) = medians["quarvel-render --figure, GeoTIFF"]
    print("  GeoTIFF / PNG: %.3fx wall" % (tw / medians["quarvel-render --figure, PNG"][0]))

    if args.big:
        big = args.big[:-len(".png")]
        # A 10 x 10 figure holds what every figure pays (libraries, fonts,
        # the framebuffer): what the big one takes beyond it is the grid's.
        with open(out("tiny.csv"), "w") as f:
            f.writelines(",".join(str((r * c) % 7) for c in range(10)) + "\n" for r in range(10))
        medians = timed({
            "quarvel-render --figure, PNG": figure(args.big, "qb.png"),
            "quarvel-render --figure, 10 x 10 CSV": figure(out("tiny.csv"), "qt.png"),
            "gnuplot pm3d pngcairo": ["gnuplot", "-e", GNUPLOT % (out("gb.png"), big + ".dat")],
        }, args.runs)
        show("800 x 600 figure of %s" % os.path.basename(args.big), medians, "quarvel-render --figure, PNG",
             [("gnuplot pm3d pngcairo", 0.5)])
        points = 1000 * 1000 if "1000x1000" in args.big else 0
        if points:
            grown = medians["quarvel-render --figure, PNG"][2] - medians["quarvel-render --figure, 10 x 10 CSV"][2]
            print("  peak beyond a 10 x 10 figure: %.1f MiB, %.2fx the grid's arrays (x, y, z as doubles)"
                  % (grown / 1024, grown * 1024 / (24.0 * points)))


if __name__ == "__main__":
    main()
