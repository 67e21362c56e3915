"""Times whole processes that load the same grid files, side by side.

For each file: quarvel-load (the viewer's start-up up to the window),
parse-baseline (bare std::from_chars over the same file) and, when a
Python with numpy is given, numpy.loadtxt.  The commands take turns, run
after run, so a busy machine slows them alike; medians of wall-clock and
CPU (user + system) time are printed, with peak resident memory and the
ratios the loader is judged by.

    compare.py --build BUILD_DIR [--runs N] [--numpy PYTHON] FILE...
"""
import argparse
import os
import re
import statistics
import subprocess
import time


def run_once(command):
    """Runs command; returns (wall s, cpu s, peak RSS KiB, stdout)."""
    start = time.perf_counter()
    proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out = proc.stdout.read()
    err = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        raise SystemExit("failed (%d): %s\n%s" % (proc.returncode, " ".join(command), err.decode()))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, out.decode()


def fields(text):
    """The 'name value' pairs a bench program prints."""
    words = text.split()
    return {words[i]: words[i + 1] for i in range(0, len(words) - 1, 2)}


def timed(commands, runs):
    """Median (wall, cpu, peak KiB) per name; the commands take turns."""
    results = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            results[name].append(run_once(command)[:3])
    return {name: tuple(statistics.median(r[k] for r in rs) for k in range(3)) for name, rs in results.items()}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--numpy", default="")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    commands = {
        "quarvel-load": [os.path.join(args.build, "bench", "quarvel-load")],
        "  one thread": [os.path.join(args.build, "bench", "quarvel-load"), "--one-thread"],
        "from_chars parse": [os.path.join(args.build, "bench", "parse-baseline")],
    }
    if args.numpy:
        commands["numpy.loadtxt"] = [
            args.numpy, "-c", "import numpy, sys; numpy.loadtxt(sys.argv[1], skiprows=2)"]

    summary = []
    for path in args.files:
        results = {name: [] for name in commands}
        for _ in range(args.runs):
            for name, command in commands.items():
                results[name].append(run_once(command + [path]))
        load = fields(results["quarvel-load"][-1][3])
        points = int(load["points"])
        size = os.path.getsize(path)
        print("\n%s: %d points, %.1f MB" % (os.path.basename(path), points, size / 1e6))
        print("  %-18s %12s %12s %14s" % ("", "wall s", "cpu s", "peak RSS MiB"))
        med = {}
        for name, runs in results.items():
            wall = statistics.median(r[0] for r in runs)
            cpu = statistics.median(r[1] for r in runs)
            peak = max(r[2] for r in runs) / 1024
            med[name] = (wall, cpu)
            print("  %-18s %12.3f %12.3f %14.1f" % (name, wall, cpu, peak))
        lw, lc = med["quarvel-load"]
        fw, fc = med["from_chars parse"]
        print("  load / from_chars: %.2fx wall, %.2fx cpu" % (lw / fw, lc / fc))
        if "numpy.loadtxt" in med:
            nw, nc = med["numpy.loadtxt"]
            print("  load / numpy.loadtxt: %.3fx wall, %.3fx cpu" % (lw / nw, lc / nc))
        baseline = int(load["baseline-kib"])
        peak = int(load["peak-kib"])
        grid = int(load["grid-kib"])
        print("  memory: peak %.1f MiB, at start %.1f MiB (libraries), grown %.1f MiB"
              " = %.3fx the grid's arrays (%.1f MiB); peak / arrays %.3fx"
              % (peak / 1024, baseline / 1024, (peak - baseline) / 1024,
                 (peak - baseline) / grid, grid / 1024, peak / grid))
        summary.append((os.path.basename(path), points, lw, lc, float(load["read"]),
                        float(load["prepare"])))

    # Points per second as a user waits for them: wall time.  Preparing runs
    # on a second core while reading, so CPU time is the larger.
    print("\ngrowth (quarvel-load, medians):")
    print("  %-22s %10s %14s %14s %12s" % ("file", "points", "wall us/pt", "cpu us/pt",
                                           "M points/s"))
    for name, points, wall, cpu, _, _ in summary:
        print("  %-22s %10d %14.3f %14.3f %12.2f"
              % (name, points, 1e6 * wall / points, 1e6 * cpu / points, points / wall / 1e6))


if __name__ == "__main__":
    main()
