"""What the benchmarks share: memory figures of a process and its children from /proc, and a
fast read of one pixel of the X server's root window."""
import ctypes
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "system"))
from web_support import descendants  # noqa: E402


def status_kb(pid, field="VmRSS"):
    """A field of /proc/PID/status in kB (0 when the process is gone)."""
    try:
        for line in Path(f"/proc/{pid}/status").read_text().splitlines():
            if line.startswith(field + ":"):
                return int(line.split()[1])
    except OSError:
        pass
    return 0


def pss_kb(pid):
    try:
        for line in Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines():
            if line.startswith("Pss:"):
                return int(line.split()[1])
    except OSError:
        pass
    return 0


def process_tree(pid):
    """pid and all its descendants."""
    return [pid] + descendants(pid)


def sample(read, seconds=4.0, count=41):
    """Medians and floors of the figures read() gives (a dict of numbers), over count readings
    spread over seconds: a show that switches items fast has, at any moment, one or two items more
    or less in memory, so one reading says little."""
    readings = []
    for _ in range(count):
        readings.append(read())
        time.sleep(seconds / (count - 1))
    return ({k: statistics.median(r[k] for r in readings) for k in readings[0]},
            {k: min(r[k] for r in readings) for k in readings[0]})


class RootPixel:
    """Pixels of the root window, read straight from the X server (fast enough to poll every
    millisecond)."""

    def __init__(self, display):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XGetImage.restype = ctypes.c_void_p
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XGetPixel.restype = ctypes.c_ulong
        x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x11 = x11
        self.dpy = x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open X display {display}")
        self.root = x11.XDefaultRootWindow(self.dpy)

    def value(self, x, y):
        """The pixel as 0xRRGGBB. The one-pixel XImage is not destroyed: its destroy function is
        not exported, and a few bytes per probe do not matter here."""
        image = self.x11.XGetImage(self.dpy, self.root, x, y, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        return self.x11.XGetPixel(image, 0, 0) & 0xFFFFFF

    def rgb(self, x, y):
        v = self.value(x, y)
        return (v >> 16) & 255, (v >> 8) & 255, v & 255
