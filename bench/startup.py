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
from benchsupport import RootPixel  # noqa: E402
from PIL import Image  # noqa: E402


def main():
    binary = Path(sys.argv[1]).resolve()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    times = []
    with tempfile.TemporaryDirectory() as tmp, harness.Xvfb(Path(tmp)) as x, \
            harness.PulseServer(Path(tmp)) as pulse:
        import os
        os.environ["TAVOREL_BINARY"] = str(binary)
        pixel = RootPixel(x.display)
        for i in range(runs):
            board = harness.Board(x, Path(tmp), config="[MAIN]\nNextImageTimer=60000\n",
                                  files={"a.png": Image.new("RGB", (64, 64), (0, 90, 0))},
                                  pulse=pulse, name=f"b{i}", debug=False)
            start = time.monotonic()
            board.start()
            # On screen: the root's white centre pixel has become the board's black.
            harness.wait_until(lambda: pixel.value(640, 360) == 0, 30, 0.001)
            times.append((time.monotonic() - start) * 1000)
            board.stop()
            harness.wait_until(lambda: pixel.value(640, 360) != 0, 30, 0.01)
    print(f"start-up to window on screen   median {statistics.median(times):6.1f} ms   "
          f"best {min(times):6.1f} ms   ({runs} starts)")


if __name__ == "__main__":
    main()
