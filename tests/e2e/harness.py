"""Runs the real quarvel binary in a private Xvfb and drives it like a user.

Every wait has a timeout; nothing sleeps a fixed time where an event can be
waited on.  Each Viewer gets its own working directory, so saves
("quarvel.bmp") never collide between tests.
"""
import os
import shutil
import struct
import subprocess
import tempfile
import time

QUARVEL = os.environ.get("QUARVEL", "quarvel")
TIMEOUT = float(os.environ.get("QUARVEL_E2E_TIMEOUT", "30"))


class XServer:
    """A private Xvfb on a display number it picks itself (-displayfd)."""

    def __init__(self, width=1280, height=1024):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display)

    def run(self, *args, check=True, timeout=TIMEOUT):
        return subprocess.run(list(args), env=self.env, check=check, timeout=timeout,
                              capture_output=True, text=True)

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def wait_for(predicate, what, timeout=TIMEOUT, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise TimeoutError("timed out waiting for " + what)


class Viewer:
    """One quarvel process with its window.

    args are the command-line arguments after the program name; stdin_data,
    if given, is piped to standard input.  The window is found by its title,
    the command name as typed (argv[0], here the binary's path).
    """

    def __init__(self, xserver, args, stdin_data=None, cwd=None, argv0=None):
        self.x = xserver
        self.cwd = cwd or tempfile.mkdtemp(prefix="quarvel-e2e-")
        self.own_cwd = cwd is None
        binary = os.path.abspath(QUARVEL)
        self.title = argv0 or binary
        self.stdout_path = os.path.join(self.cwd, "stdout.txt")
        self.stderr_path = os.path.join(self.cwd, "stderr.txt")
        self._out = open(self.stdout_path, "w")
        self._err = open(self.stderr_path, "w")
        self.proc = subprocess.Popen(
            [self.title] + list(args), executable=binary, cwd=self.cwd, env=xserver.env,
            stdin=subprocess.PIPE if stdin_data is not None else subprocess.DEVNULL,
            stdout=self._out, stderr=self._err)
        if stdin_data is not None:
            self.proc.stdin.write(stdin_data.encode() if isinstance(stdin_data, str) else stdin_data)
            self.proc.stdin.close()
        self.window = self._find_window()

    def _find_window(self):
        def search():
            if self.proc.poll() is not None:
                raise RuntimeError("quarvel exited with %d before its window appeared: %s"
                                   % (self.proc.returncode, self.stderr()))
            r = self.x.run("xdotool", "search", "--name", "^" + _regex_escape(self.title) + "$",
                           check=False)
            ids = r.stdout.split()
            return ids[0] if ids else None
        window = wait_for(search, "the quarvel window")
        # The window is up once it is mapped and has been drawn at least once;
        # a key round trip (a harmless key) proves the event loop runs.
        self.x.run("xdotool", "search", "--sync", "--onlyvisible", "--name",
                   "^" + _regex_escape(self.title) + "$")
        return window

    # -- input --------------------------------------------------------------
    def keys(self, *keys, check=True):
        """Sends keys (xdotool names: 'w', 'Up', 'asterisk', 'B', ...).

        A key that ends the process (q) destroys the window between press
        and release, so xdotool fails on the release: pass check=False.
        """
        for key in keys:
            self.x.run("xdotool", "key", "--window", self.window, key, check=check)

    def type(self, text):
        self.x.run("xdotool", "type", "--window", self.window, text)

    def resize(self, width, height):
        self.x.run("xdotool", "windowsize", self.window, str(width), str(height))
        wait_for(lambda: self.geometry()[2:] == (width, height), "the window to be %dx%d" % (width, height))

    def geometry(self):
        """(x, y, width, height) of the window, from xwininfo."""
        out = self.x.run("xwininfo", "-id", self.window).stdout
        fields = {}
        for line in out.splitlines():
            if ":" in line:
                k, v = line.split(":", 1)
                fields[k.strip()] = v.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def close_window(self):
        """Closes the window as a window manager would: WM_DELETE_WINDOW."""
        send_delete_window(self.x.display, int(self.window))

    # -- output -------------------------------------------------------------
    def stdout(self):
        self._out.flush()
        with open(self.stdout_path) as f:
            return f.read()

    def stderr(self):
        self._err.flush()
        with open(self.stderr_path) as f:
            return f.read()

    def save(self):
        """Presses B, waits for "Done!" and returns the saved file's bytes."""
        path = os.path.join(self.cwd, "quarvel.bmp")
        before = self.stdout().count("Done!\n")
        self.keys("B")
        wait_for(lambda: self.stdout().count("Done!\n") > before, "the save to finish")
        with open(path, "rb") as f:
            return f.read()

    def snapshot(self):
        """Saves the window and returns it as an Image."""
        return Image.from_bmp(self.save())

    def wait_exit(self, timeout=TIMEOUT):
        return self.proc.wait(timeout=timeout)

    def quit(self):
        if self.proc.poll() is None:
            self.keys("q", check=False)
            return self.wait_exit()
        return self.proc.returncode

    def cleanup(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self._out.close()
        self._err.close()
        if self.own_cwd:
            shutil.rmtree(self.cwd, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.cleanup()


def _regex_escape(text):
    out = []
    for ch in text:
        out.append("\\" + ch if ch in ".^$*+?()[]{}|\\" else ch)
    return "".join(out)


def send_delete_window(display, window):
    """Sends the WM_DELETE_WINDOW client message, as a window manager does."""
    import ctypes
    import ctypes.util
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError("cannot open display " + display)
    try:
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
        x11.XFlush(dpy)
    finally:
        x11.XCloseDisplay(dpy)


class Image:
    """A decoded 24-bit BMP: pixel(x, y) with y = 0 at the top, as on screen."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows  # rows[0] is the top

    @classmethod
    def from_bmp(cls, data):
        if data[:2] != b"BM":
            raise ValueError("not a BMP file")
        width, height = struct.unpack_from("<ii", data, 18)
        stride = 3 * width + width % 4
        rows = []
        for r in range(height):
            start = 54 + r * stride
            rows.append(data[start:start + 3 * width])
        rows.reverse()
        return cls(width, height, rows)

    def pixel(self, x, y):
        """(red, green, blue) of the pixel at column x, row y from the top."""
        b, g, r = self.rows[y][3 * x:3 * x + 3]
        return (r, g, b)

    def count(self, predicate):
        n = 0
        for y in range(self.height):
            for x in range(self.width):
                if predicate(self.pixel(x, y)):
                    n += 1
        return n

    def colours(self):
        seen = {}
        for y in range(self.height):
            row = self.rows[y]
            for x in range(self.width):
                b, g, r = row[3 * x:3 * x + 3]
                seen[(r, g, b)] = seen.get((r, g, b), 0) + 1
        return seen
