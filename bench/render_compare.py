"""Pictures of a grid as whole processes, side by side, taking turns:
quarvel-render against gnuplot's pm3d PNG and a plain matplotlib turntable,
a large picture against a tiny one (what size alone costs), and the floor
under every picture: a process that only loads OSMesa, one that also makes
a context, and the renderer drawing a one-point mesh.

    render_compare.py --render QUARVEL_RENDER --work DIR [--runs N]
                      [--floor OSMESA_FLOOR] [--python PYTHON] [--mpl-runs N] MESH...
Each MESH needs a gnuplot data file beside it: MESH with .dat (x y z, a
blank line after every column).
"""
import argparse
import os
import statistics

from compare import run_once

GNUPLOT = "set terminal png size 500,500; set output '%s'; set pm3d; " \
          "splot '%s' using 1:2:3 with pm3d notitle"


def timed(commands, runs):
    """Median (wall, cpu) per name; the commands take turns, run after run."""
    results = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            results[name].append(run_once(command))
    return {name: (statistics.median(r[0] for r in rs), statistics.median(r[1] for r in rs))
            for name, rs in results.items()}


def show(title, medians, base, judged):
    print("\n" + title)
    print("  %-34s %9s %9s" % ("", "wall s", "cpu s"))
    for name, (wall, cpu) in medians.items():
        print("  %-34s %9.3f %9.3f" % (name, wall, cpu))
    (bw, bc), (jw, jc) = medians[base], medians[judged]
    print("  %s / %s: %.3fx wall, %.3fx cpu" % (judged, base, jw / bw, jc / bc))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--floor", default="")
    parser.add_argument("--python", default="")
    parser.add_argument("--mpl-runs", type=int, default=1)
    parser.add_argument("meshes", nargs="+")
    args = parser.parse_args()
    out = lambda name: os.path.join(args.work, name)
    here = os.path.dirname(os.path.abspath(__file__))

    for mesh in args.meshes:
        name = os.path.basename(mesh)
        data = mesh[:-len(".mesh")] + ".dat"
        show("500 x 500 PNG of %s" % name, timed({
            "gnuplot pm3d png": ["gnuplot", "-e", GNUPLOT % (out("gnuplot.png"), data)],
            "quarvel-render": [args.render, mesh, out("render.png")],
        }, args.runs), "gnuplot pm3d png", "quarvel-render")

    mesh = args.meshes[0]
    name = os.path.basename(mesh)
    show("1600 x 1200 PNG of %s against 8 x 8 (start-up and load)" % name, timed({
        "quarvel-render --size 8x8": [args.render, "--size", "8x8", mesh, out("tiny.png")],
        "quarvel-render --size 1600x1200": [args.render, "--size", "1600x1200", mesh, out("big.png")],
        "  --turntable 2 (two frames)": [args.render, "--size", "1600x1200", "--turntable", "2", mesh,
                                         out("two") + "/"],
    }, args.runs), "quarvel-render --size 8x8", "quarvel-render --size 1600x1200")

    if args.floor:
        point = out("point.mesh")
        with open(point, "w") as f:
            f.write("1 * 1\n0 0 0\n")
        medians = timed({
            "gnuplot pm3d png": ["gnuplot", "-e", GNUPLOT % (out("gnuplot.png"),
                                                         mesh[:-len(".mesh")] + ".dat")],
            "osmesa-floor (libraries only)": [args.floor],
            "osmesa-floor context": [args.floor, "context"],
            "quarvel-render 1 point, 8 x 8": [args.render, "--size", "8x8", point, out("point.png")],
        }, args.runs)
        show("The floor: OSMesa's start-up against gnuplot's whole picture of %s" % name,
             medians, "gnuplot pm3d png", "osmesa-floor context")
        (gw, gc) = medians["gnuplot pm3d png"]
        for judged in ("osmesa-floor (libraries only)", "quarvel-render 1 point, 8 x 8"):
            (jw, jc) = medians[judged]
            print("  %s / gnuplot pm3d png: %.3fx wall, %.3fx cpu" % (judged, jw / gw, jc / gc))
        print("  the goal, 0.7x gnuplot: %.3f s wall, %.3f s cpu" % (0.7 * gw, 0.7 * gc))

    if args.python and args.mpl_runs > 0:
        os.makedirs(out("mpl"), exist_ok=True)
        show("36-frame turntable of %s, 500 x 500" % name, timed({
            "matplotlib plot_surface + savefig": [args.python, os.path.join(here, "matplotlib_turntable.py"),
                                                  mesh, "36", out("mpl")],
            "quarvel-render --turntable 36 gif": [args.render, "--turntable", "36", mesh, out("t.gif")],
        }, args.mpl_runs), "matplotlib plot_surface + savefig", "quarvel-render --turntable 36 gif")


if __name__ == "__main__":
    main()
