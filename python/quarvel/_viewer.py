"""The interactive viewer on data: the quarvel program reading the mesh
text from a pipe, so no file is left behind."""

import os
import shutil
import subprocess
import threading
import time

from . import _paths


def _viewer():
    for path in (os.environ.get('QUARVEL_VIEWER'), _paths.VIEWER, shutil.which('quarvel')):
        if path and os.access(path, os.X_OK):
            return path
    raise RuntimeError("quarvel.show cannot find the quarvel viewer program")


def _failed(process, output):
    said = output.decode(errors='replace').strip().splitlines()
    return RuntimeError("the quarvel viewer ended with status %d%s" %
                        (process.returncode, ": " + said[-1] if said else ""))


def show(text, reverse, block):
    if not os.environ.get('DISPLAY'):
        raise RuntimeError("quarvel.show needs an X display and DISPLAY is not set "
                           "(quarvel.picture and quarvel.figure draw without one)")
    command = [_viewer()] + (['-r'] if reverse else [])
    process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    if block:
        try:
            _, output = process.communicate(text)
        except KeyboardInterrupt:
            process.terminate()
            process.wait()
            raise
        if process.returncode != 0:
            raise _failed(process, output)
        return None

    def feed():
        try:
            process.stdin.write(text)
            process.stdin.close()
        except OSError:
            pass  # the viewer ended early: its status says why
    threading.Thread(target=feed, daemon=True).start()
    # A viewer that cannot open its window ends at once; report that here.
    deadline = time.monotonic() + 1.0
    while process.poll() is None and time.monotonic() < deadline:
        time.sleep(0.05)
    if process.returncode not in (None, 0):
        raise _failed(process, process.stderr.read())
    return process
