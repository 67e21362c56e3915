"""Runs the real quarvel binary in a private Xvfb and drives it like a user.
Every wait has a timeout; each Viewer has its own working directory."""
import ctypes, ctypes.util, os, pathlib, re, shutil, struct
import subprocess, tempfile, time, unittest

TIMEOUT = float(os.environ.get("QUARVEL_E2E_TIMEOUT", "30"))
BINARY = os.path.abspath(os.environ.get("QUARVEL", "quarvel"))
SOURCE = os.path.abspath(os.environ.get("QUARVEL_SOURCE_DIR", os.path.dirname(__file__) + "/../.."))
NO_DISPLAY = {k: v for k, v in os.environ.items() if k != "DISPLAY"}  # for runs without X


class XServer:  # a private Xvfb on a display number it picks itself
    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                      "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                                     pass_fds=(write_fd,), stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            self.display = ":" + pipe.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.display)

    def run(self, *args, check=True, timeout=TIMEOUT):
        return subprocess.run(args, env=self.env, check=check, timeout=timeout,
                              capture_output=True, text=True)

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


def shared_xserver(namespace):
    """setUpModule, tearDownModule = shared_xserver(globals()): one XServer as x."""
    def up(): namespace["x"] = XServer()
    return up, lambda: namespace["x"].stop()


def wait_for(predicate, what, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise TimeoutError("timed out waiting for " + what)


class Viewer:
    """quarvel with args (and stdin_data) and its window, found by its title argv0;
    popen may replace stdout or add a preexec_fn; the working directory is cwd, if
    given, else the private directory that also holds the output files."""

    def __init__(self, xserver, args, stdin_data=None, argv0=None, cwd=None, **popen):
        self.x, self.cwd = xserver, tempfile.mkdtemp(prefix="quarvel-e2e-")
        self.workdir = cwd or self.cwd
        title = argv0 or BINARY
        self.paths = [pathlib.Path(self.cwd, n) for n in ("stdout.txt", "stderr.txt")]
        with open(self.paths[0], "w") as out, open(self.paths[1], "w") as err:
            self.proc = subprocess.Popen(
                [title] + list(args), executable=BINARY, cwd=self.workdir, env=xserver.env,
                **dict(dict(stdin=subprocess.PIPE, stdout=out, stderr=err), **popen))
        with self.proc.stdin as stdin:
            stdin.write(stdin_data.encode() if isinstance(stdin_data, str) else stdin_data or b"")
        name = "^" + "".join("\\" + c if c in ".^$*+?()[]{}|\\" else c for c in title) + "$"

        def search():
            if self.proc.poll() is not None:
                raise RuntimeError("quarvel exited before its window appeared: " + self.stderr())
            return self.x.run("xdotool", "search", "--onlyvisible", "--name", name,
                              check=False).stdout.split()
        self.window = wait_for(search, "the quarvel window")[0]

    def keys(self, *keys, check=True):  # after q, xdotool fails on the release: check=False
        self.x.run("xdotool", "key", "--window", self.window, *keys, check=check)

    def resize(self, width, height):
        self.x.run("xdotool", "windowsize", self.window, str(width), str(height))
        wait_for(lambda: self.geometry()[2:] == (width, height), "a %dx%d window" % (width, height))

    def geometry(self):  # (x, y, width, height)
        out = self.x.run("xwininfo", "-id", self.window).stdout
        return tuple(int(re.search(k + r":\s*(-?\d+)", out).group(1)) for k in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def close_window(self):  # as a window manager does
        send_delete_window(self.x.display, int(self.window))

    def stdout(self): return self.paths[0].read_text()
    def stderr(self): return self.paths[1].read_text()

    def save(self):  # B, then the bytes of quarvel.bmp once "Done!" is shown
        before = self.stdout().count("Done!\n")
        self.keys("B")
        wait_for(lambda: self.stdout().count("Done!\n") > before, "the save to finish")
        return pathlib.Path(self.workdir, "quarvel.bmp").read_bytes()

    def snapshot(self): return Image.from_bmp(self.save())
    def wait_exit(self): return self.proc.wait(timeout=TIMEOUT)

    def cleanup(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.cwd, ignore_errors=True)

    def __enter__(self): return self
    def __exit__(self, *exc): self.cleanup()


def send_delete_window(display, window):
    c, x11 = ctypes, ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype, x11.XInternAtom.restype = c.POINTER(c.c_char), c.c_ulong

    class ClientMessage(c.Structure):  # XClientMessageEvent, padded to an XEvent
        _fields_ = [("type", c.c_int), ("serial", c.c_ulong), ("send_event", c.c_int),
                    ("display", c.c_void_p), ("window", c.c_ulong), ("message_type", c.c_ulong),
                    ("format", c.c_int), ("data", c.c_long * 5), ("pad", c.c_long * 12)]
    dpy = x11.XOpenDisplay(display.encode())
    event = ClientMessage(type=33, window=window, format=32,  # 33: ClientMessage
                          message_type=x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0))
    event.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)  # data[1] 0: CurrentTime
    x11.XSendEvent(dpy, c.c_ulong(window), 0, c.c_long(0), c.byref(event))
    x11.XCloseDisplay(dpy)  # which flushes the request


class Image:
    def __init__(self, width, height, rows):  # rows[0] is the top
        self.width, self.height, self.rows = width, height, rows

    @classmethod
    def from_bmp(cls, data):
        width, height = struct.unpack_from("<ii", data, 18)
        stride = 3 * width + width % 4
        rows = [data[s:s + 3 * width] for s in range(54, 54 + height * stride, stride)]
        return cls(width, height, rows[::-1])

    def pixel(self, x, y):  # (red, green, blue)
        return tuple(self.rows[y][3 * x:3 * x + 3][::-1])


def memory_group(limit):  # a new cgroup (v1 or v2) with this memory limit; skips without one
    for top, limit_file in (("/sys/fs/cgroup/memory", "memory.limit_in_bytes"),
                            ("/sys/fs/cgroup", "memory.max")):
        group = os.path.join(top, "quarvel-test-%d" % os.getpid())
        try:
            os.mkdir(group)
        except OSError:
            continue
        unittest.addModuleCleanup(os.rmdir, group)
        try:
            with open(os.path.join(group, limit_file), "w") as f:
                f.write(str(limit))
            return group
        except OSError:
            pass
    raise unittest.SkipTest("no memory cgroup can be made here")
