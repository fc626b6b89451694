"""Soak: a mixed show at short intervals while files come and go, config.ini and playlist.ini are
rewritten and a restart is asked for. Nothing may crash or hang, and the memory of the running
copy stays flat. SOAK_SECONDS sets the length (default 120; hours on demand).
"""

import os
import random
import shutil
import subprocess
import time
from pathlib import Path

from PIL import Image

import harness
from harness import wait_until

SECONDS = float(os.environ.get("SOAK_SECONDS", "120"))


def rss_mb(pid):
    try:
        for line in Path(f"/proc/{pid}/status").read_text().splitlines():
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    except OSError:
        pass
    return 0.0


def make_clip(path: Path):
    """A half-second clip, when ffmpeg is there to make one."""
    if not shutil.which("ffmpeg"):
        return False
    r = subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc2=size=320x180:rate=25:duration=0.5", "-c:v", "mpeg2video",
                        "-f", "mpeg", str(path)], capture_output=True, timeout=60)
    return r.returncode == 0


def items(board):
    return board.stderr().count("tavorel: item:")


def test_a_mixed_show_under_change_runs_on_with_flat_memory(xvfb, make_board, tmp_root):
    show = tmp_root / "show"
    show.mkdir()
    rng = random.Random(7)
    colours = [(200, 0, 0), (0, 200, 0), (0, 0, 200), (200, 200, 0)]
    for i, c in enumerate(colours):
        Image.new("RGB", (rng.randint(200, 2400), rng.randint(200, 1600)), c).save(show / f"p{i}.png")
    Image.new("RGB", (1600, 1200), (90, 90, 90)).save(show / "big.jpg", quality=80)
    (show / "page.html").write_text("<html><body style='background:#036'><h1>soak</h1></body></html>")
    (show / "page.url").write_text(f"[InternetShortcut]\r\nURL=file://{show}/page.html\r\n")
    make_clip(show / "clip.mpg")
    (show / "playlist.ini").write_text("[Item1]\r\nFileName=p0.png\r\nduration=150\r\n")

    def config(interval):
        return (f"[MAIN]\nImagesFolder={show}/\nNextImageTimer={interval}\nNewFilesTimer=250\n"
                "NoSound=1\n")

    board = make_board(xvfb, config(150), env={"QT_QUICK_BACKEND": "software"})
    board.main_window()
    wait_until(lambda: items(board) >= 5, 60, what="the show under way")

    deadline = time.monotonic() + SECONDS
    restart_at = time.monotonic() + SECONDS / 3
    restarted = False
    samples = []  # (time, rss) of the copy running after the restart
    current = board.pid
    step = 0
    while time.monotonic() < deadline:
        step += 1
        # Files come and go.
        extra = show / f"x{step % 5}.png"
        if extra.exists():
            extra.unlink()
        else:
            Image.new("RGB", (320, 240), colours[step % 4]).save(extra)
        # Settings files are rewritten, sometimes with rubbish.
        if step % 7 == 0:
            board.write_config(config(rng.choice([120, 150, 200])))
        if step % 11 == 0:
            (show / "playlist.ini").write_bytes(os.urandom(200) if step % 2 else
                                                b"[Item1]\r\nFileName=p1.png\r\n")
        if not restarted and time.monotonic() >= restart_at:
            (board.start_dir / "REBOOT.APP").write_bytes(b"")
            assert board.wait_exit(60) == 0, "the board did not end for its restart"
            current = wait_until(lambda: [p for p in board.processes() if p != board.pid] or None, 30,
                                 what="the restarted copy")[0]
            restarted = True
        if restarted:
            samples.append((time.monotonic(), rss_mb(current)))
        before = items(board)
        wait_until(lambda: items(board) > before, 60, what="the show to go on")
        assert board.processes(), "no copy of the board is running"

    assert restarted
    assert len(samples) >= 10
    # Flat: the last third of the run holds no more than a few MB above the middle third.
    third = len(samples) // 3
    middle = max(r for _, r in samples[third:2 * third])
    last = max(r for _, r in samples[2 * third:])
    assert last - middle < 40, f"RSS grew from {middle:.0f} MB to {last:.0f} MB"
    print(f"\nsoak: {items(board)} items in {SECONDS:.0f} s; RSS of the restarted copy "
          f"{samples[0][1]:.0f} -> {middle:.0f} -> {last:.0f} MB")
