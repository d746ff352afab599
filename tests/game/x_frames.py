"""What a whole-game run can see of the game's frames from the X server, so
that it waits for frames and for the game's state rather than for a time:

- `Frames` counts the frames a window draws: each drawn frame puts its
  image into the window, which the damage extension reports.
- `pointer_grabbed` tells whether some client holds the pointer: the game
  does while the player roams (relative mouse mode) and lets go while a
  window of its own (inventory, menus, console) is open."""
import ctypes
import time

_x11 = ctypes.CDLL("libX11.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XPending.argtypes = [ctypes.c_void_p]
_x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint, ctypes.c_int,
                              ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
_x11.XUngrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]

_xd = ctypes.CDLL("libXdamage.so.1")
_xd.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
_xd.XDamageCreate.restype = ctypes.c_ulong
_xd.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
_xd.XDamageDestroy.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_xd.XDamageSubtract.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]

_REPORT_NON_EMPTY = 3
_GRAB_SUCCESS = 0
_DESTROY_NOTIFY = 17
_STRUCTURE_NOTIFY_MASK = 1 << 17

_error_handler = None


def survive_x_errors():
    """Makes a failed X request (on a window whose game has just ended) fail
    only that request: by default Xlib ends the process."""
    global _error_handler
    if _error_handler is None:
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        _error_handler = handler_type(lambda display, event: 0)
        _x11.XSetErrorHandler.restype = ctypes.c_void_p
        _x11.XSetErrorHandler.argtypes = [handler_type]
        _x11.XSetErrorHandler(_error_handler)


class Frames:
    """The frames a window has drawn since this was made. A frame the game
    does not draw (a late one) is not counted, so a count of n drawn frames
    means at least n frames ran."""

    def __init__(self, window):
        survive_x_errors()
        self.window = int(window)
        self.closed = False  # the window is gone: no frame comes any more
        self._display = _x11.XOpenDisplay(None)
        assert self._display, "no X display"
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        assert _xd.XDamageQueryExtension(self._display, ctypes.byref(event_base), ctypes.byref(error_base)), \
            "the X server has no damage extension"
        self._notify = event_base.value  # XDamageNotify is the first event
        # Non-empty reports: one event, then none until the damage is taken
        # away, so a burst of drawing counts once per frame at most.
        self._damage = _xd.XDamageCreate(self._display, self.window, _REPORT_NON_EMPTY)
        _x11.XSelectInput(self._display, self.window, _STRUCTURE_NOTIFY_MASK)
        _x11.XSync(self._display, 0)
        self._event = ctypes.create_string_buffer(192)
        self.times = []  # when each drawn frame was seen

    def poll(self):
        """Takes the frames reported so far; returns the count."""
        while _x11.XPending(self._display):
            _x11.XNextEvent(self._display, self._event)
            kind = ctypes.cast(self._event, ctypes.POINTER(ctypes.c_int))[0]
            if kind == _DESTROY_NOTIFY:
                self.closed = True
            elif kind == self._notify and not self.closed:
                self.times.append(time.monotonic())
                _xd.XDamageSubtract(self._display, self._damage, 0, 0)
                _x11.XFlush(self._display)
        return len(self.times)

    def wait(self, n, timeout=60):
        """Waits until n more frames are drawn."""
        want = self.poll() + n
        end = time.monotonic() + timeout
        while self.poll() < want:
            if self.closed:
                raise AssertionError("the game's window closed while its frames were awaited")
            if time.monotonic() > end:
                raise AssertionError(f"the window drew {len(self.times) - want + n} of {n} frames in {timeout} s")
            time.sleep(0.002)

    def wait_stall(self, gap, timeout=60):
        """Waits until no frame has been drawn for `gap` seconds: the game is
        held up inside a frame (a script that runs on)."""
        self.poll()
        last = self.times[-1] if self.times else time.monotonic()
        end = time.monotonic() + timeout
        while time.monotonic() - last < gap:
            if time.monotonic() > end:
                raise AssertionError(f"frames went on being drawn for {timeout} s")
            time.sleep(0.005)
            if self.poll() and self.times[-1] > last:
                last = self.times[-1]

    def period(self, frames=10, timeout=120):
        """The seconds a frame takes now: measured over the next few frames."""
        self.wait(1, timeout)
        start, first = len(self.times), self.times[-1]
        self.wait(frames, timeout)
        return (self.times[-1] - first) / (len(self.times) - start)

    def close(self):
        if self._display:
            self.poll()
            if not self.closed:
                _xd.XDamageDestroy(self._display, self._damage)
            _x11.XCloseDisplay(self._display)
            self._display = None


def pointer_grabbed():
    """Whether another client holds the pointer: a grab of our own fails
    then (and is let go at once when it succeeds)."""
    display = _x11.XOpenDisplay(None)
    assert display, "no X display"
    try:
        root = _x11.XDefaultRootWindow(display)
        status = _x11.XGrabPointer(display, root, 0, 0, 1, 1, 0, 0, 0)  # async modes, no confinement, CurrentTime
        if status == _GRAB_SUCCESS:
            _x11.XUngrabPointer(display, 0)
            _x11.XSync(display, 0)
        return status != _GRAB_SUCCESS
    finally:
        _x11.XCloseDisplay(display)
