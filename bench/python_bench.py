#!/usr/bin/env python3
"""The Python package against what a Python user would otherwise run, each
timed in one running process (gnuplot as its whole process, as it is used):

  1. a 1000 x 1000 figure from a NumPy array, saved as PNG, against
     matplotlib's plot_surface at full resolution with a colour bar and
     savefig;
  2. the second and later 250 x 250 viewer pictures of 500 x 500 pixels
     saved as PNG, against gnuplot drawing a pm3d PNG of the same grid;
  3. quarvel.read of a 2000 x 2000 grid as CSV against numpy.loadtxt, and
     as a 16-bit PNG against PIL's read plus numpy.mgrid's coordinates.

Run with the build's package:  PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py
Prints one line per comparison with the ratio (quarvel's time / the other's).
"""

import os
import subprocess
import sys
import tempfile
import time

import numpy
import quarvel


def best(f, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        f()
        times.append(time.perf_counter() - start)
    return min(times)


def surface(n):
    r, c = numpy.mgrid[0:n, 0:n] / n
    return numpy.sin(6 * r) * numpy.cos(4 * c) + r


def figures(tmp):
    import matplotlib
    matplotlib.use('Agg')
    import matplotlib.pyplot as plt
    z = surface(1000)
    ours = best(lambda: quarvel.figure(z).save(f'{tmp}/q.png'), 3)

    def mpl():
        x, y = numpy.meshgrid(numpy.arange(1000), numpy.arange(1000))
        fig = plt.figure(figsize=(8, 6), dpi=100)
        ax = fig.add_subplot(projection='3d')
        s = ax.plot_surface(x, y, z, rstride=1, cstride=1, cmap='viridis', linewidth=0)
        fig.colorbar(s)
        fig.savefig(f'{tmp}/m.png')
        plt.close(fig)
    theirs = best(mpl, 1)
    return ours, theirs


def pictures(tmp):
    z = surface(250)
    quarvel.picture(z).save(f'{tmp}/first.png')
    ours = best(lambda: quarvel.picture(z).save(f'{tmp}/p.png'), 10)
    numpy.savetxt(f'{tmp}/g.dat', z)
    script = (f"set terminal pngcairo size 500,500; set output '{tmp}/g.png'; set pm3d; "
              f"unset surface; splot '{tmp}/g.dat' matrix with pm3d notitle")
    theirs = best(lambda: subprocess.run(['gnuplot', '-e', script], check=True), 3)
    return ours, theirs


def reads(tmp):
    z = (surface(2000) * 20000).astype(numpy.uint16)
    numpy.savetxt(f'{tmp}/r.csv', z, fmt='%d', delimiter=',')
    png = _write_png16(z, f'{tmp}/r.png')
    ours_png = best(lambda: quarvel.read(png), 3)
    ours_csv = best(lambda: quarvel.read(f'{tmp}/r.csv'), 3)
    loadtxt = best(lambda: numpy.loadtxt(f'{tmp}/r.csv', delimiter=','), 2)
    image = best(lambda: _image_and_coordinates(png), 3)
    return ours_png, ours_csv, loadtxt, image


def _image_and_coordinates(path):
    """The image library's read and the coordinate arrays, as one does it by hand."""
    from PIL import Image
    z = numpy.asarray(Image.open(path))
    y, x = numpy.mgrid[0:z.shape[0], 0:z.shape[1]]
    return x, y, z


def _write_png16(z, path):
    import struct
    import zlib
    raw = b''.join(b'\0' + row.astype('>u2').tobytes() for row in z)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', z.shape[1], z.shape[0], 16, 0, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw, 1)) + chunk(b'IEND', b''))
    return path


def main():
    with tempfile.TemporaryDirectory() as tmp:
        ours, theirs = figures(tmp)
        print(f'figure 1000x1000:     quarvel {ours:.3f} s, matplotlib {theirs:.3f} s, ratio {ours / theirs:.4f} (goal <= 0.02)')
        ours, theirs = pictures(tmp)
        print(f'picture 250x250:      quarvel {ours:.4f} s, gnuplot {theirs:.3f} s, ratio {ours / theirs:.3f} (goal <= 0.7)')
        png, csv, loadtxt, image = reads(tmp)
        print(f'read 2000x2000 CSV:   quarvel {csv:.3f} s, numpy.loadtxt {loadtxt:.3f} s, ratio {csv / loadtxt:.3f} '
              f'(goal <= 0.5)')
        print(f'read 2000x2000 PNG:   quarvel {png:.3f} s, PIL read + numpy.mgrid {image:.3f} s, ratio '
              f'{png / image:.3f} (goal <= 0.5)')
    return 0


if __name__ == '__main__':
    sys.exit(main())
