#!/usr/bin/env python3
"""The README's Python pictures: run from the source tree after building,
  PYTHONPATH=build/python /usr/bin/python3 examples/python_figures.py
"""

import numpy
import quarvel

# A figure straight from an array: row 0 at the smallest y.
y, x = numpy.mgrid[-3:3:200j, -4:4:260j]
z = numpy.sin(x) * numpy.cos(y) * numpy.exp(-0.05 * (x * x + y * y))
quarvel.figure((x[0], y[:, 0], z), colormap='diverging', title='sin x cos y, damped',
               zlabel='height').save('docs/python-figure.png')

# Any file quarvel-import reads, as arrays, then a view of part of it.
x, y, z = quarvel.read('examples/dem.png', nodata=None)
print(z.shape, numpy.nanmin(z), numpy.nanmax(z))
quarvel.picture('examples/dem.png', keys='f Up Up', size=(400, 300)).save('docs/python-picture.png')
