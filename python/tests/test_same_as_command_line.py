"""The package draws and reads with the tools' own code: its pictures are
the command line's byte for byte, its points quarvel-import's."""

import os
import re

import numpy
import pytest
import quarvel

from conftest import IMPORT, RENDER, SOURCE, mesh_points, run

FIGURES = [
    ({}, []),
    ({'colormap': 'earth', 'view': (120, 45), 'title': 'A title'},
     ['--colormap', 'earth', '--view', '120,45', '--title', 'A title']),
    ({'size': (400, 300), 'range': (-1, 2), 'relief': 0.5, 'background': '#102030', 'zlabel': 'm'},
     ['--size', '400x300', '--range', '-1:2', '--relief', '0.5', '--background', '#102030', '--zlabel', 'm']),
    ({'origin': 'upper', 'z_factor': 3, 'every': 2}, ['--origin', 'upper', '--z-factor', '3', '--every', '2']),
]


@pytest.mark.parametrize('keywords,args', FIGURES)
def test_figure_is_the_command_lines(tmp_path, heights, keywords, args):
    numpy.save(tmp_path / 'h.npy', heights)
    run(RENDER, '--figure', *args, tmp_path / 'h.npy', tmp_path / 'cli.png')
    quarvel.figure(heights, **keywords).save(tmp_path / 'py.png')
    quarvel.figure(str(tmp_path / 'h.npy'), **keywords).save(tmp_path / 'path.png')
    cli = (tmp_path / 'cli.png').read_bytes()
    assert (tmp_path / 'py.png').read_bytes() == cli
    assert (tmp_path / 'path.png').read_bytes() == cli


PICTURES = [
    ({}, []),
    ({'keys': 'w Left Left d', 'size': (320, 200)}, ['-k', 'w Left Left d', '--size', '320x200']),
    ({'keys': 'f g +', 'reverse': True}, ['-r', '-k', 'f g +']),
]


@pytest.mark.parametrize('keywords,args', PICTURES)
def test_picture_is_the_command_lines(tmp_path, heights, keywords, args):
    numpy.save(tmp_path / 'h.npy', heights)
    (tmp_path / 'h.mesh').write_bytes(run(IMPORT, tmp_path / 'h.npy'))
    run(RENDER, *args, tmp_path / 'h.mesh', tmp_path / 'cli.bmp')
    quarvel.picture(heights, **keywords).save(tmp_path / 'py.bmp')
    quarvel.picture(str(tmp_path / 'h.mesh'), **keywords).save(tmp_path / 'mesh.bmp')
    cli = (tmp_path / 'cli.bmp').read_bytes()
    assert (tmp_path / 'py.bmp').read_bytes() == cli
    assert (tmp_path / 'mesh.bmp').read_bytes() == cli


def test_picture_array_is_top_row_first(tmp_path, heights):
    picture = quarvel.picture(heights, keys='w')
    picture.save(tmp_path / 'p.bmp')
    bmp = (tmp_path / 'p.bmp').read_bytes()
    bottom = numpy.frombuffer(bmp[54:54 + 500 * 3], numpy.uint8).reshape(500, 3)[:, ::-1]
    assert picture.array.shape == (500, 500, 3) and picture.array.dtype == numpy.uint8
    assert picture.size == (500, 500)
    assert (picture.array[-1] == bottom).all()
    assert picture._repr_png_()[:8] == b'\x89PNG\r\n\x1a\n'


def _write_csv(path):
    path.write_text('1,2,3\n4,5,6.5\n7,8,9\n')


def _write_xyz(path):
    path.write_text(''.join(f'{x} {y} {x * y}\n' for y in (10, 20, 30) for x in (1, 2)))


def _write_npy(path):
    numpy.save(path, numpy.arange(12, dtype='>i2').reshape(3, 4))


READS = [
    ('m.csv', _write_csv, {}, []),
    ('p.xyz', _write_xyz, {}, []),
    ('a.npy', _write_npy, {'origin': 'upper', 'z_factor': 0.5}, ['--origin', 'upper', '--z-factor', '0.5']),
    (None, None, {'every': 3}, ['--every', '3']),
]


@pytest.mark.parametrize('name,write,keywords,args', READS)
def test_read_gives_quarvel_imports_points(tmp_path, name, write, keywords, args):
    if name is None:
        path = os.path.join(SOURCE, 'examples', 'dem.png')
    else:
        path = tmp_path / name
        write(path)
    rows, cols, points = mesh_points(run(IMPORT, *args, path))
    x, y, z = quarvel.read(path, **keywords)
    assert x.shape == y.shape == z.shape == (rows, cols)
    for array, k in zip((x, y, z), range(3)):
        assert array.dtype == numpy.float64
        assert numpy.array_equal(array.ravel(order='F'), points[:, k])


def test_read_keeps_no_data_as_nan_only_when_asked(tmp_path):
    (tmp_path / 'm.csv').write_text('1,2,3\n4,nan,6\n7,8,9\n')
    assert not numpy.isnan(quarvel.read(tmp_path / 'm.csv')[2]).any()
    z = quarvel.read(tmp_path / 'm.csv', nodata=None)[2]
    assert numpy.isnan(z).sum() == 1
    assert quarvel.read(tmp_path / 'm.csv', nodata=-5)[2].min() == -5


def unnumbered(svg):
    """cairo numbers an SVG's images and groups by the surfaces made before
    in the process."""
    return re.sub(rb'(image|surface)\d+', rb'\1', svg)


@pytest.mark.parametrize('ext,same', [('.pdf', bytes), ('.svg', unnumbered)])
def test_figure_page_is_the_command_lines(tmp_path, heights, ext, same):
    numpy.save(tmp_path / 'h.npy', heights)
    run(RENDER, '--figure', '--title', 'Waves', tmp_path / 'h.npy', tmp_path / ('cli' + ext))
    quarvel.figure(heights, title='Waves').save(tmp_path / ('py' + ext))
    assert same((tmp_path / ('py' + ext)).read_bytes()) == same((tmp_path / ('cli' + ext)).read_bytes())
    with pytest.raises(ValueError, match='pixels only'):
        quarvel.picture(heights).save(tmp_path / ('viewer' + ext))
    assert sorted(p.name for p in tmp_path.iterdir()) == ['cli' + ext, 'h.npy', 'py' + ext]
