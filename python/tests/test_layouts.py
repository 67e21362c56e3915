"""However an array holds its values (order, strides, byte order, type,
mask, a stack or three arrays), it draws as the plain array does, and the
caller's array is left as it was."""

import numpy
import pandas
import pytest
import quarvel


def _masked(h):
    m = numpy.ma.masked_array(h, mask=numpy.zeros(h.shape, bool))
    m.mask[3, 4] = True
    return m


def _nan_at(h):
    h = h.copy()
    h[3, 4] = numpy.nan
    return h


SAME = [
    ('fortran', lambda h: numpy.asfortranarray(h), lambda h: h),
    ('strided', lambda h: numpy.repeat(numpy.repeat(h, 2, 0), 3, 1)[::2, ::3], lambda h: h),
    ('big-endian', lambda h: h.astype('>f8'), lambda h: h),
    ('float32', lambda h: h.astype(numpy.float32), lambda h: h.astype(numpy.float32).astype(float)),
    ('int16', lambda h: (h * 1000).astype(numpy.int16), lambda h: (h * 1000).astype(numpy.int16).astype(float)),
    ('big-endian int', lambda h: (h * 1000).astype('>i4'), lambda h: (h * 1000).astype(numpy.int32).astype(float)),
    ('dataframe', lambda h: pandas.DataFrame(h), lambda h: h),
    ('list', lambda h: h.tolist(), lambda h: h),
    ('masked as NaN', _masked, _nan_at),
]


@pytest.mark.parametrize('name,make,plain', SAME, ids=[s[0] for s in SAME])
def test_layout_draws_as_the_plain_array(heights, name, make, plain):
    data = make(heights)
    before = numpy.array(data, copy=True)
    expected = quarvel.figure(numpy.ascontiguousarray(plain(heights)), size=(320, 240)).array
    assert numpy.array_equal(quarvel.figure(data, size=(320, 240)).array, expected)
    assert numpy.array_equal(numpy.asarray(data), before, equal_nan=True)


def test_points_as_stacks_and_tuples_draw_alike(heights):
    rows, cols = heights.shape
    x1, y1 = numpy.arange(cols) * 2.0, numpy.arange(rows) * 0.5
    x, y = numpy.meshgrid(x1, y1)
    expected = quarvel.picture((x, y, heights), keys='w').array
    for data in [(x1, y1, heights), numpy.stack([x, y, heights]), numpy.stack([x, y, heights], axis=-1),
                 (numpy.asfortranarray(x), y.astype('>f8'), heights.astype('>f8'))]:
        assert numpy.array_equal(quarvel.picture(data, keys='w').array, expected)


def test_ambiguous_stack_takes_a_layout():
    a = numpy.random.RandomState(0).rand(3, 4, 3)
    with pytest.raises(ValueError, match="layout='xyz-first'"):
        quarvel.figure(a)
    assert quarvel.figure(a, layout='xyz-first').size == (800, 600)
    assert quarvel.figure(a, layout='xyz-last').size == (800, 600)
