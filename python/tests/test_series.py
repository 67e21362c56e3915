"""Series are the command line's: arrays and paths alike, one frame each;
a bad item stops the series naming it and leaves no file."""

import os

import numpy
import pytest
import quarvel

from conftest import IMPORT, RENDER, run


def test_series_are_the_command_lines(tmp_path, heights):
    steps = [heights, heights[:20, :25] * 2.0, heights + 1.0]
    for i, h in enumerate(steps):
        numpy.save(tmp_path / f'h{i}.npy', h)
        (tmp_path / f'h{i}.mesh').write_bytes(run(IMPORT, tmp_path / f'h{i}.npy'))
    files = [tmp_path / f'h{i}.npy' for i in range(3)]
    run(RENDER, '--series', '--figure', '--size', '320x240', '--fps', '5', '--frame-label', '{n} of {count}',
        *files, tmp_path / 'cli.gif')
    # arrays, a path and a path-like in one list
    quarvel.series([steps[0], str(files[1]), files[2]], tmp_path / 'py.gif', fps=5, size=(320, 240),
                   frame_label='{n} of {count}')
    assert (tmp_path / 'py.gif').read_bytes() == (tmp_path / 'cli.gif').read_bytes()
    meshes = [tmp_path / f'h{i}.mesh' for i in range(2)]
    run(RENDER, '--series', '-k', 'w', *meshes, f'{tmp_path}/cli/')
    quarvel.series(steps[:2], f'{tmp_path}/py/', figure=False, keys='w')
    frames = sorted(os.listdir(tmp_path / 'cli'))
    assert sorted(os.listdir(tmp_path / 'py')) == frames and len(frames) == 2
    for name in frames:
        assert (tmp_path / 'py' / name).read_bytes() == (tmp_path / 'cli' / name).read_bytes()


@pytest.mark.parametrize('call, error, message', [
    (lambda d, out: quarvel.series([d / 'a.npy', d / 'bad.npy'], out), ValueError, 'bad.npy: '),
    (lambda d, out: quarvel.series([d / 'a.npy', d / 'none.npy'], out), OSError, 'cannot open'),
    (lambda d, out: quarvel.series([d / 'a.npy'], out, figure=False, frame_label='{n}'), ValueError,
     'frame_label needs figure=True'),
    (lambda d, out: quarvel.series([d / 'a.npy'], out, frame_label='{step}'), ValueError,
     '--frame-label knows no {step}'),
    (lambda d, out: quarvel.series([], out), ValueError, 'a series wants 1 to'),
])
def test_errors_name_the_item_and_leave_no_file(tmp_path, heights, call, error, message):
    numpy.save(tmp_path / 'a.npy', heights)
    (tmp_path / 'bad.npy').write_bytes(b'\x93NUMPY')
    before = sorted(os.listdir(tmp_path))
    with pytest.raises(error, match=message.replace('{', r'\{').replace('}', r'\}')):
        call(tmp_path, tmp_path / 'out.gif')
    assert sorted(os.listdir(tmp_path)) == before
