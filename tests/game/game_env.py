"""A private home for running the real game: temporary XDG directories, the
build's data, a small window and view, and helpers to read what the game
writes."""
import ctypes
import gzip
import os
import pathlib
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

from x_frames import Frames, pointer_grabbed

def game_cfg(width=800, height=600, view="3 2 3", high_def=2):
    """A windowed game.cfg with a small view box and no autosave in a run."""
    return f"""[window]
width = {width}
height = {height}
fullscreen = false
vsync = 0
[server]
view_distance = {view}
high_def_radius = {high_def}
autosave_period = 10
"""


SMALL_CONFIG = game_cfg()


class Home:
    """Temporary HOME and XDG_* directories around one test."""

    def __init__(self, share, config=SMALL_CONFIG):
        self._tmp = tempfile.TemporaryDirectory(prefix="terrafold-test-")
        root = pathlib.Path(self._tmp.name)
        self.root = root
        self.data_home = root / "data"
        self.config_home = root / "config"
        self.work = root / "work"
        runtime = root / "runtime"
        for d in (self.data_home, self.config_home, self.work, runtime, root / "state", root / "cache"):
            d.mkdir(parents=True)
        runtime.chmod(0o700)
        self.env = dict(os.environ)
        self.env.update({
            "HOME": str(root),
            "XDG_DATA_HOME": str(self.data_home),
            "XDG_CONFIG_HOME": str(self.config_home),
            "XDG_STATE_HOME": str(root / "state"),
            "XDG_CACHE_HOME": str(root / "cache"),
            "XDG_RUNTIME_DIR": str(runtime),
            "XDG_DATA_DIRS": str(share),
            "XDG_CONFIG_DIRS": str(root / "etc"),
            "SDL_AUDIODRIVER": "dummy",
        })
        # The GL driver is unloaded when the window closes, so the leak checker
        # can no longer tell its allocations from the game's: a sanitizer build
        # checks leaks in the unit tests, not here.
        asan = self.env.get("ASAN_OPTIONS", "")
        self.env["ASAN_OPTIONS"] = (asan + ":" if asan else "") + "detect_leaks=0"
        if config is not None:
            self.config_file.parent.mkdir(parents=True, exist_ok=True)
            self.config_file.write_text(config)

    @property
    def config_file(self):
        return self.config_home / "terrafold" / "game.cfg"

    def world_dir(self, name="default"):
        return self.data_home / "terrafold" / "save" / name

    def run(self, program, *args, timeout=30, **env):
        """Runs the program to its end; returns (status, stdout, stderr)."""
        e = dict(self.env, **env)
        p = subprocess.run([program, *args], cwd=self.work, env=e, capture_output=True, text=True,
                           timeout=timeout)
        return p.returncode, p.stdout, p.stderr

    def run_until(self, program, text, *args, timeout=60, preexec_fn=None, **env):
        """Runs the program until its log holds the text, then ends it with
        SIGTERM (the saving exit); returns (status, log). The log comes
        through a pipe, so a limit on file writes leaves it whole."""
        p = subprocess.Popen([program, *args], cwd=self.work, env=dict(self.env, **env), stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, text=True, errors="replace", preexec_fn=preexec_fn)
        lines, seen = [], threading.Event()

        def read():
            for line in p.stderr:
                lines.append(line)
                if text in line:
                    seen.set()
            seen.set()

        reader = threading.Thread(target=read)
        reader.start()
        try:
            seen.wait(timeout)
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
            status = p.wait(timeout)
        finally:
            if p.poll() is None:
                p.kill()
                p.wait()
            reader.join()
        return status, "".join(lines)

    def own_packs(self, share):
        """A copy of the build's packs in the private data home, found before
        the build's own; returns its folder."""
        packs = self.data_home / "terrafold" / "packs"
        shutil.copytree(pathlib.Path(share) / "terrafold" / "packs", packs)
        return packs

    def start(self, program, *args):
        """Starts the program; its output goes to files read by Game.log()."""
        return Game(program, args, self)

    def close(self):
        self._tmp.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Game:
    """One running game process."""

    def __init__(self, program, args, home):
        self.home = home
        n = len(list(home.root.glob("run*.err")))
        self.out_path = home.root / f"run{n}.out"
        self.err_path = home.root / f"run{n}.err"
        self._out = open(self.out_path, "w")
        self._err = open(self.err_path, "w")
        self.proc = subprocess.Popen([program, *args], cwd=home.work, env=home.env, stdout=self._out,
                                     stderr=self._err)
        global _last_game
        _last_game = self

    def log(self):
        return self.err_path.read_text(errors="replace")

    def stdout(self):
        return self.out_path.read_text(errors="replace")

    def wait_for(self, text, timeout):
        """Waits until the log holds the text; fails if the game ends first."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if text in self.log():
                return
            if self.proc.poll() is not None:
                raise AssertionError(f"the game ended ({self.proc.returncode}) before {text!r}:\n{self.log()}")
            time.sleep(0.05)
        raise AssertionError(f"no {text!r} within {timeout} s:\n{self.log()}")

    def ready(self, timeout):
        """Waits for "Ready!", then for the game's window, focused and drawn;
        returns the window."""
        self.wait_for("Ready!", timeout)
        window = focus()
        wait_drawn(window)
        return window

    def wait_for_output(self, text, timeout, since=0):
        """Waits until standard output holds the text after the first `since`
        characters; returns the output from there on."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            out = self.stdout()[since:]
            if text in out:
                return out
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        raise AssertionError(f"no {text!r} on standard output within {timeout} s; it holds:\n{self.stdout()}\n"
                             f"the log:\n{self.log()}")

    def enter(self, line):
        """Opens the console, waits until it is open, and enters one line,
        without waiting for it to run; returns the length of standard output
        before it."""
        since = len(self.stdout())
        hold("period")
        wait_state(False, what=f"the console open for {line!r}")
        xdotool("type", "--delay", "60", line)
        tap("Return")
        return since

    def console(self, line, timeout=15):
        """Opens the console, enters one line and closes it again, once the
        line has run; returns what the console wrote for it (the echo
        first)."""
        since = self.enter(line)
        self.wait_for_output(f"> {line}\n", timeout, since)
        self.close_console()
        # The line ran whole in the frame that wrote its echo, so once the
        # console is closed all that it printed is out.
        out = self.stdout()[since:]
        return out[out.index(f"> {line}\n") + len(line) + 3:]

    def close_console(self):
        """Escape, and the game roaming again."""
        hold("Escape")
        wait_state(True, what="the console closed")

    def wait_end(self, timeout):
        """The exit status once the game has ended by itself; None when it
        still runs after the timeout."""
        try:
            status = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        self._out.close()
        self._err.close()
        return status

    def stop(self, sig, timeout=30):
        self.proc.send_signal(sig)
        status = self.wait_end(timeout)
        if status is None:
            self.kill()
            raise AssertionError(f"the game did not end within {timeout} s:\n{self.log()}")
        return status

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True, timeout=20).stdout


def find_window(*criteria, timeout=60):
    """The first window that meets every criterion (xdotool search flags),
    once there is one. Each look is a search of its own, short and tried
    again: a search fails outright when a window it walks past closes, as
    other games' windows do while games start and end beside this one."""
    end = time.monotonic() + timeout
    last = ""
    while time.monotonic() < end:
        try:
            found = subprocess.run(["xdotool", "search", "--all", *criteria], capture_output=True, text=True,
                                   timeout=5)
            windows = found.stdout.split()
            if windows:
                return windows[0]
            last = found.stderr.strip()
        except subprocess.TimeoutExpired:
            last = "a search that took over 5 s"
        time.sleep(0.2)
    raise AssertionError(f"no window {' '.join(criteria)} within {timeout} s (last look: {last or 'none found'}; "
                         f"windows by the game's name: {_named_windows()})")


def _named_windows(name="terrafold"):
    """What a failed search says it saw: each window of the name, with the
    process it says it belongs to."""
    seen = []
    found = subprocess.run(["xdotool", "search", "--name", name], capture_output=True, text=True, timeout=10)
    for w in found.stdout.split():
        pid = subprocess.run(["xdotool", "getwindowpid", w], capture_output=True, text=True, timeout=10)
        title = subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True, timeout=10)
        seen.append((w, title.stdout.strip(), pid.stdout.strip() or pid.stderr.strip()))
    return seen or "none"


class Checks:
    """Failed checks collected to the end of a run, so one run says all it
    found: call with (what, ok, detail); `report` prints the failures and
    gives the exit status."""

    def __init__(self):
        self.failures = []

    def __call__(self, what, ok, detail=""):
        if not ok:
            self.failures.append(f"{what}\n{detail}")

    def report(self, passed):
        for f in self.failures:
            print("FAIL:", f, file=sys.stderr)
        if not self.failures:
            print(passed)
        return 1 if self.failures else 0


def file_size_limit(limit=0, ignored=True):
    """For preexec_fn: every write past `limit` bytes fails, as on a full disk
    (root is not spared). With `ignored` false, the signal such a write
    raises keeps its default action, ending the process unless the game
    sets it aside."""
    def apply():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN if ignored else signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, resource.getrlimit(resource.RLIMIT_FSIZE)[1]))
    return apply


def player_update(packs, name, script):
    """Gives the player of the copied packs an update script of its own."""
    (packs / "basic" / "scripts" / name).write_text(script)
    types = packs / "basic" / "mob_types.cfg"
    types.write_text(types.read_text().replace("[player]\n", f"[player]\nupdate.fun = scripts/{name}\n"))


def vec(text):
    """The cell of a Vec as the console prints it: "[x,y,z]"."""
    m = re.fullmatch(r"\[(-?\d+),(-?\d+),(-?\d+)\]", text.strip())
    assert m, f"not a printed Vec: {text!r}"
    return tuple(int(c) for c in m.groups())


def noise_in(log):
    """The log's error and warning lines: a normal game has none."""
    return [line for line in log.splitlines() if line.startswith(("ERROR", "WARN"))]


_focused = None  # the frames of the window that has the keyboard


def focus(name="terrafold"):
    """The game's window, focused (there is no window manager to do it).
    Keys go to it from then on, and wait for its frames."""
    global _focused
    window = find_window("--name", f"^{name}$")
    xdotool("windowfocus", "--sync", window)
    if _focused is not None:
        _focused.poll()  # a new game's window can take the id of an ended one's
    if _focused is None or _focused.closed or _focused.window != int(window):
        if _focused is not None:
            _focused.close()
        _focused = Frames(window)
    return window


def frames():
    """The frames of the focused window."""
    assert _focused is not None, "no window focused"
    return _focused


_last_game = None  # the game started last: what a failed wait says of it


def after_frames(n, seconds=0.0):
    """Waits until the focused window has drawn n frames, and `seconds`."""
    start = time.monotonic()
    if _focused is not None:
        try:
            _focused.wait(n)
        except AssertionError as e:
            if _last_game is None:
                raise
            raise AssertionError(f"{e}; the game's status {_last_game.proc.poll()}, its log ends:\n"
                                 f"{_last_game.log()[-3000:]}") from None
    elif not seconds:
        seconds = 0.25
    time.sleep(max(0.0, start + seconds - time.monotonic()))


def wait_state(roaming, timeout=60, what=None):
    """Waits until the game roams (it holds the pointer) or shows a window
    of its own (it let go), then for two frames in that state."""
    end = time.monotonic() + timeout
    while pointer_grabbed() != roaming:
        if time.monotonic() > end:
            raise AssertionError(f"{what or ('roaming' if roaming else 'a window open')}: not within {timeout} s")
        time.sleep(0.01)
    after_frames(2)


def point(window, x, y):
    """Moves the pointer to (x, y) of the window as a mouse would: a jump
    there, then a step away and back through the input device, since SDL
    keeps the pointer's place as last reported by a device and a jump alone
    is not."""
    xdotool("mousemove", "--window", window, str(x), str(y), "mousemove_relative", "1", "0",
            "mousemove_relative", "--", "-1", "0")


def click(window, x, y, button=1, ends=False):
    """Moves the pointer to (x, y) of the window, then presses and releases
    a mouse button there, each over two drawn frames; a click that `ends`
    the game has no frames after it to wait for."""
    xdotool("mousemove", "--window", window, str(x), str(y))
    after_frames(2)
    xdotool("mousedown", str(button))
    after_frames(2)
    xdotool("mouseup", str(button))
    if not ends:
        after_frames(2)


class _XImage(ctypes.Structure):
    _fields_ = [(name, ctypes.c_int) for name in ("width", "height", "xoffset", "format")] + \
               [("data", ctypes.c_void_p)] + \
               [(name, ctypes.c_int) for name in ("byte_order", "bitmap_unit", "bitmap_bit_order", "bitmap_pad",
                                                 "depth", "bytes_per_line", "bits_per_pixel")]


def grab(window, box):
    """The (r, g, b) pixels that the X server shows in a box (x, y, width,
    height) of the window, row by row: the GUI windows included, which the
    game's own screenshots leave out."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XGetImage.restype = ctypes.POINTER(_XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    assert display, "no X display"
    try:
        x, y, w, h = box
        z_pixmap = 2
        image = x11.XGetImage(display, int(window), x, y, w, h, 0xFFFFFFFF, z_pixmap)
        assert image, f"no image of window {window}"
        try:
            i = image.contents
            assert i.bits_per_pixel == 32 and i.byte_order == 0, "only 32-bit little-endian pixels"
            data = ctypes.string_at(i.data, i.bytes_per_line * h)
            return [[tuple(data[r * i.bytes_per_line + 4 * c + k] for k in (2, 1, 0)) for c in range(w)]
                    for r in range(h)]
        finally:
            x11.XDestroyImage(image)
    finally:
        x11.XCloseDisplay(display)


def wait_drawn(window, timeout=20, frames=10):
    """Waits until the window shows more than black (the first frames come
    slowly while the world around the player is built), then until it has
    drawn a few more frames, so that frames come at their usual pace for the
    input."""
    live = _focused is not None and _focused.window == int(window) and not _focused.closed
    meter = _focused if live else Frames(window)
    try:
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if any(p != (0, 0, 0) for p in grab(window, (0, 0, 64, 1))[0]):
                meter.wait(frames)
                return
            time.sleep(0.1)
        raise AssertionError(f"the window stayed black for {timeout} s")
    finally:
        if meter is not _focused:
            meter.close()


def changed_share(before, after, tolerance=24):
    """The share of the pixels of two grabs of the same box that differ by
    more than the tolerance in some channel."""
    n = changed = 0
    for row_a, row_b in zip(before, after):
        for a, b in zip(row_a, row_b):
            n += 1
            changed += any(abs(p - q) > tolerance for p, q in zip(a, b))
    return changed / n if n else 0.0


def hold(key, seconds=0.0):
    """Presses and releases a key of an action: down until the focused
    window has drawn two frames (so a frame took the press; a press and its
    release in one frame are no action), and at least `seconds`; then up
    until two more frames took the release."""
    xdotool("keydown", key)
    after_frames(2, seconds)
    xdotool("keyup", key)
    after_frames(2)


def tap(key):
    """Presses and releases a key at once: for the GUI, which takes a press
    and its release in frames of their own however short the tap."""
    xdotool("keydown", key, "keyup", key)


def read_mpk_gz(path):
    """The first MessagePack value of a gzip file: the arrays, maps, strings,
    byte strings, numbers and nil that world files hold."""
    data = gzip.decompress(pathlib.Path(path).read_bytes())
    return _mpk(data, 0)[0]


_NUMBERS = {0xca: ">f", 0xcb: ">d", 0xcc: ">B", 0xcd: ">H", 0xce: ">I", 0xcf: ">Q", 0xd0: ">b", 0xd1: ">h",
            0xd2: ">i", 0xd3: ">q"}
# Type byte: (length format, kind) for the sized strings, byte strings,
# arrays and maps.
_SIZED = {0xd9: (">B", str), 0xda: (">H", str), 0xdb: (">I", str), 0xc4: (">B", bytes), 0xc5: (">H", bytes),
          0xc6: (">I", bytes), 0xdc: (">H", list), 0xdd: (">I", list), 0xde: (">H", dict), 0xdf: (">I", dict)}


def _mpk(b, i):
    t, i = b[i], i + 1
    if t <= 0x7f or t >= 0xe0:
        return (t if t <= 0x7f else t - 0x100), i
    if t == 0xc0:
        return None, i
    if t in (0xc2, 0xc3):
        return t == 0xc3, i
    if t in _NUMBERS:
        return struct.unpack_from(_NUMBERS[t], b, i)[0], i + struct.calcsize(_NUMBERS[t])
    if 0xa0 <= t <= 0xbf:
        n, kind = t & 0x1f, str
    elif 0x90 <= t <= 0x9f:
        n, kind = t & 0x0f, list
    elif 0x80 <= t <= 0x8f:
        n, kind = t & 0x0f, dict
    elif t in _SIZED:
        form, kind = _SIZED[t]
        n = struct.unpack_from(form, b, i)[0]
        i += struct.calcsize(form)
    else:
        raise ValueError(f"unexpected MessagePack type 0x{t:02x}")
    if kind is str:
        return b[i:i + n].decode(), i + n
    if kind is bytes:
        return b[i:i + n], i + n
    out = []
    for _ in range(n * (2 if kind is dict else 1)):
        v, i = _mpk(b, i)
        out.append(v)
    return (out if kind is list else dict(zip(out[::2], out[1::2]))), i


def cell_page_file(world, cell):
    """The file of the cell page holding the cell (x, y, z)."""
    return pathlib.Path(world) / "cells" / ("%d.%d.%d.mpk.gz" % tuple(c >> 4 for c in cell))


def saved_cell(world, cell):
    """The type name that the saved cell page gives the cell: the file is
    [palette, cells, light, contents, paints], cells indexing the palette."""
    palette, cells = read_mpk_gz(cell_page_file(world, cell))[:2]
    x, y, z = (c & 15 for c in cell)
    return palette[cells[(x << 8) | (y << 4) | z]]


def read_png(path):
    """(width, height, rows of (r, g, b) tuples) of an 8-bit RGB or RGBA PNG."""
    data = pathlib.Path(path).read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    i, idat, width = 8, b"", 0
    while i < len(data):
        n, kind = struct.unpack_from(">I4s", data, i)
        body = data[i + 8:i + 8 + n]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack_from(">IIBB", body)
            assert depth == 8 and colour in (2, 6), "only 8-bit RGB(A)"
            channels = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            idat += body
        i += 12 + n
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        f = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            up = prev[x]
            c = prev[x - channels] if x >= channels else 0
            if f == 1:
                line[x] = (line[x] + a) & 0xff
            elif f == 2:
                line[x] = (line[x] + up) & 0xff
            elif f == 3:
                line[x] = (line[x] + (a + up) // 2) & 0xff
            elif f == 4:
                p = a + up - c
                pa, pb, pc = abs(p - a), abs(p - up), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else up if pb <= pc else c)) & 0xff
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        prev = line
    return width, height, rows


def peak_rss_mib(pid):
    """The most memory the process has held in RAM so far, in MiB."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    raise AssertionError(f"no VmHWM for process {pid}")


def window_of(pid, name="terrafold"):
    """The window of that name that the process shows, once it is there:
    apart from others of the same name."""
    return find_window("--pid", str(pid), "--name", f"^{name}$")
