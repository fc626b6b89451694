#!/usr/bin/env python3
"""Start-up: from the program's start to its window on screen (mapped and painted black), for a
show without web items, under Xvfb. Prints the median and best of several starts.

usage: startup.py TAVOREL_BINARY [runs]
"""
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "system"))
import harness  # noqa: E402
from PIL import Image  # noqa: E402


def main():
    binary = Path(sys.argv[1]).resolve()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    times = []
    import ctypes
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
    x11.XDestroyImage = None

    def centre_pixel(conn):
        dpy, root = conn
        image = x11.XGetImage(dpy, root, 640, 360, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        value = x11.XGetPixel(image, 0, 0) & 0xFFFFFF
        # The XImage's own destroy function is its first function pointer; leaking one tiny
        # image per probe is harmless here.
        return value
    with tempfile.TemporaryDirectory() as tmp, harness.Xvfb(Path(tmp)) as x, \
            harness.PulseServer(Path(tmp)) as pulse:
        import os
        os.environ["TAVOREL_BINARY"] = str(binary)
        dpy = x11.XOpenDisplay(x.display.encode())
        conn = (dpy, x11.XDefaultRootWindow(dpy))
        for i in range(runs):
            board = harness.Board(x, Path(tmp), config="[MAIN]\nNextImageTimer=60000\n",
                                  files={"a.png": Image.new("RGB", (64, 64), (0, 90, 0))},
                                  pulse=pulse, name=f"b{i}", debug=False)
            start = time.monotonic()
            board.start()
            # On screen: the root's white centre pixel has become the board's black.
            harness.wait_until(lambda: centre_pixel(conn) == 0, 30, 0.001)
            times.append((time.monotonic() - start) * 1000)
            board.stop()
            harness.wait_until(lambda: centre_pixel(conn) != 0, 30, 0.01)
    print(f"start-up to window on screen   median {statistics.median(times):6.1f} ms   "
          f"best {min(times):6.1f} ms   ({runs} starts)")


if __name__ == "__main__":
    main()
