"""The master volume around videos: NoSound read at every clip, the saved level put back.

The board runs under its own X server and its own sound server with a null sink, whose volume the
test reads with pactl.
"""

import harness
import video_support as vs
from video_support import gst_registry  # noqa: F401 (fixture)
from harness import Geometry, wait_until

SCREEN = Geometry(0, 0, 1280, 720)


def test_no_sound_silences_the_output_while_a_clip_plays_and_an_edit_brings_the_level_back(
        xvfb, make_board, pulse, gst_registry):
    pulse.set_volume(60)
    board, show = vs.video_board(make_board, xvfb, gst_registry, lambda d: vs.clip(d / "a.mp4", vs.GREEN, seconds=3),
                              "NextImageTimer=1000\nNoSound=1\n")
    harness.wait_for_screen(xvfb, vs.fill_problems(vs.box_of(SCREEN), vs.GREEN), 40)
    wait_until(lambda: pulse.get_volume() == 0, 10, what="the sink at 0 while the clip plays")
    # It stays silent for the following clips (the one file plays again and again).
    board.wait_for_stderr(f"video: {show}/a.mp4: opened", count=2)
    assert pulse.get_volume() == 0
    assert board.is_running()

    board.write_config(f"[MAIN]\nImagesFolder={show}/\nNextImageTimer=1000\nNoSound=0\n")
    wait_until(lambda: abs(pulse.get_volume() - 60) < 1, 20, what="the saved level back at the next clip")

    # Closing the board during a clip puts the saved level back and ends cleanly.
    board.write_config(f"[MAIN]\nImagesFolder={show}/\nNextImageTimer=1000\nNoSound=1\n")
    wait_until(lambda: pulse.get_volume() == 0, 20, what="silence again at the next clip")
    board.terminate()
    assert board.wait_exit() == 0
    assert abs(pulse.get_volume() - 60) < 1


def test_without_any_sound_output_clips_play_and_the_board_does_not_restart(xvfb, make_board, gst_registry):
    board, show = vs.video_board(make_board, xvfb, gst_registry,
                                 lambda d: vs.clip(d / "a.mp4", vs.GREEN, seconds=1),
                                 "NextImageTimer=500\nNoSound=1\n", start=False, no_sound=True)
    board.write_file("ERROR.LOG", b"")
    board.start()
    harness.wait_for_screen(xvfb, vs.fill_problems(vs.box_of(SCREEN), vs.GREEN), 40)
    board.wait_for_stderr(f"video: {show}/a.mp4: opened", count=3)
    # Only the start-up line: no video start failed, and the first copy still runs alone.
    log = (board.start_dir / "ERROR.LOG").read_bytes().decode().split("\r\n")[:-1]
    assert len(log) == 1 and "The master volume cannot be read" in log[0], log
    assert board.processes() == [board.pid]
    board.terminate()
    assert board.wait_exit() == 0
