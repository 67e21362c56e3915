"""A drawn picture: its pixels as an array, saved or shown in a notebook."""

import os

from . import _quarvel


_PAGES = ('.pdf', '.svg')


class Picture:
    """H x W x 3 uint8 pixels, top row first, in .array; a figure also
    keeps its page, as drawn, for .pdf and .svg."""

    def __init__(self, array, page=None):
        self.array = array
        self._page = page

    @property
    def size(self):
        """(width, height) in pixels."""
        return (self.array.shape[1], self.array.shape[0])

    def save(self, path):
        """Writes a .png or .bmp file, whole or not at all; a figure also a
        .pdf or .svg page (quarvel-render's: the surface an image at 96 to
        the inch, the lines and text vector)."""
        path = os.fspath(path)
        if os.path.splitext(path)[1].lower() in _PAGES:
            if self._page is None:
                raise ValueError(f"cannot write the viewer's picture to {path!r}: it is pixels only, "
                                 "a .bmp or .png; quarvel.figure draws a figure for a .pdf or .svg")
            _quarvel.save_page(self._page, path)
        else:
            _quarvel.save(self.array, path)

    def _repr_png_(self):
        return _quarvel.png_bytes(self.array)

    def __repr__(self):
        return f"<quarvel.Picture {self.size[0]}x{self.size[1]}>"
