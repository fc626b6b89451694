#!/usr/bin/env python3
"""Video: CPU of a 1080p30 H.264 clip played by the board into a 1920 x 1080 window against bare
gst-launch-1.0 playbin with fake sinks (same clip, same run); frames painted against frames in the
clip; and the time from a clip's end to the next item on screen, with any black frame between.

usage: video.py TAVOREL_BINARY [seconds-per-measurement]
"""
import os
import re
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

TICK = os.sysconf("SC_CLK_TCK")


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", *args], check=True, timeout=600)


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def kind(rgb):
    r, g, b = rgb
    if g > 150 and r < 90 and b < 90:
        return "green"
    if r > 150 and g < 90 and b < 90:
        return "red"
    if max(rgb) < 40:
        return "black"
    return "other"


def bare_playbin(clip):
    start = time.monotonic()
    before = os.times()
    subprocess.run(["gst-launch-1.0", "-q", "playbin", f"uri=file://{clip}",
                    "video-sink=fakesink sync=true", "audio-sink=fakesink sync=true"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    after = os.times()
    wall = time.monotonic() - start
    cpu = (after.children_user - before.children_user) + (after.children_system - before.children_system)
    return cpu / wall


def main():
    binary = Path(sys.argv[1]).resolve()
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    os.environ["TAVOREL_BINARY"] = str(binary)
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        clip = tmp / "hd.mp4"
        ffmpeg("-f", "lavfi", "-i", f"testsrc2=size=1920x1080:rate=30:duration={seconds}",
               "-f", "lavfi", "-i", f"sine=frequency=440:duration={seconds}", "-c:v", "libx264",
               "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", str(clip))
        green = tmp / "green.mp4"
        ffmpeg("-f", "lavfi", "-i", "color=c=0x00c000:size=1280x720:rate=30:duration=2",
               "-c:v", "libx264", "-pix_fmt", "yuv420p", str(green))
        frames_in_clip = 30 * seconds

        # One plugin registry for every process of the run, built here by the bare player: a
        # board with a fresh home would otherwise scan every plugin before its first clip.
        os.environ["GST_REGISTRY_1_0"] = str(tmp / "registry.bin")
        bare_playbin(clip)
        bare = bare_playbin(clip)
        env = {"GST_REGISTRY_1_0": os.environ["GST_REGISTRY_1_0"]}

        with harness.Xvfb(tmp, 1920, 1080) as x, harness.PulseServer(tmp) as pulse:
            # CPU and frames: the clip alone, played again and again.
            board = harness.Board(x, tmp, files={"show/hd.mp4": clip.read_bytes()}, pulse=pulse,
                                  name="cpu", env=env)
            board.write_config(f"[MAIN]\nImagesFolder={board.start_dir}/show/\n"
                               "NextImageTimer=60000\nNoSound=1\n")
            board.start()
            board.wait_for_stderr("hd.mp4: opened", 120)
            closed = lambda: re.findall(r"hd\.mp4: closed, (\d+) frames decoded, (\d+) painted",
                                        board.stderr())
            harness.wait_until(lambda: len(closed()) >= 1, seconds * 3 + 60, 0.05)
            cpu0, t0 = cpu_seconds(board.pid), time.monotonic()
            harness.wait_until(lambda: len(closed()) >= 3, seconds * 6 + 120, 0.05)
            cpu1, t1 = cpu_seconds(board.pid), time.monotonic()
            played = closed()[1:3]
            board.stop()
            board_cpu = (cpu1 - cpu0) / (t1 - t0)

            # End of a clip to the next item: a green clip of 2 s, then a red picture.
            pixel = RootPixel(x.display)
            board = harness.Board(x, tmp, files={"show/a.mp4": green.read_bytes(),
                                                 "show/b.png": Image.new("RGB", (640, 360), (220, 0, 0))},
                                  pulse=pulse, name="gap", env=env)
            board.write_config(f"[MAIN]\nImagesFolder={board.start_dir}/show/\n"
                               "NextImageTimer=1500\nNoSound=1\n")
            board.start()
            gaps, blacks = [], 0
            deadline = time.monotonic() + 120
            state, green_since, saw_black = None, None, False
            while len(gaps) < 6 and time.monotonic() < deadline:
                k = kind(pixel.rgb(960, 540))
                now = time.monotonic()
                if k == "green" and state != "green":
                    green_since, saw_black = now, False
                elif k == "black" and state == "green":
                    saw_black = True
                elif k == "red" and state in ("green", "black") and green_since is not None:
                    gaps.append((now - (green_since + 2.0)) * 1000)
                    blacks += saw_black
                    green_since = None
                if k in ("green", "red") or (k == "black" and state == "green"):
                    state = k
                time.sleep(0.001)
            board.stop()

    print(f"CPU, 1080p30 H.264 into 1920 x 1080   board {board_cpu * 100:5.1f} % of a core   "
          f"bare playbin + fake sinks {bare * 100:5.1f} %   ratio {board_cpu / bare:4.2f}")
    for decoded, painted in played:
        print(f"frames: clip {frames_in_clip}   decoded {decoded}   painted {painted}   "
              f"({int(painted) / frames_in_clip * 100:5.1f} %)")
        # Frames may be dropped on a busy machine, but never painted more often than they exist.
        if int(painted) > frames_in_clip or int(painted) > int(decoded):
            print(f"frames: FAULT, {painted} painted of a clip of {frames_in_clip} frames")
    if gaps:
        print(f"clip end to next item on screen   median {statistics.median(gaps):6.1f} ms   "
              f"worst {max(gaps):6.1f} ms   ({len(gaps)} ends, {blacks} with a black frame between)")
    else:
        print("clip end to next item: not measured (no change seen)")


if __name__ == "__main__":
    main()
