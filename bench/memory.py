#!/usr/bin/env python3
"""Memory over a long show: resident memory (VmRSS) of the board and of every process it started
(web renderers), after a warm-up and after N picture switches, under Xvfb.

usage: memory.py TAVOREL_BINARY [--mixed | --clips] [switches...]
       e.g. memory.py build/tavorel 1000 20000
The show cycles generated pictures at the timers' shortest interval (10 ms). With --mixed it also
holds two short clips and two local web pages, so the figures include the video pipeline and the
web engine's renderer processes; with --clips, the clips without the pages.

At 10 ms a switch, one reading falls anywhere between "one picture in memory" and "the shown,
the prefetched and the next decode in memory" (7.7 MB each), so each figure is taken from 41
readings over four seconds: the median, and the floor (what stays resident however the decodes
fall), which is the figure a leak moves.
"""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "system"))
import harness  # noqa: E402
from benchsupport import process_tree, sample, status_kb  # noqa: E402
from PIL import Image  # noqa: E402


def mixed_items(folder: Path, pages=True):
    """Two half-second clips and two local pages; their shortcuts point into folder."""
    items = {}
    for name, colour in (("c1.mp4", "0x00c000"), ("c2.mpg", "0x0000c0")):
        out = Path(tempfile.mkdtemp()) / name
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        f"color=c={colour}:size=640x360:rate=25:duration=0.5", "-pix_fmt", "yuv420p",
                        str(out)], check=True, timeout=120)
        items[f"show/{name}"] = out.read_bytes()
    for i, colour in enumerate(("#036", "#630") if pages else ()):
        items[f"show/page{i}.html"] = (f"<html><body style='background:{colour}'><h1>page {i}</h1>"
                                       + "<p>text</p>" * 200 + "</body></html>")
        items[f"show/page{i}.url"] = f"[InternetShortcut]\r\nURL=file://{folder}/page{i}.html\r\n"
    return items


def rss_sample(pids_of):
    """(median, floor) of the summed RSS in kB of the processes."""
    median, floor = sample(lambda: {"rss": sum(status_kb(p) for p in pids_of())})
    return median["rss"], floor["rss"]


def main():
    mixed = "--mixed" in sys.argv
    clips = "--clips" in sys.argv
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    binary = Path(args[0]).resolve()
    targets = [int(a) for a in args[1:]] or [1000, 20000]
    os.environ["TAVOREL_BINARY"] = str(binary)
    with tempfile.TemporaryDirectory() as tmp, harness.Xvfb(Path(tmp), 1920, 1080) as x, \
            harness.PulseServer(Path(tmp)) as pulse:
        files = {f"show/p{i:02}.jpg": Image.effect_mandelbrot((1600, 1200), (-2 + i * 0.05, -1.2, 1, 1.2), 60 + i).convert("RGB")
                 for i in range(8)}
        kind = "mixed show" if mixed else "pictures and clips" if clips else "pictures-only show"
        env = {"QT_QUICK_BACKEND": "software", "GST_REGISTRY_1_0": str(Path(tmp) / "registry.bin")}
        board = harness.Board(x, Path(tmp), files=files, pulse=pulse, env=env)
        folder = board.start_dir / "show"
        if mixed or clips:
            for rel, content in mixed_items(folder, pages=mixed).items():
                harness.write_file(board.start_dir / rel, content)
        board.write_config(f"[MAIN]\nImagesFolder={folder}/\nNextImageTimer=10\nNewFilesTimer=1000\nNoSound=1\n")
        board.start()
        switches = lambda: board.stderr().count("tavorel: item:")
        harness.wait_until(lambda: switches() >= 100, 120)
        tree = lambda: process_tree(board.pid)
        base, base_floor = rss_sample(tree)
        print(f"{kind}, after 100 switches: RSS median {base / 1024:7.1f} MB   floor {base_floor / 1024:7.1f} MB")
        results = {}
        for target in sorted(targets):
            harness.wait_until(lambda: switches() >= target, 4 * 3600, 0.5)
            results[target] = rss_sample(tree)
            median, floor = results[target]
            print(f"{kind}, after {target} switches: RSS median {median / 1024:7.1f} MB   "
                  f"floor {floor / 1024:7.1f} MB   ({switches()} switches at the end of the readings)")
            sys.stdout.flush()
        if len(results) >= 2:
            lo, hi = min(results), max(results)
            print(f"growth from {lo} to {hi} switches: median {(results[hi][0] - results[lo][0]) / 1024:+.1f} MB   "
                  f"floor {(results[hi][1] - results[lo][1]) / 1024:+.1f} MB")
        board.stop()


if __name__ == "__main__":
    main()
