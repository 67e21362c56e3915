"""A drawn picture: its pixels as an array, saved or shown in a notebook."""

import os

from . import _quarvel


class Picture:
    """H x W x 3 uint8 pixels, top row first, in .array."""

    def __init__(self, array):
        self.array = array

    @property
    def size(self):
        """(width, height) in pixels."""
        return (self.array.shape[1], self.array.shape[0])

    def save(self, path):
        """Writes a .png or .bmp file, whole or not at all."""
        _quarvel.save(self.array, os.fspath(path))

    def _repr_png_(self):
        return _quarvel.png_bytes(self.array)

    def __repr__(self):
        return f"<quarvel.Picture {self.size[0]}x{self.size[1]}>"
