"""A synthetic 16-bit elevation image for the README's picture: smooth
hills, a valley from the north-west corner to the south-east one, and one
tall peak near the north-east corner (top right), so the picture shows
where north and east went.  Heights in metres, 0..2700.

    /usr/bin/python3 docs/make-dem.py examples/dem.png [SIZE]   (numpy, PIL)
"""
import numpy as np, sys
from PIL import Image

n = int(sys.argv[2]) if len(sys.argv) > 2 else 256
rng = np.random.default_rng(7)
y, x = np.mgrid[0:n, 0:n] / (n - 1)          # row 0 is the top (north)
noise = rng.standard_normal((n, n))
f = np.fft.fftfreq(n)
k = np.hypot(*np.meshgrid(f, f))
hills = np.real(np.fft.ifft2(np.fft.fft2(noise) / (1 + (k * n / 5) ** 3)))
hills = (hills - hills.min()) / np.ptp(hills)
valley = np.exp(-((x - y) ** 2) / 0.01)
peak = np.exp(-((x - 0.85) ** 2 + (y - 0.15) ** 2) / 0.006)
h = 300 + 900 * hills - 350 * valley + 1000 * peak
Image.fromarray(np.round(h).astype(np.uint16)).save(sys.argv[1])
