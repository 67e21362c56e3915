"""What the functions take as data, made into what the extension reads:
a path, or one (heights) or three (x, y, z) 2-D arrays of native float64,
passed in place when they already are, and keyword arguments made into the
command line's long options."""

import os

import numpy

_SEPARATORS = {'range': ':'}


def _floats(a, name):
    """a as native float64, in place when it is; masked elements as NaN."""
    mask = None
    if isinstance(a, numpy.ma.MaskedArray):
        mask = numpy.ma.getmaskarray(a)
        a = a.data
    a = numpy.asarray(a)
    if a.dtype.kind not in 'fiu':
        raise TypeError(f"{name}: {a.dtype} is not a real number type (float, int or uint)")
    if a.dtype.kind in 'iu' and a.dtype.itemsize == 8 and a.size:
        big = numpy.abs(a.astype(numpy.float64)) > 2.0**53
        if big.any():
            where = tuple(int(i) for i in numpy.argwhere(big)[0])
            raise ValueError(f"{name}: sample {list(where)} is {a[where]}, which a double cannot hold exactly")
    if a.dtype != numpy.float64 or not a.dtype.isnative or mask is not None and mask.any():
        a = a.astype(numpy.float64)
        if mask is not None:
            a[mask] = numpy.nan
    return a


def _stack(a, layout):
    """(3, R, C) or (R, C, 3) into three views."""
    first, last = a.shape[0] == 3, a.shape[2] == 3
    if layout is None and first and last:
        raise ValueError(f"array: shape {a.shape} could be (3, R, C) or (R, C, 3): "
                         "say which with layout='xyz-first' or layout='xyz-last'")
    if layout not in (None, 'xyz-first', 'xyz-last'):
        raise ValueError(f"--layout wants xyz-first or xyz-last, not '{layout}'")
    if layout == 'xyz-first' and not first or layout == 'xyz-last' and not last or not (first or last):
        raise ValueError(f"array: shape {a.shape} is not x y z as (3, R, C) or (R, C, 3)")
    if layout == 'xyz-first' or layout is None and first:
        return a[0], a[1], a[2]
    return a[..., 0], a[..., 1], a[..., 2]


def source(data, layout=None):
    """A path (str), or a tuple of one or three 2-D native float64 arrays."""
    if isinstance(data, (str, os.PathLike)):
        return os.fspath(data)
    if isinstance(data, tuple):
        if len(data) != 3:
            raise ValueError(f"data as a tuple is (x, y, z), not {len(data)} arrays")
        x, y, z = (_floats(a, n) for a, n in zip(data, 'xyz'))
        if z.ndim != 2:
            raise ValueError(f"z: heights are a 2-D array, not {z.ndim}-D")
        if x.ndim == 1 and y.ndim == 1:
            if x.shape[0] != z.shape[1] or y.shape[0] != z.shape[0]:
                raise ValueError(f"x of {x.shape[0]} and y of {y.shape[0]} values do not fit z of shape "
                                 f"{z.shape}: x has one value per column, y one per row")
            x = numpy.broadcast_to(x[numpy.newaxis, :], z.shape)
            y = numpy.broadcast_to(y[:, numpy.newaxis], z.shape)
        elif x.shape != z.shape or y.shape != z.shape:
            raise ValueError(f"x, y and z have the shapes {x.shape}, {y.shape} and {z.shape}: "
                             "x and y are 1-D (one per column, one per row) or z's shape")
        return (x, y, z)
    masked = isinstance(data, numpy.ma.MaskedArray)
    a = data if masked else numpy.asarray(data)
    if a.ndim == 3:
        return tuple(_floats(p, n) for p, n in zip(_stack(a, layout), 'xyz'))
    if a.ndim != 2:
        raise ValueError(f"array: shape {a.shape} is neither a height matrix (R, C) "
                         "nor x y z as (3, R, C) or (R, C, 3)")
    return (_floats(a, 'array'),)


def _text(value):
    if isinstance(value, (bool, numpy.bool_)):
        raise TypeError("a flag takes True or False")
    if isinstance(value, (int, numpy.integer)):
        return str(int(value))
    if isinstance(value, (float, numpy.floating)):
        return repr(float(value))
    return str(value)


def options(keywords):
    """Keyword arguments as (--long-option, value text or None) pairs."""
    out = []
    for key, value in keywords.items():
        name = '--' + key.replace('_', '-')
        if value is None or value is False:
            continue
        if value is True:
            out.append((name, None))
        elif isinstance(value, (tuple, list)):
            out.append((name, _SEPARATORS.get(key, ',').join(_text(v) for v in value)))
        else:
            out.append((name, _text(value)))
    return out
