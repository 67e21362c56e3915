"""quarvel-import on a SIZE x SIZE ESRI ASCII grid and the same DEM as a GDAL
XYZ file, beside the plain numpy scripts that do the same job.

Makes terrain heights in metres with centimetres on 30 m cells, written as
an .asc grid (header, then rows north first) and as x y z lines (north row
first, x varying fastest, as gdal_translate -of XYZ writes them).  numpy
reads the .asc with numpy.loadtxt(skiprows=6), the XYZ columns with
numpy.loadtxt and a reshape, then builds the mesh columns in quarvel-import's
order and placement and writes them with numpy.savetxt.  Checked once on a
small grid that every command writes the same numbers; then whole processes
take turns, output thrown away (medians).

    geo_import.py --tool QUARVEL_IMPORT [--size N] [--runs N] [--data DIR]
"""
import argparse
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from import_compare import run_once  # noqa: E402

MAKE_FILES = r"""
import sys, numpy
n, asc, xyz = int(sys.argv[1]), sys.argv[2], sys.argv[3]
u = numpy.linspace(0, 6, n)
z = numpy.round(300 + 80 * numpy.sin(u)[:, None] * numpy.cos(1.3 * u)[None, :]
                + 7 * numpy.sin(17 * u)[None, :], 2)
with open(asc, 'w') as f:
    f.write('ncols %d\nnrows %d\nxllcorner 500000\nyllcorner 4100000\ncellsize 30\n'
            'NODATA_value -9999\n' % (n, n))
    numpy.savetxt(f, z, fmt='%.2f')
x = 500015 + 30 * numpy.arange(n)
y = 4100015 + 30 * numpy.arange(n)[::-1]
numpy.savetxt(xyz, numpy.column_stack([numpy.tile(x, n), numpy.repeat(y, n), z.ravel()]),
              fmt=('%d', '%d', '%.2f'))
"""

# Heights north row first; mesh rows along x, columns south to north.
ESRI_SCRIPT = r"""
import sys, numpy
path = sys.argv[1]
with open(path) as f:
    header = dict(next(f).lower().split() for _ in range(6))
z = numpy.loadtxt(path, skiprows=6)
rows, cols = z.shape
d = float(header['cellsize'])
x = (numpy.arange(cols) - (cols - 1) / 2) * d
y = (numpy.arange(rows) - (rows - 1) / 2) * d
sys.stdout.write('%d * %d\n' % (cols, rows))
numpy.savetxt(sys.stdout, numpy.column_stack([numpy.tile(x, rows), numpy.repeat(y, cols),
                                              z[::-1].ravel()]), fmt='%.17g')
"""

# Rows of equal y, north first: the mesh's rows are the file's rows (so the
# top faces up), its columns run along x; each axis less its middle.
XYZ_SCRIPT = r"""
import sys, numpy
d = numpy.loadtxt(sys.argv[1])
n = int(numpy.argmax(d[:, 1] != d[0, 1]))
rows = len(d) // n
x, y, z = (d[:, k].reshape(rows, n) for k in range(3))
xs, ys = x[0] - (x.min() + x.max()) / 2, y[:, 0] - (y.min() + y.max()) / 2
sys.stdout.write('%d * %d\n' % (rows, n))
numpy.savetxt(sys.stdout, numpy.column_stack([numpy.repeat(xs, rows), numpy.tile(ys, n),
                                              z.T.ravel()]), fmt='%.17g')
"""


def points(command):
    """The numbers a command writes after the ROWS * COLS line, parsed."""
    text = subprocess.run(command, stdout=subprocess.PIPE, check=True, text=True).stdout
    body = text[text.index('\n', text.index(' * ')) + 1:]
    return [float(v) for v in body.split()]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--size', type=int, default=2000)
    parser.add_argument('--runs', type=int, default=3)
    parser.add_argument('--data', default='.')
    args = parser.parse_args()

    def files(size):
        asc = os.path.join(args.data, 'dem-%d.asc' % size)
        xyz = os.path.join(args.data, 'dem-%d.xyz' % size)
        if not (os.path.exists(asc) and os.path.exists(xyz)):
            subprocess.run([sys.executable, '-c', MAKE_FILES, str(size), asc, xyz], check=True)
        return asc, xyz

    def commands(asc, xyz):
        return {
            'quarvel-import esri': ([args.tool, asc], 'esri'),
            'numpy script (esri)': ([sys.executable, '-c', ESRI_SCRIPT, asc], 'esri'),
            'quarvel-import xyz': ([args.tool, xyz], 'xyz'),
            'numpy script (xyz)': ([sys.executable, '-c', XYZ_SCRIPT, xyz], 'xyz'),
        }

    for kind in ('esri', 'xyz'):
        written = [points(c) for c, k in commands(*files(30)).values() if k == kind]
        if written[0] != written[1]:
            raise SystemExit('geo_import: quarvel-import and numpy wrote different %s points' % kind)

    chosen = commands(*files(args.size))
    results = {name: [] for name in chosen}
    for _ in range(args.runs):
        for name, (command, _) in chosen.items():
            results[name].append(run_once(command, os.environ))
    count = args.size * args.size
    print('%-20s %10s %8s %8s %12s %9s %11s %9s' % (
        '%d^2 DEM' % args.size, 'points', 'wall s', 'cpu s', 'cpu ns/point',
        'peak MiB', 'bytes/point', 'vs numpy'))
    for name, runs in results.items():
        kind = chosen[name][1]
        numpy_wall = statistics.median(r[0] for r in results['numpy script (%s)' % kind])
        wall = statistics.median(r[0] for r in runs)
        cpu = statistics.median(r[1] for r in runs)
        peak = max(r[2] for r in runs) * 1024
        print('%-20s %10d %8.3f %8.3f %12.1f %9.1f %11.1f %8.3fx' % (
            name, count, wall, cpu, cpu / count * 1e9, peak / 2**20, peak / count,
            wall / numpy_wall))


if __name__ == '__main__':
    main()
