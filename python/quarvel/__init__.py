"""quarvel from Python: any file quarvel-import reads as arrays, figures
for a report and the viewer's own pictures drawn in-process, turntables
and series (one frame per time step) as animations, and the interactive
viewer.

Keyword arguments are the command line's long options with '-' as '_'
(origin=, lonlat=, nodata=, every=, max=, z_factor=, layout=, ...), with
its defaults.  data is a path, a 2-D height array (row 0 at the smallest
y, as quarvel-import reads a .npy; origin='upper' puts it at the top), a
tuple (x, y, z) of 1-D x and y or 2-D arrays, or a (3, R, C) or (R, C, 3)
stack.  NaN and masked heights are no-data.  Errors are ValueError,
TypeError or OSError with the command-line tools' text.
"""

import warnings

from . import _inputs, _quarvel, _viewer
from ._picture import Picture

__all__ = ['read', 'figure', 'picture', 'turntable', 'series', 'show', 'Picture', 'QuarvelNote']


class QuarvelNote(UserWarning):
    """What reading found worth telling, as the tools' "note:" lines."""


def _say(notes):
    for note in notes:
        warnings.warn(note, QuarvelNote, stacklevel=3)


def _source(data, options):
    return _inputs.source(data, options.get('layout'))


def read(path, **options):
    """(x, y, z): float64 arrays of shape (ROWS, COLS) as in the header
    quarvel-import writes, [r, c] being point line c * ROWS + r.  nodata:
    'min' (default), 'error', a number, or None (no-data as NaN).  x and y
    of an image or matrix, the same along a row or a column, are read-only
    views that repeat one row or column (as numpy.broadcast_to gives);
    .copy() makes them full arrays."""
    holes = 'nodata' in options and options['nodata'] is None
    x, y, z, notes = _quarvel.read(_inputs.source(path), _inputs.options(options), holes)
    _say(notes)
    return x, y, z


def _figure_options(view, colormap, range, title, xlabel, ylabel, zlabel, relief, background, options):
    if isinstance(view, str) or view is None:
        view_text = view
    else:
        view_text = tuple(view)
    style = dict(view=view_text, colormap=colormap, range=range, title=title, xlabel=xlabel,
                 ylabel=ylabel, zlabel=zlabel, relief=relief, background=background)
    return _inputs.options({**options, **style})


def figure(data, *, size=(800, 600), view=None, colormap='viridis', range=None, title=None,
           xlabel=None, ylabel=None, zlabel=None, relief=None, background='white', **import_options):
    """A picture for a report: the surface coloured by height in an axes
    box, as quarvel-render --figure draws it (relief=None: the command
    line's default, true proportions for a solid, else a 4:4:3 box)."""
    rgb, notes, page = _quarvel.figure(_source(data, import_options),
                                 _figure_options(view, colormap, range, title, xlabel, ylabel, zlabel,
                                                 relief, background, import_options),
                                 int(size[0]), int(size[1]))
    _say(notes)
    return Picture(rgb, page)


def picture(data, *, keys="", size=(500, 500), reverse=False, **import_options):
    """The viewer's picture after keys, as quarvel-render draws it."""
    rgb, notes = _quarvel.picture(_source(data, import_options), _inputs.options(import_options), keys,
                                  int(size[0]), int(size[1]), bool(reverse))
    _say(notes)
    return Picture(rgb)


def _drawing_options(options, figure, what):
    """(size, keys, reverse, option list) of a turntable's or series' keywords."""
    size = options.pop('size', (800, 600) if figure else (500, 500))
    keys = options.pop('keys', "")
    reverse = options.pop('reverse', False)
    if not figure:
        return size, keys, reverse, _inputs.options(options)
    if keys or reverse:
        raise TypeError(f"a figure's {what} takes no keys or reverse: use view= and relief=")
    style = {k: options.pop(k) for k in ('view', 'colormap', 'range', 'title', 'xlabel', 'ylabel',
                                          'zlabel', 'relief', 'background') if k in options}
    if isinstance(style.get('view'), list):
        style['view'] = tuple(style['view'])
    return size, keys, reverse, _inputs.options({**options, **style})


def turntable(data, path, frames=36, fps=12, figure=True, **options):
    """One full turn to path (.gif, .mp4 or a folder of PNG frames): of a
    figure (its options as figure's), or of the viewer's picture (keys=,
    reverse=)."""
    import os
    size, keys, reverse, option_list = _drawing_options(options, figure, 'turntable')
    notes = _quarvel.turntable(_source(data, options), os.fspath(path), option_list, bool(figure), keys,
                               int(size[0]), int(size[1]), bool(reverse), int(frames), int(fps))
    _say(notes)


def series(data, path, *, fps=12, figure=True, frame_label=None, **options):
    """One frame per item of data (each anything figure takes), in order,
    to path (.gif, .mp4 or a folder of PNG frames): figures in one box at
    one colour scale over the whole series (the items' ranges together
    unless range= is given), frame_label='{n}/{count} {stem}' under the
    title of each ({index} {n} {count} {name} {stem}; {name} of an array
    is 'array'); or with figure=False the viewer's picture of each (keys=,
    reverse=).  Files are read two at a time, twice for a figure."""
    import os
    items = list(data)
    size, keys, reverse, option_list = _drawing_options(options, figure, 'series')
    layout = options.get('layout')
    sources = [_inputs.source(item, layout) for item in items]
    names = [os.fspath(item) if isinstance(item, (str, os.PathLike)) else 'array' for item in items]
    notes = _quarvel.series(sources, names, os.fspath(path), option_list, bool(figure), keys,
                            int(size[0]), int(size[1]), bool(reverse), int(fps), frame_label or "")
    _say(notes)


def show(data, *, reverse=False, block=True, **import_options):
    """Opens the interactive viewer on data; with block=False returns its
    subprocess.Popen at once."""
    text, notes = _quarvel.mesh_text(_source(data, import_options), _inputs.options(import_options))
    _say(notes)
    return _viewer.show(text, reverse, block)
