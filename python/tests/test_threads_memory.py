"""Calls from several threads draw what one thread draws, and hundreds of
calls leave resident memory where it was."""

import threading

import numpy
import quarvel


def test_threads_draw_the_same_pixels(heights):
    expected = {'figure': quarvel.figure(heights, size=(320, 240)).array,
                'picture': quarvel.picture(heights, keys='w', size=(200, 200)).array}
    results, failures = [], []

    def work(i):
        try:
            for _ in range(4):
                if i % 2:
                    results.append(('figure', quarvel.figure(heights, size=(320, 240)).array))
                else:
                    results.append(('picture', quarvel.picture(heights, keys='w', size=(200, 200)).array))
        except Exception as e:  # noqa: BLE001 - reported below
            failures.append(e)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    assert len(results) == 16
    assert all(numpy.array_equal(array, expected[kind]) for kind, array in results)


def _resident_kib():
    with open('/proc/self/status') as f:
        for line in f:
            if line.startswith('VmRSS:'):
                return int(line.split()[1])
    raise AssertionError('no VmRSS')


def test_resident_memory_stays_flat(tmp_path, heights):
    (tmp_path / 'm.csv').write_text('\n'.join(','.join(map(str, row)) for row in heights.tolist()))

    def calls(n):
        for _ in range(n):
            quarvel.figure(heights, size=(320, 240))._repr_png_()
            quarvel.picture(heights, size=(100, 100))
            quarvel.read(tmp_path / 'm.csv')

    calls(30)
    before = _resident_kib()
    calls(100)
    grown = _resident_kib() - before
    assert grown < 4 * 1024, f'resident memory grew by {grown} KiB over 300 calls'
