"""quarvel-import on a 16-bit elevation image beside numpy doing the same.

Makes a SIZE x SIZE 16-bit terrain as PGM (P5) and PNG in DATA, then
times whole processes taking turns, output thrown away (medians):
quarvel-import --spacing 1 on each, and the plain numpy script that reads
the PGM's pixels (numpy.frombuffer after the header), builds x y z column
by column with the top row north and writes them with numpy.savetxt.  All
write the same points (checked once beforehand).  numpy runs only in child
processes: a child's peak memory counts its parent's at the fork.

    image_import.py --tool QUARVEL_IMPORT [--size N] [--runs N] [--data DIR]
"""
import argparse
import hashlib
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from import_compare import run_once  # noqa: E402

# Smooth hills with some detail over 0..65535, as PGM and as PNG (filter 0).
MAKE_IMAGES = r"""
import struct, sys, zlib, numpy
n, pgm, png = int(sys.argv[1]), sys.argv[2], sys.argv[3]
y, x = numpy.mgrid[0:n, 0:n] / n
z = (numpy.sin(7 * x) * numpy.cos(5 * y) + 0.3 * numpy.sin(40 * x + 30 * y)
     + 0.05 * numpy.random.default_rng(1).standard_normal((n, n)))
z = numpy.round((z - z.min()) / numpy.ptp(z) * 65535).astype('>u2')
open(pgm, 'wb').write(b'P5 %d %d 65535\n' % (n, n) + z.tobytes())
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
rows = numpy.zeros((n, 1 + 2 * n), numpy.uint8)
rows[:, 1:] = z.view(numpy.uint8).reshape(n, 2 * n)
open(png, 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', n, n, 16, 0, 0, 0, 0))
                      + chunk(b'IDAT', zlib.compress(rows.tobytes(), 6)) + chunk(b'IEND', b''))
"""

NUMPY_SCRIPT = r"""
import sys, numpy
data = open(sys.argv[1], 'rb').read()
fields = data.split(maxsplit=4)           # P5 width height maxval, then the pixels
w, h = int(fields[1]), int(fields[2])
z = numpy.frombuffer(data, '>u2', w * h, len(data) - 2 * w * h).reshape(h, w)
x, y = numpy.meshgrid(numpy.arange(w), numpy.arange(h))
points = numpy.column_stack([x.ravel(), y.ravel(), z[::-1].ravel()])
out = sys.stdout
out.write('%d * %d\n' % (w, h))
numpy.savetxt(out, points, fmt='%.17g')
"""


def points_digest(command):
    """The points a command writes (comments and header aside), hashed."""
    text = subprocess.run(command, stdout=subprocess.PIPE, check=True).stdout
    return hashlib.sha256(text[text.index(b'\n', text.index(b' * ')) + 1:]).hexdigest()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--size', type=int, default=2000)
    parser.add_argument('--runs', type=int, default=3)
    parser.add_argument('--data', default='.')
    args = parser.parse_args()

    pgm = os.path.join(args.data, 'terrain-%d.pgm' % args.size)
    png = os.path.join(args.data, 'terrain-%d.png' % args.size)
    subprocess.run([sys.executable, '-c', MAKE_IMAGES, str(args.size), pgm, png], check=True)
    commands = {
        'quarvel-import pgm': [args.tool, '--spacing', '1', pgm],
        'quarvel-import png': [args.tool, '--spacing', '1', png],
        'numpy script (pgm)': [sys.executable, '-c', NUMPY_SCRIPT, pgm],
    }
    if len({points_digest(command) for command in commands.values()}) != 1:
        raise SystemExit('image_import: the commands wrote different points')

    results = {name: [] for name in commands}
    for _ in range(args.runs):
        for name, command in commands.items():
            results[name].append(run_once(command, os.environ))
    points = args.size * args.size
    print('%-20s %10s %8s %8s %12s %9s %11s %9s' % (
        '%d^2 16-bit image' % args.size, 'points', 'wall s', 'cpu s', 'cpu ns/point',
        'peak MiB', 'bytes/point', 'vs numpy'))
    numpy_wall = statistics.median(r[0] for r in results['numpy script (pgm)'])
    for name, runs in results.items():
        wall = statistics.median(r[0] for r in runs)
        cpu = statistics.median(r[1] for r in runs)
        peak = max(r[2] for r in runs) * 1024
        print('%-20s %10d %8.3f %8.3f %12.1f %9.1f %11.1f %8.3fx' % (
            name, points, wall, cpu, cpu / points * 1e9, peak / 2**20, peak / points,
            wall / numpy_wall))


if __name__ == '__main__':
    main()
