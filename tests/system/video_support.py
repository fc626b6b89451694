"""Clips and screen checks for the video system tests.

Clips are made with ffmpeg (Debian's package) when a test asks for them; every clip is solid
colour, so a screenshot says at once whether the picture covers the window and where.
"""

from __future__ import annotations

import random
import subprocess
import time
from pathlib import Path

import pytest
from PIL import Image

import harness

GREEN = (0, 255, 0)
BLUE = (0, 0, 255)
YELLOW = (255, 255, 0)
RED = (255, 0, 0)

_CODECS = {
    ".mp4": ["-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"],
    ".mpg": ["-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpeg"],
    ".mpeg": ["-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpeg"],
    ".avi": ["-c:v", "mjpeg", "-c:a", "pcm_s16le"],
}


def _ffmpeg(args: list[str], path: Path):
    path.parent.mkdir(parents=True, exist_ok=True)
    r = subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", *args, str(path)],
                       env={"PATH": harness.BASE_PATH, "LC_ALL": "C"}, capture_output=True, text=True,
                       timeout=120, stdin=subprocess.DEVNULL)
    if r.returncode != 0:
        raise RuntimeError(f"ffmpeg could not make {path.name}: {r.stderr.strip()}")
    return path


def clip(path: Path, colour=GREEN, size=(320, 180), seconds=2.0, rate=30) -> Path:
    """A solid-colour clip with a tone; the container and codecs follow the file's suffix."""
    hexcolour = "0x%02x%02x%02x" % colour
    w, h = size
    return _ffmpeg(["-f", "lavfi", "-i", f"color=c={hexcolour}:size={w}x{h}:rate={rate}:duration={seconds}",
                    "-f", "lavfi", "-i", f"sine=frequency=440:duration={seconds}",
                    *_CODECS[path.suffix.lower()], "-shortest"], Path(path))


QUADRANTS = (RED, GREEN, BLUE, YELLOW)  # top left, top right, bottom left, bottom right


def quadrant_picture(size=(320, 180), colours=QUADRANTS):
    w, h = size
    image = Image.new("RGB", size)
    for (x, y), colour in zip([(0, 0), (w // 2, 0), (0, h // 2), (w // 2, h // 2)], colours):
        image.paste(colour, (x, y, x + w // 2, y + h // 2))
    return image


def quadrants_of(image, box):
    """The colours at the centres of the four quadrants of a box, in QUADRANTS' order."""
    left, top, right, bottom = box
    w, h = right - left, bottom - top
    rgb = image.convert("RGB")
    return [rgb.getpixel((left + w * i // 4, top + h * j // 4)) for j in (1, 3) for i in (1, 3)]


def rotated_clip(path: Path, rotate: int, seconds=30.0) -> Path:
    """A landscape clip of coloured quadrants (quadrant_picture) whose container carries the
    rotation tag `rotate`, as a phone writes it for a portrait clip; the pixels stay as stored."""
    path = Path(path)
    still = path.with_suffix(".png")
    quadrant_picture().save(still)
    plain = path.with_name("plain-" + path.name)
    _ffmpeg(["-loop", "1", "-i", str(still), "-t", str(seconds), "-r", "30", "-c:v", "libx264",
             "-pix_fmt", "yuv420p"], plain)
    try:
        # ffmpeg 6 and later set the rotation as an option of the input ...
        _ffmpeg(["-display_rotation:v:0", str(rotate), "-i", str(plain), "-c", "copy"], path)
    except RuntimeError:
        # ... older ones have no such option and take the tag as the stream's metadata.
        _ffmpeg(["-i", str(plain), "-metadata:s:v:0", f"rotate={rotate}", "-c", "copy"], path)
    plain.unlink()
    still.unlink()
    return path


def display_rotation(path: Path) -> int:
    """The rotation ffprobe reports for the clip's picture: degrees counter-clockwise."""
    r = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                        "stream_side_data=rotation", "-of", "csv=p=0", str(path)],
                       env={"PATH": harness.BASE_PATH, "LC_ALL": "C"}, capture_output=True,
                       text=True, timeout=60, check=True)
    values = [v for v in r.stdout.split() if v]
    return int(float(values[0])) if values else 0


def tone(path: Path, seconds=2.0) -> Path:
    """Sound only (AAC in MP4)."""
    return _ffmpeg(["-f", "lavfi", "-i", f"sine=frequency=440:duration={seconds}", "-c:a", "aac"], Path(path))


def noise(path: Path, size=64 * 1024) -> Path:
    """Bytes of no media format, the same every run."""
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(random.Random(20240611).randbytes(size))
    return path


def truncated(path: Path, whole: Path, fraction=0.4) -> Path:
    """The first part of a clip; an MP4 made by ffmpeg loses its index, which comes last."""
    data = Path(whole).read_bytes()
    path = Path(path)
    path.write_bytes(data[: int(len(data) * fraction)])
    return path


def near(rgb, colour, tolerance=60) -> bool:
    return all(abs(a - b) <= tolerance for a, b in zip(rgb[:3], colour))


def sample_points(box, columns=12, rows=8):
    """A grid of points over a box (left, top, right, bottom exclusive), its corners included."""
    left, top, right, bottom = box
    xs = [left + (right - 1 - left) * i // (columns - 1) for i in range(columns)]
    ys = [top + (bottom - 1 - top) * j // (rows - 1) for j in range(rows)]
    return [(x, y) for y in ys for x in xs]


def fill_problems(box, colour, outside_white=True):
    """A check for harness.wait_for_screen: the box is filled with the colour to its edges, and
    (optionally) everything outside it is the white root window."""
    def problems(shot):
        rgb = shot.convert("RGB")
        wrong = [(p, rgb.getpixel(p)) for p in sample_points(box) if not near(rgb.getpixel(p), colour)]
        if wrong:
            return f"{len(wrong)} sample points in {box} are not {colour}, e.g. {wrong[:3]}"
        if outside_white and (outside := harness.non_white_outside(shot, box)) > 0:
            return f"{outside} pixels outside {box} are not the white root"
        return None
    return problems


def mostly(shot, box, colour, share=0.9) -> bool:
    rgb = shot.convert("RGB")
    points = sample_points(box)
    return sum(near(rgb.getpixel(p), colour) for p in points) >= share * len(points)


class ColourWatch:
    """Polls screenshots and records when each of some colours first covered the box."""

    def __init__(self, x, box, colours):
        self.x, self.box, self.colours = x, box, dict(colours)
        self.first_seen: dict[str, float] = {}
        self.order: list[str] = []

    def poll(self):
        shot = self.x.screenshot()
        now = time.monotonic()
        for name, colour in self.colours.items():
            if mostly(shot, self.box, colour):
                if name not in self.first_seen:
                    self.first_seen[name] = now
                if not self.order or self.order[-1] != name:
                    self.order.append(name)
        return shot

    def wait_for(self, name, timeout=harness.DEFAULT_TIMEOUT):
        def seen():
            self.poll()
            return name in self.first_seen
        try:
            harness.wait_until(seen, timeout, interval=0.05, what=f"the {name} picture")
        except harness.WaitTimeout as exc:
            raise harness.WaitTimeout(f"{exc}; seen so far: {self.order}") from None
        return self.first_seen[name]


def video_events(board) -> list[str]:
    """The board's item and video journal lines, in order (needs TAVOREL_DEBUG)."""
    return [line[len("tavorel: "):] for line in board.stderr().splitlines()
            if line.startswith(("tavorel: item: ", "tavorel: video: "))]


# ----------------------------------------------------------------------------------------------
# The board

def box_of(geo: harness.Geometry):
    """A window's rectangle as an image box (left, top, right, bottom exclusive)."""
    return (geo.x, geo.y, geo.x + geo.width, geo.y + geo.height)


@pytest.fixture(scope="session")
def gst_registry(tmp_path_factory):
    """One GStreamer plugin registry for the boards of a test run: without it every board, having
    a fresh home, would scan all plugins again before its first clip."""
    return tmp_path_factory.mktemp("gstreamer") / "registry.bin"


def video_board(make_board, x, registry, make_files, config="", start=True, **kwargs):
    """A board whose show folder (start/show/) is filled by make_files(folder) before it starts.

    registry: the gst_registry fixture's path, shared by the boards of the run."""
    kwargs["env"] = {**kwargs.get("env", {}), "GST_REGISTRY_1_0": str(registry)}
    board = make_board(x, start=False, **kwargs)
    show = board.start_dir / "show"
    show.mkdir()
    make_files(show)
    board.write_config(f"[MAIN]\nImagesFolder={show}/\n{config}")
    if start:
        board.start()
    return board, show


def picture(colour, size=(1280, 720)):
    """A picture the size of the screen, so that it covers the window as a clip does."""
    return Image.new("RGB", size, colour)
