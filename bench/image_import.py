"""quarvel-import on a 16-bit elevation image beside numpy doing the same.

Makes a SIZE x SIZE 16-bit terrain as PGM (P5) and PNG, then times whole
processes taking turns (medians): quarvel-import --spacing 1 on each, and
the plain numpy script that reads the PGM's pixels (numpy.frombuffer after
the header), builds x y z column by column with the top row north and
writes them with numpy.savetxt.  Both write the same points (checked).
This script itself stays small (numpy runs only in child processes): a
child's peak memory counts the parent's at the fork.

    /usr/bin/python3 bench/image_import.py --build BUILD_DIR [--size N] [--runs N]
"""
import argparse
import hashlib
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare import run_once  # noqa: E402

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


def points_digest(text):
    """The points of mesh text, comments and header aside, hashed."""
    return hashlib.sha256(text[text.index('\n', text.index(' * ')) + 1:].encode()).hexdigest()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--build', required=True)
    parser.add_argument('--size', type=int, default=2000)
    parser.add_argument('--runs', type=int, default=5)
    args = parser.parse_args()

    data = os.path.join(args.build, 'bench-data')
    os.makedirs(data, exist_ok=True)
    pgm = os.path.join(data, 'terrain-%d.pgm' % args.size)
    png = os.path.join(data, 'terrain-%d.png' % args.size)
    subprocess.run([sys.executable, '-c', MAKE_IMAGES, str(args.size), pgm, png], check=True)

    tool = os.path.join(args.build, 'tools', 'quarvel-import')
    commands = {
        'quarvel-import pgm': [tool, '--spacing', '1', pgm],
        'quarvel-import png': [tool, '--spacing', '1', png],
        'numpy (pgm)': [sys.executable, '-c', NUMPY_SCRIPT, pgm],
    }
    results = {name: [] for name in commands}
    digests, size = set(), 0
    for _ in range(args.runs):
        for name, command in commands.items():
            wall, cpu, peak, out = run_once(command)
            results[name].append((wall, cpu, peak))
            digests.add(points_digest(out))
            size = len(out)
            del out
    if len(digests) != 1:
        raise SystemExit('image_import: the commands wrote different points')

    points = args.size * args.size
    print('%d x %d 16-bit image, %d points, %.1f MB of mesh text (%d runs, medians)'
          % (args.size, args.size, points, size / 1e6, args.runs))
    print('  %-20s %10s %10s %14s %10s' % ('', 'wall s', 'cpu s', 'peak RSS MiB', 'vs numpy'))
    numpy_wall = statistics.median(r[0] for r in results['numpy (pgm)'])
    for name, runs in results.items():
        wall = statistics.median(r[0] for r in runs)
        cpu = statistics.median(r[1] for r in runs)
        peak = max(r[2] for r in runs) / 1024
        print('  %-20s %10.3f %10.3f %14.1f %9.3fx' % (name, wall, cpu, peak, wall / numpy_wall))


if __name__ == '__main__':
    main()
