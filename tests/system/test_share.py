"""A pictures folder on a share that stops answering: the board goes on with what it has, tells
the operator once when the share stops and once when it answers again, obeys CLOSE.APP all along,
and shows the folder as it is once the share is back. The share is a FUSE file system
(stallfs.py) that the test makes hang, as a dead network share does.
"""

import os
import subprocess
import time
from contextlib import contextmanager
from pathlib import Path

import pytest
from PIL import Image

import harness
import video_support as vs
from video_support import gst_registry  # noqa: F401 (fixture)
from harness import wait_until

STALLFS = Path(__file__).with_name("stallfs.py")
STOPPED = "The pictures folder stopped answering"
AGAIN = "The pictures folder answers again"
COLOURS = {"a.png": (200, 0, 0), "b.png": (0, 200, 0), "c.png": (0, 0, 200), "d.png": (200, 200, 0)}
# Calls on the share are given up after this long (the board's default is a few seconds).
DEADLINE_MS = 700

pytestmark = pytest.mark.skipif(not os.path.exists("/dev/fuse") or os.geteuid() != 0,
                                reason="needs /dev/fuse and root to mount it")


class StallShare:
    """The FUSE file system: SOURCE seen at MOUNT; hang() and answer() steer it."""

    def __init__(self, root: Path):
        self.source, self.mount, self.control = root / "share-source", root / "share", root / "share-control"
        for d in (self.source, self.mount, self.control):
            d.mkdir()
        self.log = open(root / "stallfs.log", "wb")
        self.proc = subprocess.Popen(["/usr/bin/python3", str(STALLFS), str(self.source), str(self.mount),
                                      str(self.control)], stdout=self.log, stderr=subprocess.STDOUT)
        wait_until(lambda: os.path.ismount(self.mount), what="the FUSE share mounted")

    def put(self, name, colour):
        harness.write_file(self.source / name, Image.new("RGB", (64, 48), colour))

    def hang(self, name="all"):
        (self.control / name).touch()

    def answer(self, name="all"):
        (self.control / name).unlink()

    @contextmanager
    def answering_at_end(self):
        """A thread waiting on the share cannot be killed until the share answers: the share
        answers when the test body ends, before the harness stops the boards."""
        try:
            yield
        finally:
            self.answer_all()

    def answer_all(self):
        for flag in self.control.iterdir():
            flag.unlink()

    def stop(self):
        self.answer_all()
        harness.stop_process(self.proc, timeout=2)
        subprocess.run(["umount", "-l", str(self.mount)], stderr=subprocess.DEVNULL)
        self.log.close()


@pytest.fixture
def share(tmp_root):
    s = StallShare(tmp_root)
    yield s
    s.stop()


def share_board(make_board, xvfb, share, env=None, folder="", extra="", **kwargs):
    config = (f"[MAIN]\nImagesFolder={share.mount}/{folder}\nNextImageTimer=300\nNewFilesTimer=500\n"
              "StretchImage=1\nKeepAspectRatio=0\n" + extra)
    return make_board(xvfb, config, files={"ERROR.LOG": b""},
                      env={"TAVOREL_SHARE_DEADLINE_MS": str(DEADLINE_MS), **(env or {})}, **kwargs)


def log_lines(board):
    return (board.start_dir / "ERROR.LOG").read_bytes().decode("utf-8", "replace").split("\r\n")[:-1]


def shown(board):
    return [line.rsplit("/", 1)[-1] for line in board.stderr().splitlines() if line.startswith("tavorel: item: ")]


def centre_colour(xvfb):
    return xvfb.pixel(100, 100)[:3]


def near(c1, c2):
    return all(abs(a - b) <= 40 for a, b in zip(c1, c2))


def wait_for_colour(xvfb, colour, timeout=20):
    wait_until(lambda: near(centre_colour(xvfb), colour), timeout, interval=0.1, what=f"colour {colour} on screen")


def answer_and_see(share, board, xvfb, colour):
    """The share answers: the picture comes up on the same board, which logged that the share
    stopped and that it answers again, once each."""
    share.answer()
    wait_for_colour(xvfb, colour)
    assert board.processes() == [board.pid]
    lines = log_lines(board)
    assert sum(STOPPED in line for line in lines) == 1, lines
    assert sum(AGAIN in line for line in lines) == 1, lines


def test_a_file_that_never_arrives_is_skipped_and_shown_once_it_does(xvfb, make_board, share):
    with share.answering_at_end():
        for name in ("a.png", "b.png", "c.png"):
            share.put(name, COLOURS[name])
        share.hang("read-b.png")
        board = share_board(make_board, xvfb, share)

        # The show goes past b.png, round after round; b.png never reaches the screen.
        wait_until(lambda: shown(board).count("c.png") >= 4, 40, what="four turns past b.png")
        seen = set()
        for _ in range(30):
            seen.add(centre_colour(xvfb))
            time.sleep(0.05)
        assert not any(near(c, COLOURS["b.png"]) for c in seen)
        assert board.is_running() and board.processes() == [board.pid], "the board restarted"

        # One line when the file did not come, one when the share answered the next call; none per turn.
        lines = log_lines(board)
        assert sum(STOPPED in line for line in lines) == 1, lines
        assert sum(AGAIN in line for line in lines) == 1, lines
        assert board.stderr().count("tavorel: error: " + STOPPED) == 1

        # Once the read returns, the file is shown like any other.
        share.answer("read-b.png")
        wait_for_colour(xvfb, COLOURS["b.png"])


def test_a_share_that_stops_holds_the_show_then_picks_up_the_current_list_and_close_app_works(
        xvfb, make_board, share):
    with share.answering_at_end():
        for name in ("a.png", "b.png"):
            share.put(name, COLOURS[name])
        board = share_board(make_board, xvfb, share)
        wait_until(lambda: len(shown(board)) >= 3, 30, what="the show running")

        share.hang()
        board.wait_for_stderr(STOPPED, timeout=20)
        # The folder changes while nobody can see it.
        (share.source / "a.png").unlink()
        share.put("d.png", COLOURS["d.png"])
        time.sleep(4)  # several refreshes and slide ticks on a dead share
        assert board.is_running() and board.processes() == [board.pid]
        assert board.stderr().count("tavorel: error: " + STOPPED) == 1
        # The board holds a picture it already had.
        assert any(near(centre_colour(xvfb), COLOURS[n]) for n in ("a.png", "b.png"))

        share.answer()
        board.wait_for_stderr(AGAIN, timeout=20)
        wait_for_colour(xvfb, COLOURS["d.png"])
        before = len(shown(board))
        wait_until(lambda: len(shown(board)) >= before + 4, 30, what="the show going on")
        assert "a.png" not in shown(board)[before:]

        # Dead again: CLOSE.APP beside the program is still obeyed within a refresh or two.
        share.hang()
        board.wait_for_stderr(STOPPED, count=2, timeout=20)
        time.sleep(2)
        (board.start_dir / "CLOSE.APP").touch()
        board.wait_for_stderr("tavorel: close: the window closes", timeout=5)
        wait_until(lambda: not board.windows(), 5, what="the board's window gone")
        assert not (board.start_dir / "CLOSE.APP").exists()
        # The board has ended all it can: only threads inside FUSE calls that reached the file
        # system are left, which the kernel cannot end until the calls are answered, and never
        # more of them than the board's bound, however many ticks ran on the dead share.
        def tasks_now():
            try:
                return {int(t.name): ((t / "stat").read_text().rsplit(")", 1)[1].split()[0],
                                      (t / "wchan").read_text())
                        for t in Path(f"/proc/{board.pid}/task").glob("*")}
            except OSError:
                return {0: ("gone", "")}  # the whole process ended

        def main_thread_ended():
            tasks = tasks_now()
            return tasks if tasks.get(board.pid, ("Z", ""))[0] == "Z" else None
        tasks = wait_until(main_thread_ended, 10, what="the board's main thread ended")
        stuck = [tid for tid, (state, _) in tasks.items() if tid != board.pid and state != "gone"]
        assert all(tasks[tid][1] == "request_wait_answer" for tid in stuck), tasks
        assert len(stuck) <= 4, tasks
        share.answer()
        board.wait_exit(timeout=10)

        lines = log_lines(board)
        assert sum(STOPPED in line for line in lines) == 2, lines
        assert sum(AGAIN in line for line in lines) == 1, lines
        assert board.processes() == [], "a copy of the board was started"


def test_a_clip_whose_start_never_arrives_is_skipped_and_plays_once_it_does(xvfb, make_board, share, gst_registry):
    with share.answering_at_end():
        for name in ("a.png", "c.png"):
            share.put(name, COLOURS[name])
        vs.clip(share.source / "b.mp4", vs.GREEN, seconds=1)
        share.hang("read-b.mp4")
        board = share_board(make_board, xvfb, share, env={"GST_REGISTRY_1_0": str(gst_registry)})

        # The clip is passed over as a file that is gone, round after round, without a restart.
        wait_until(lambda: shown(board).count("c.png") >= 4, 40, what="four turns past b.mp4")
        assert "b.mp4" not in shown(board)
        assert board.is_running() and board.processes() == [board.pid], "the board restarted"
        lines = log_lines(board)
        assert sum(STOPPED in line for line in lines) == 1, lines
        assert sum(AGAIN in line for line in lines) == 1, lines

        share.answer("read-b.mp4")
        wait_until(lambda: "b.mp4" in shown(board), 20, what="the clip played")
        wait_until(lambda: shown(board)[-1] != "b.mp4", 20, what="the show going on after the clip")
        assert board.processes() == [board.pid]


def test_a_share_dead_at_start_up_leaves_the_board_running_on_an_empty_list_until_it_answers(
        xvfb, make_board, share):
    with share.answering_at_end():
        (share.source / "show").mkdir()
        share.put("show/a.png", COLOURS["a.png"])
        share.hang()
        # A folder below the share's top, which the kernel has not looked up yet: entering it
        # reaches the share (the top itself the kernel knows from the mount).
        board = share_board(make_board, xvfb, share, folder="show/")

        # Start-up gives up on entering the folder and goes on: the board shows what it shows for
        # an empty folder (never the program's own folder) and obeys CLOSE.APP on a dead share.
        board.wait_for_stderr("tavorel: message: NO PICTURE FILES LOCATED IN " + str(share.mount),
                              timeout=30)
        assert board.stderr().count("tavorel: error: " + STOPPED) == 1
        assert "Cannot enter the folder" not in board.stderr()
        assert board.processes() == [board.pid], "the board restarted"
        (board.start_dir / "CLOSE.APP").touch()
        board.wait_for_stderr("tavorel: close: the window closes", timeout=5)
        assert not (board.start_dir / "CLOSE.APP").exists()
        share.answer()
        board.wait_exit(timeout=10)

        # Dead at start-up again: once it answers, the folder is entered and the show starts.
        share.hang()
        again = share_board(make_board, xvfb, share, folder="show/")
        again.wait_for_stderr("tavorel: message: NO PICTURE FILES", timeout=30)
        time.sleep(2)  # refreshes on the dead share
        answer_and_see(share, again, xvfb, COLOURS["a.png"])


def test_a_playlist_the_share_keeps_back_at_start_up_is_used_once_it_answers(xvfb, make_board, share):
    with share.answering_at_end():
        (share.source / "show").mkdir()
        for name in ("a.png", "b.png"):
            share.put("show/" + name, COLOURS[name])
        (share.source / "show" / "playlist.ini").write_bytes(
            harness.crlf("[Item1]\nFileName=b.png\n").encode())
        share.hang()
        board = share_board(make_board, xvfb, share, folder="show/", extra="UsePlaylist=1\n")
        board.wait_for_stderr("tavorel: error: " + STOPPED, timeout=30)
        time.sleep(2)  # refreshes on the dead share
        assert "Cannot find playlist" not in board.stderr()
        assert board.processes() == [board.pid]
        share.answer()
        # The playlist decides: only its item is shown.
        wait_for_colour(xvfb, COLOURS["b.png"])
        wait_until(lambda: shown(board).count("b.png") >= 3, 30, what="the playlist's item shown")
        assert set(shown(board)) == {"b.png"}, shown(board)


def test_a_share_that_answers_only_after_start_up_is_shown_once_it_does(xvfb, make_board, share):
    with share.answering_at_end():
        share.put("a.png", COLOURS["a.png"])
        share.hang()
        board = share_board(make_board, xvfb, share)
        # The first read of the list gives up: the board shows what it shows for an empty folder.
        board.wait_for_stderr("tavorel: message: NO PICTURE FILES", timeout=20)
        assert board.stderr().count("tavorel: error: " + STOPPED) == 1
        answer_and_see(share, board, xvfb, COLOURS["a.png"])


def test_a_share_that_stops_during_a_clip_leaves_the_board_able_to_close(xvfb, make_board, share, gst_registry):
    with share.answering_at_end():
        share.put("a.png", COLOURS["a.png"])
        vs.clip(share.source / "b.mp4", vs.GREEN, seconds=30)
        board = share_board(make_board, xvfb, share, env={"GST_REGISTRY_1_0": str(gst_registry)})
        wait_until(lambda: "b.mp4" in shown(board), 30, what="the clip playing")
        wait_for_colour(xvfb, vs.GREEN)
        time.sleep(1)
        # The clip's reads now hang in the middle of the clip, in GStreamer's streaming thread.
        share.hang()
        time.sleep(2)
        (board.start_dir / "CLOSE.APP").touch()
        # Closing the clip does not wait for the stuck streaming thread (nor for the watchdog).
        board.wait_for_stderr("tavorel: close: the window closes", timeout=10)
        wait_until(lambda: not board.windows(), 10, what="the board's window gone")
        assert "watchdog" not in board.stderr()
        share.answer()
        board.wait_exit(timeout=10)
        assert board.processes() == [], "a copy of the board was started"
