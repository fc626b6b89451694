"""Videos on the board: stretched over the whole window, the show moving on as soon as a clip
ends, and a clip that cannot be opened ending the run with a log entry and a restart (the master
volume by NoSound: test_video_sound.py).

Every test runs the real program under its own X server (white root window) and its own sound
server with a null sink. The shown files lie in a folder of their own, so the program and its
config.ini are not items of the show.
"""

import time

import pytest

import harness
import video_support as vs
from video_support import gst_registry  # noqa: F401 (fixture)
from harness import Geometry, wait_until

SCREEN = Geometry(0, 0, 1280, 720)


# ----------------------------------------------------------------------------------------------
# The picture

FILL_CASES = [
    # A 16:9 clip in a window made smaller and moved by MaxWidth/MaxHeight and the offsets.
    pytest.param("clip.mp4", (320, 180), "MaxWidth=800\nMaxHeight=600\nOffsetX=100\nOffSetY=40\n",
                 Geometry(100, 40, 800, 600), id="smaller-window"),
    # A 4:3 clip in the 16:9 screen: stretched, no bars at the sides.
    pytest.param("clip.mp4", (640, 480), "", SCREEN, id="4-3-into-16-9"),
    pytest.param("clip.mpg", (352, 288), "MaxWidth=640\nMaxHeight=360\n", Geometry(0, 0, 640, 360), id="mpeg-2"),
    pytest.param("clip.avi", (320, 240), "MaxHeight=500\n", Geometry(0, 0, 1280, 500), id="avi-mjpeg"),
]


@pytest.mark.parametrize("name, size, config, geo", FILL_CASES)
def test_a_clip_fills_the_whole_window_stretched(xvfb, make_board, gst_registry, name, size, config, geo):
    board, show = vs.video_board(make_board, xvfb, gst_registry, lambda d: vs.clip(d / name, vs.GREEN, size, seconds=30),
                              "NextImageTimer=500\n" + config)
    board.wait_for_geometry(geo)
    harness.wait_for_screen(xvfb, vs.fill_problems(vs.box_of(geo), vs.GREEN))
    assert board.is_running()


def test_each_format_plays_in_turn_and_the_next_item_follows_at_once(xvfb, make_board, gst_registry):
    def files(d):
        vs.clip(d / "1.mpg", vs.BLUE, seconds=1.5)
        vs.clip(d / "2.AVI", vs.YELLOW, seconds=1.5)
        vs.clip(d / "3.Mp4", vs.GREEN, seconds=1.5)
        vs.tone(d / "4.mp4", seconds=1.5)
        vs.picture(vs.RED).save(d / "5.png")

    # Items 6 s apart: a show that waited for the interval after each clip would need 24 s to
    # reach the picture; the first item comes 6 s after start-up.
    board, show = vs.video_board(make_board, xvfb, gst_registry, files, "NextImageTimer=6000\n")
    watch = vs.ColourWatch(xvfb, vs.box_of(SCREEN), {"blue": vs.BLUE, "yellow": vs.YELLOW, "green": vs.GREEN,
                                                  "black": (0, 0, 0), "red": vs.RED})
    blue = watch.wait_for("blue", 40)
    red = watch.wait_for("red", 30)
    # The panel is black for a moment between two clips, and for the whole clip without picture.
    pictured = [c for c in watch.order if c != "black"]
    assert pictured == ["blue", "yellow", "green", "red"], watch.order
    assert watch.order[-2] == "black", f"the clip without picture did not show the black panel: {watch.order}"
    # Four 1.5-second clips, each followed by the next item as soon as it ended (the sound drains
    # up to about 2 s after the last frame); far less than one interval per clip.
    assert red - blue < 18, f"the picture came {red - blue:.1f} s after the first clip"

    events = vs.video_events(board)
    assert f"video: {show}/4.mp4: opened, no picture" in events, events
    for clip_name in ("1.mpg", "2.AVI", "3.Mp4"):
        closed = [e for e in events if e.startswith(f"video: {show}/{clip_name}: closed")]
        assert closed, f"{clip_name} was never closed: {events}"
        painted = int(closed[0].rsplit(",", 1)[1].split()[0])
        assert painted > 0, closed[0]


def test_a_clip_cut_short_by_a_picture_plays_on_unseen_and_its_end_moves_the_show_on(xvfb, make_board, gst_registry):
    # No timetable: every 10 s the schedule check switches the slide timer on, so a 13-second
    # clip started at 9 s is replaced one interval (9 s) after the check at 10 s, and ends at
    # about 22 s while the first picture shows; its end brings the second picture at once instead
    # of at 28 s.
    def files(d):
        vs.clip(d / "a.mp4", vs.GREEN, seconds=13)
        vs.picture(vs.RED).save(d / "b.png")
        vs.picture(vs.BLUE).save(d / "c.png")

    board, show = vs.video_board(make_board, xvfb, gst_registry, files, "NextImageTimer=9000\n")
    watch = vs.ColourWatch(xvfb, vs.box_of(SCREEN), {"green": vs.GREEN, "red": vs.RED, "blue": vs.BLUE})
    green = watch.wait_for("green", 40)
    red = watch.wait_for("red", 30)
    blue = watch.wait_for("blue", 30)
    assert watch.order == ["green", "red", "blue"], watch.order
    assert red - green < 12.5, f"the clip was not cut short ({red - green:.1f} s)"
    assert blue - red < 7.5, f"the second picture waited for the interval ({blue - red:.1f} s)"

    events = vs.video_events(board)
    b = events.index(f"item: {show}/b.png")
    c = events.index(f"item: {show}/c.png")
    closed = [i for i, e in enumerate(events) if e.startswith(f"video: {show}/a.mp4: closed")]
    assert closed and b < closed[0] < c, f"the clip was not closed at its end, behind the picture: {events}"


# A phone's portrait clip: landscape pixels and a rotation in the container. ffmpeg's rotate=270
# is what phones write (ffprobe: -90), rotate=90 the other way round (ffprobe: 90).
@pytest.mark.parametrize("rotate, rotation", [(270, -90), (90, 90)])
def test_a_clip_with_a_rotation_plays_upright(xvfb, make_board, gst_registry, tmp_path, rotate, rotation):
    reference = vs.rotated_clip(tmp_path / "portrait.mp4", rotate)
    assert vs.display_rotation(reference) == rotation
    # Where an upright picture puts the quadrants: the stored picture turned by the rotation
    # (counter-clockwise, as PIL turns too); stretching over the window keeps quadrants in place.
    upright = vs.quadrant_picture().rotate(rotation, expand=True)
    expected = vs.quadrants_of(upright, (0, 0, *upright.size))

    board, show = vs.video_board(make_board, xvfb, gst_registry,
                                 lambda d: (d / "portrait.mp4").write_bytes(reference.read_bytes()),
                                 "NextImageTimer=500\n")
    board.wait_for_geometry(SCREEN)

    def problems(shot):
        seen = vs.quadrants_of(shot, vs.box_of(SCREEN))
        if all(vs.near(s, e) for s, e in zip(seen, expected)):
            return None
        return f"quadrants {seen}, upright {expected}"
    harness.wait_for_screen(xvfb, problems)
    assert board.is_running()


# ----------------------------------------------------------------------------------------------
# Clips that cannot be opened

DAMAGED = [
    pytest.param(lambda d: vs.noise(d / "a.mp4"), "Could not determine type of stream.", id="random-bytes"),
    pytest.param(lambda d: vs.truncated(d / "a.mp4", vs.clip(d.parent / "whole.mp4", vs.GREEN, seconds=2)),
                 "This file contains no playable streams.", id="truncated-mp4"),
    pytest.param(lambda d: (d / "a.mp4").write_bytes(b""), "Stream contains no data.", id="zero-bytes"),
    pytest.param(lambda d: (d / "a.mp4").write_bytes(b"RIFF\0\0\0\0AVI LIST"), "Could not demultiplex stream.",
                 id="avi-header-only-named-mp4"),
]


@pytest.mark.parametrize("make_clip, error", DAMAGED)
def test_a_clip_that_cannot_be_opened_is_logged_and_the_board_restarts(xvfb, make_board, gst_registry, pulse, make_clip, error):
    pulse.set_volume(60)
    board, show = vs.video_board(make_board, xvfb, gst_registry, make_clip, "NextImageTimer=1000\nNoSound=1\n", start=False)
    log = board.start_dir / "ERROR.LOG"
    log.write_bytes(b"")
    board.start()

    lines = wait_until(lambda: (t := log.read_bytes().decode()).count("\r\n") >= 2 and t.split("\r\n"), 40,
                       what="two lines in ERROR.LOG")
    date = lines[0].split(",", 1)[0]
    assert lines[0] == f"{date},{error}", lines
    assert lines[1] == f"{date},On Item: {show}/a.mp4", lines

    # The failing copy has started a new one and ended.
    board.wait_exit(30)
    wait_until(lambda: board.processes(), 20, what="the new copy of the board")
    # The open failed before the volume step: NoSound did not silence the output.
    assert abs(pulse.get_volume() - 60) < 1


def test_a_picture_named_as_a_clip_shows_as_a_one_frame_clip_and_the_show_moves_on(xvfb, make_board, gst_registry):
    # GStreamer finds the picture inside and plays it as a clip of one frame: no failure, no log,
    # and the next item follows at its end.
    def files(d):
        vs.picture(vs.GREEN, (64, 64)).save(d / "a.mp4", "PNG")
        vs.picture(vs.RED).save(d / "b.png")
    board, show = vs.video_board(make_board, xvfb, gst_registry, files, "NextImageTimer=1500\n", start=False)
    log = board.start_dir / "ERROR.LOG"
    log.write_bytes(b"")
    board.start()
    board.wait_for_stderr(f"video: {show}/a.mp4: closed", count=2, timeout=60)
    assert f"item: {show}/b.png" in board.stderr()
    assert log.read_bytes() == b""
    assert board.is_running()
