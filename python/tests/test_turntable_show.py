"""Turntables are the command line's; the viewer without a display is a
clear error, not a hang."""

import os
import subprocess
import sys

import numpy
import quarvel

from conftest import IMPORT, RENDER, run


def test_turntables_are_the_command_lines(tmp_path, heights):
    numpy.save(tmp_path / 'h.npy', heights)
    (tmp_path / 'h.mesh').write_bytes(run(IMPORT, tmp_path / 'h.npy'))
    run(RENDER, '--figure', '--size', '320x240', '--turntable', '4', '--fps', '5', tmp_path / 'h.npy',
        tmp_path / 'cli.gif')
    quarvel.turntable(heights, tmp_path / 'py.gif', frames=4, fps=5, size=(320, 240))
    assert (tmp_path / 'py.gif').read_bytes() == (tmp_path / 'cli.gif').read_bytes()
    run(RENDER, '-k', 'w', '--turntable', '3', tmp_path / 'h.mesh', f'{tmp_path}/cli/')
    quarvel.turntable(heights, f'{tmp_path}/py/', frames=3, figure=False, keys='w')
    frames = sorted(os.listdir(tmp_path / 'cli'))
    assert sorted(os.listdir(tmp_path / 'py')) == frames and len(frames) == 3
    for name in frames:
        assert (tmp_path / 'py' / name).read_bytes() == (tmp_path / 'cli' / name).read_bytes()


def test_show_without_a_display_raises_at_once(heights):
    script = ('import numpy, quarvel\n'
              'try:\n'
              '    quarvel.show(numpy.random.rand(5, 5))\n'
              'except RuntimeError as e:\n'
              '    print(e)\n')
    env = {k: v for k, v in os.environ.items() if k != 'DISPLAY'}
    done = subprocess.run([sys.executable, '-c', script], env=env, capture_output=True, timeout=60)
    assert b'needs an X display' in done.stdout, done.stderr


def test_package_leaves_signals_alone():
    script = ('import signal, numpy, quarvel\n'
              'before = {s: signal.getsignal(s) for s in (signal.SIGINT, signal.SIGTERM, signal.SIGPIPE)}\n'
              'quarvel.picture(numpy.random.rand(5, 5))\n'
              'after = {s: signal.getsignal(s) for s in before}\n'
              'print(before == after)\n')
    done = subprocess.run([sys.executable, '-c', script], capture_output=True, timeout=60)
    assert done.stdout.strip() == b'True', done.stderr
