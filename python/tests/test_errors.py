"""Bad input is a Python exception with the tools' text, never a crash."""

import numpy
import pytest
import quarvel

GOOD = numpy.random.RandomState(0).rand(5, 6)

ERRORS = [
    (numpy.zeros(5), {}, ValueError, r'shape \(5,\) is neither a height matrix'),
    (numpy.zeros((2, 2, 2, 2)), {}, ValueError, 'neither a height matrix'),
    (numpy.zeros((1, 5)), {}, ValueError, '2 x 2'),
    (numpy.zeros((0, 0)), {}, ValueError, '2 x 2'),
    (numpy.zeros((4, 4), complex), {}, TypeError, 'complex128 is not a real number type'),
    (numpy.zeros((4, 4), object), {}, TypeError, 'object is not a real number type'),
    (numpy.full((4, 4), 2**60, numpy.int64), {}, ValueError, 'which a double cannot hold exactly'),
    ((numpy.arange(6.0), numpy.arange(4.0), GOOD), {}, ValueError, 'do not fit z of shape'),
    ((numpy.zeros((5, 6)), numpy.zeros((5, 5)), GOOD), {}, ValueError, 'have the shapes'),
    ((numpy.full((5, 6), numpy.nan), numpy.zeros((5, 6)), GOOD), {}, ValueError,
     r'array: x\[0, 0\] is nan, but x and y must be finite numbers'),
    ((GOOD, GOOD), {}, ValueError, r'\(x, y, z\), not 2 arrays'),
    (numpy.full((4, 4), numpy.nan), {}, ValueError, 'array: every sample is no-data'),
    ('/no/such/file.csv', {}, OSError, 'cannot open /no/such/file.csv: No such file or directory'),
    (GOOD, {'every': 0}, ValueError, '--every needs a whole number of at least 1'),
    (GOOD, {'every': 2, 'max': 3}, ValueError, '--every'),
    (GOOD, {'origin': 'middle'}, ValueError, '--origin'),
    (GOOD, {'no_such_option': 1}, TypeError, "unexpected keyword argument 'no_such_option'"),
    (GOOD, {'colormap': 'rainbow'}, ValueError, "unknown colour map 'rainbow'"),
    (GOOD, {'view': (0, 100)}, ValueError, '--view wants AZ,EL'),
    (GOOD, {'range': (2, 1)}, ValueError, '--range wants MIN:MAX'),
    (GOOD, {'background': 'pink'}, ValueError, '--background wants'),
    (GOOD, {'title': 'two\nlines'}, ValueError, '--title wants one line'),
    (GOOD, {'size': (100, 100)}, ValueError, 'at least 320x240'),
]


@pytest.mark.parametrize('data,keywords,error,text', ERRORS)
def test_figure_raises(data, keywords, error, text):
    with pytest.raises(error, match=text):
        quarvel.figure(data, **keywords)


PICTURE_ERRORS = [
    ({'keys': 'w Q'}, ValueError, "unknown key 'Q'"),
    ({'size': (0, 10)}, ValueError, 'size wants'),
    ({'colormap': 'gray'}, TypeError, "unexpected keyword argument 'colormap'"),
]


@pytest.mark.parametrize('keywords,error,text', PICTURE_ERRORS)
def test_picture_raises(keywords, error, text):
    with pytest.raises(error, match=text):
        quarvel.picture(GOOD, **keywords)


def test_read_and_save_raise(tmp_path):
    (tmp_path / 'bad.csv').write_text('1,2\n3,x\n')
    (tmp_path / 'nan.csv').write_text('1,2\n3,nan\n')
    with pytest.raises(ValueError, match='bad.csv'):
        quarvel.read(tmp_path / 'bad.csv')
    with pytest.raises(ValueError, match='no-data'):
        quarvel.read(tmp_path / 'nan.csv', nodata='error')
    picture = quarvel.figure(GOOD)
    with pytest.raises(OSError, match='cannot'):
        picture.save(tmp_path / 'no' / 'dir' / 'a.png')
    with pytest.raises(ValueError):
        picture.save(tmp_path / 'a.jpg')
    assert sorted(p.name for p in tmp_path.iterdir()) == ['bad.csv', 'nan.csv']
