"""A synthetic 16-bit elevation image for the README's picture: smooth
hills, a valley from the north-west corner to the south-east one, and one
tall peak near the north-east corner (top right), so the picture shows
where north and east went.  Heights in metres, 0..2700.

    /usr/bin/python3 docs/make-dem.py examples/dem.png [SIZE | WxH]   (numpy, PIL)
    /usr/bin/python3 docs/make-dem.py dem.tif [SIZE | WxH]

A .tif is a GeoTIFF in degrees (WGS 84): its top-left pixel's corner at
84.4 W, 36.4 N, pixels 0.0005 degrees square (about 45 x 56 m).
"""
import struct
import sys

import numpy as np

WEST, NORTH, PIXEL = -84.4, 36.4, 0.0005


def heights(w, h):
    n = max(w, h)
    rng = np.random.default_rng(7)
    y, x = np.mgrid[0:h, 0:w].astype(float)      # row 0 is the top (north)
    y /= h - 1
    x /= w - 1
    noise = rng.standard_normal((h, w))
    k = np.hypot(*np.meshgrid(np.fft.fftfreq(w), np.fft.fftfreq(h)))
    hills = np.real(np.fft.ifft2(np.fft.fft2(noise) / (1 + (k * n / 5) ** 3)))
    hills = (hills - hills.min()) / np.ptp(hills)
    valley = np.exp(-((x - y) ** 2) / 0.01)
    peak = np.exp(-((x - 0.85) ** 2 + (y - 0.15) ** 2) / 0.006)
    return np.round(300 + 900 * hills - 350 * valley + 1000 * peak).astype(np.uint16)


def geotiff(path, z):
    """One uncompressed strip, little-endian, with the GeoTIFF tags that
    place it: pixel size, tie point, geographic WGS 84, pixels as areas."""
    h, w = z.shape
    pixels = z.astype("<u2").tobytes()
    scale = struct.pack("<3d", PIXEL, PIXEL, 0)
    tie = struct.pack("<6d", 0, 0, 0, WEST, NORTH, 0)
    keys = struct.pack("<16H", 1, 1, 0, 3, 1024, 0, 1, 2, 1025, 0, 1, 1, 2048, 0, 1, 4326)
    entries = [(256, 3, 1, w), (257, 3, 1, h), (258, 3, 1, 16), (259, 3, 1, 1), (262, 3, 1, 1),
               (273, 4, 1, None), (277, 3, 1, 1), (278, 3, 1, h), (279, 4, 1, len(pixels)),
               (339, 3, 1, 1), (33550, 12, 3, scale), (33922, 12, 6, tie), (34735, 3, 16, keys)]
    table = 8 + 2 + 12 * len(entries) + 4
    blobs, at = b"", table
    fields = []
    for tag, kind, count, value in entries:
        if isinstance(value, bytes):
            fields.append((tag, kind, count, at))
            blobs += value
            at += len(value)
        else:
            fields.append((tag, kind, count, value))
    data_at = at
    out = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(fields))
    for tag, kind, count, value in fields:
        value = data_at if value is None else value
        packed = struct.pack("<H", value) + b"\0\0" if kind == 3 and count == 1 else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, kind, count) + packed
    out += struct.pack("<I", 0) + blobs + pixels
    with open(path, "wb") as f:
        f.write(out)


size = sys.argv[2] if len(sys.argv) > 2 else "256"
w, h = (int(v) for v in size.split("x")) if "x" in size else (int(size),) * 2
z = heights(w, h)
if sys.argv[1].endswith((".tif", ".tiff")):
    geotiff(sys.argv[1], z)
else:
    from PIL import Image
    Image.fromarray(z).save(sys.argv[1])
