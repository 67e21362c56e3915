"""The programs the package must agree with, and small inputs."""

import os
import subprocess

import numpy
import pytest

BUILD = os.path.join(os.path.dirname(__file__), '..', '..', 'build')
RENDER = os.environ.get('QUARVEL_RENDER', os.path.join(BUILD, 'tools', 'quarvel-render'))
IMPORT = os.environ.get('QUARVEL_IMPORT', os.path.join(BUILD, 'tools', 'quarvel-import'))
SOURCE = os.environ.get('QUARVEL_SOURCE_DIR', os.path.join(os.path.dirname(__file__), '..', '..'))


def run(program, *args):
    done = subprocess.run([program, *map(str, args)], capture_output=True)
    assert done.returncode == 0, done.stderr.decode()
    return done.stdout


@pytest.fixture
def heights():
    """A small surface with some relief, 30 rows by 40 columns."""
    r, c = numpy.mgrid[0:30, 0:40]
    return numpy.sin(r / 5.0) * numpy.cos(c / 7.0) + 0.01 * r


def mesh_points(text):
    """The ROWS, COLS and point lines of mesh text."""
    lines = [l for l in text.decode().splitlines() if l.strip() and not l.startswith('#')]
    rows, cols = (int(v) for v in lines[0].split('*'))
    points = numpy.array([[float(v) for v in l.split()] for l in lines[1:]])
    return rows, cols, points
