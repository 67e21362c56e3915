"""quarvel-import against the plain numpy script that does the same job
(numpy.loadtxt, x y z columns in column-by-column order, numpy.savetxt),
as whole processes taking turns on the same height matrices.  Prints
median wall and CPU time, peak resident memory per output point, and the
ratios the converter is judged by (at most 0.2x numpy's time, at most
2 x 24 bytes of peak memory per output point, time linear in the grid).

    import_compare.py --tool QUARVEL_IMPORT --numpy PYTHON [--runs N] MATRIX...
"""
import argparse, os, statistics, subprocess, time

NUMPY_SCRIPT = """
import numpy, sys
z = numpy.loadtxt(sys.argv[1])
lines, per_line = z.shape
x = numpy.tile(numpy.arange(per_line, dtype=float), lines)   # mesh row: along a line
y = numpy.repeat(numpy.arange(lines, dtype=float), per_line)  # mesh column: one line
numpy.savetxt(sys.stdout, numpy.column_stack([x, y, z.ravel()]),
              header="%d * %d" % (per_line, lines), comments="")
"""


def run_once(command, env):
    """Runs command with its output thrown away: (wall s, cpu s, peak RSS KiB).
    The peak comes from GNU time: a child started straight from Python
    inherits Python's peak RSS as its own at exec."""
    start = time.perf_counter()
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, env=env)
    err = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit("failed: %s\n%s" % (" ".join(command), err.decode()))
    return wall, usage.ru_utime + usage.ru_stime, int(err.split()[-1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--numpy", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    # numpy's BLAS tuning variables of this machine, for that command only.
    numpy_env = {k: v for k, v in os.environ.items()
                 if k not in ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")}
    commands = {"quarvel-import": ([args.tool, "--spacing", "1"], os.environ),
                "numpy script": ([args.numpy, "-c", NUMPY_SCRIPT], numpy_env)}

    print("%-16s %10s %-15s %8s %8s %12s %9s %11s" % (
        "matrix", "points", "", "wall s", "cpu s", "cpu ns/point", "peak MiB", "bytes/point"))
    for path in args.files:
        with open(path) as f:
            per_line = len(f.readline().split())
        points = per_line * sum(1 for _ in open(path))
        results = {name: [] for name in commands}
        for _ in range(args.runs):
            for name, (command, env) in commands.items():
                results[name].append(run_once(command + [path], env))
        walls = {}
        for name, runs in results.items():
            wall = statistics.median(r[0] for r in runs)
            cpu = statistics.median(r[1] for r in runs)
            peak = max(r[2] for r in runs) * 1024
            walls[name] = wall
            print("%-16s %10d %-15s %8.3f %8.3f %12.1f %9.1f %11.1f" % (
                os.path.basename(path), points, name, wall, cpu, cpu / points * 1e9,
                peak / 2**20, peak / points))
        print("%-16s %10s quarvel-import / numpy script: %.3fx wall" % (
            "", "", walls["quarvel-import"] / walls["numpy script"]))


if __name__ == "__main__":
    main()
