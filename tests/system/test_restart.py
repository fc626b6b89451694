"""Failures, the error log and the board's own restarts; the control files CLOSE.APP and
REBOOT.APP; the drive poll. Seen from outside: ERROR.LOG's lines, the processes running the
program of the start directory, files deleted, exit codes.
"""

import os
import re
import time

import pytest
from PIL import Image

import harness
import video_support as vs
from harness import wait_until
from video_support import gst_registry  # noqa: F401 (fixture)

DATE = r"\d{1,2}/\d{1,2}/\d{4}"  # the C locale's short date, M/d/yyyy


def copies(board, other_than=()):
    return [pid for pid in board.processes() if pid not in other_than]


def wait_for_new_copy(board, old_pid):
    return wait_until(lambda: copies(board, {old_pid}) or None, what="a new copy of the board")


def closes(board):
    return board.stderr().count("tavorel: close:")


def picture_show(extra=""):
    return "[MAIN]\nNextImageTimer=500\nNewFilesTimer=400\n" + extra


GOOD = Image.new("RGB", (64, 48), (0, 200, 0))
# A PNG named .jpg: the JPEG decoder is chosen by the name and fails.
MISNAMED = b"\x89PNG\r\n\x1a\n" + b"\0" * 64


# ----------------------------------------------------------------------------------------------
# Failures

def test_a_damaged_picture_writes_two_log_lines_and_restarts(xvfb, make_board):
    board = make_board(xvfb, picture_show(), files={"ERROR.LOG": b"", "a.png": GOOD, "b.jpg": MISNAMED})
    first = board.pid
    new = wait_for_new_copy(board, first)
    assert board.wait_exit() == 0, "the failing copy did not end"
    assert all(os.readlink(f"/proc/{pid}/exe") == str(board.program) for pid in new)

    log = (board.start_dir / "ERROR.LOG").read_bytes().decode("utf-8")
    lines = log.split("\r\n")
    assert lines[-1] == "" and len(lines) >= 3, repr(log)
    assert re.fullmatch(DATE + r",.+", lines[0]) and "b.jpg" in lines[0], lines[0]
    assert re.fullmatch(DATE + rf",On Item: {re.escape(str(board.start_dir))}/b\.jpg", lines[1]), lines[1]
    # The new copy shows a.png and fails on b.jpg in its turn: the log grows by two lines a round.
    wait_until(lambda: (board.start_dir / "ERROR.LOG").read_bytes().count(b"\r\n") >= 4, what="the second copy's lines")


def test_without_an_error_log_nothing_is_written_and_the_board_still_restarts(xvfb, make_board):
    board = make_board(xvfb, picture_show(), files={"b.jpg": MISNAMED})
    wait_for_new_copy(board, board.pid)
    assert board.wait_exit() == 0
    assert not (board.start_dir / "ERROR.LOG").exists()
    assert "The specified file was not found" in board.stderr()


def test_a_board_whose_program_has_another_name_ends_for_good(xvfb, make_board):
    board = make_board(xvfb, picture_show(), files={"ERROR.LOG": b"", "b.jpg": MISNAMED}, start=False)
    renamed = board.start_dir / "board-copy"
    board.program.rename(renamed)
    board.program = renamed
    board.start()
    assert board.wait_exit() == 0
    assert board.processes() == []
    assert (board.start_dir / "ERROR.LOG").read_bytes().count(b"\r\n") == 2


def test_a_failure_before_the_first_item_writes_only_the_first_line(xvfb, make_board, tmp_root):
    # The shown folder is gone by the first tick: reading it fails while imageindex is still -1.
    show = tmp_root / "show"
    show.mkdir()
    board = make_board(xvfb, f"[MAIN]\nImagesFolder={show}/\nNextImageTimer=2000\n",
                       files={"ERROR.LOG": b""})
    board.main_window()
    show.rmdir()
    wait_for_new_copy(board, board.pid)
    assert board.wait_exit() == 0
    lines = (board.start_dir / "ERROR.LOG").read_bytes().decode().split("\r\n")
    assert len(lines) == 2 and re.fullmatch(DATE + ",.+", lines[0]), lines


# A damaged clip and a damaged picture in the middle of the show, each between good pictures.
SHOW_ORDER = ["a.png", "b.mp4", "c.png", "d.jpg", "e.png"]


def damaged_show(show):
    for name in ("a.png", "c.png", "e.png"):
        GOOD.save(show / name)
    vs.noise(show / "b.mp4")
    (show / "d.jpg").write_bytes(MISNAMED)


def shown_items(board, show):
    prefix = f"tavorel: item: {show}/"
    return [line[len(prefix):] for line in board.stderr().splitlines() if line.startswith(prefix)]


@pytest.mark.parametrize("mode", ["folder", "playlist"])
def test_the_items_after_a_failed_one_are_shown_by_the_fresh_copy(xvfb, make_board, gst_registry, mode):
    config = "NextImageTimer=400\nNewFilesTimer=60000\n"
    if mode == "playlist":
        items = "".join(f"[Item{n}]\nFileName={name}\nduration=400\n" for n, name in enumerate(SHOW_ORDER, 1))
        def files(show):
            damaged_show(show)
            (show / "playlist.ini").write_text(items)
        config += "UsePlaylist=1\n"
    else:
        files = damaged_show
    board, show = vs.video_board(make_board, xvfb, gst_registry, files, config, start=False)
    log = board.start_dir / "ERROR.LOG"
    log.write_bytes(b"")
    board.start()

    # Within one round every item comes, each once, the damaged ones failing in their turn.
    board.wait_for_stderr(f"tavorel: item: {show}/e.png", timeout=60)
    assert shown_items(board, show)[:5] == SHOW_ORDER, shown_items(board, show)
    lines = log.read_bytes().decode().split("\r\n")
    assert len(lines) >= 5 and lines[4] == "", lines
    assert re.fullmatch(DATE + ",Could not determine type of stream.", lines[0]), lines
    assert re.fullmatch(DATE + rf",On Item: {re.escape(str(show))}/b\.mp4", lines[1]), lines
    assert re.fullmatch(DATE + ",.+", lines[2]), lines
    assert re.fullmatch(DATE + rf",On Item: {re.escape(str(show))}/d\.jpg", lines[3]), lines
    # The first copy ended after its failure; a fresh copy runs the show on.
    assert board.wait_exit() == 0
    wait_until(lambda: board.processes() or None, what="a fresh copy of the board")
    board.wait_for_stderr(f"tavorel: item: {show}/a.png", count=2)


def test_a_board_whose_every_item_fails_restarts_once_an_item_a_round_then_waits(xvfb, make_board):
    board = make_board(xvfb, picture_show(), files={"show/x.jpg": MISNAMED, "show/y.jpg": MISNAMED}, start=False)
    show = board.start_dir / "show"
    board.write_config(f"[MAIN]\nImagesFolder={show}/\nNextImageTimer=300\nNewFilesTimer=60000\n")
    log = board.start_dir / "ERROR.LOG"
    log.write_bytes(b"")
    board.start()
    board.wait_for_stderr("tavorel: restart: every item of a round failed")
    assert shown_items(board, show) == ["x.jpg", "y.jpg"]
    # The copy that begins the next round waits instead of failing again at once.
    time.sleep(8)
    assert shown_items(board, show) == ["x.jpg", "y.jpg"]
    assert log.read_bytes().count(b"\r\n") == 4
    assert len(board.processes()) == 1


# ----------------------------------------------------------------------------------------------
# Control files

def test_close_app_ends_the_board_at_the_next_refresh_and_is_deleted(xvfb, make_board, pulse):
    pulse.set_volume(30)
    board = make_board(xvfb, picture_show(), files={"a.png": GOOD}, pulse=pulse)
    board.main_window()
    pulse.set_volume(80)
    (board.start_dir / "CLOSE.APP").write_bytes(b"")
    assert board.wait_exit() == 0
    assert not (board.start_dir / "CLOSE.APP").exists()
    assert board.processes() == []
    assert closes(board) == 1
    assert pulse.get_volume() == pytest.approx(30, abs=1), "the close did not put the volume back"


def test_a_folder_named_close_app_is_ignored(xvfb, make_board):
    board = make_board(xvfb, picture_show(), files={"a.png": GOOD})
    (board.start_dir / "CLOSE.APP").mkdir()
    board.wait_for_stderr("tavorel: item:", count=3)
    assert board.is_running() and (board.start_dir / "CLOSE.APP").is_dir()


def test_reboot_app_starts_a_new_copy_and_ends_the_old_one(xvfb, make_board):
    board = make_board(xvfb, picture_show(), files={"a.png": GOOD})
    board.main_window()
    old = board.pid
    (board.start_dir / "REBOOT.APP").write_bytes(b"")
    assert board.wait_exit() == 0
    assert not (board.start_dir / "REBOOT.APP").exists()
    new = wait_until(lambda: copies(board, {old}) or None, what="the new copy")
    assert len(new) == 1
    # The new copy is a board of its own: it opens its window and runs the show.
    wait_until(lambda: board.x.visible_windows(new[0]) or None, what="the new copy's window")


def test_both_control_files_close_twice_and_restart_once(xvfb, make_board):
    board = make_board(xvfb, picture_show(), files={"a.png": GOOD})
    board.main_window()
    old = board.pid
    for name in ("CLOSE.APP", "REBOOT.APP"):
        (board.start_dir / name).write_bytes(b"")
    assert board.wait_exit() == 0
    assert not (board.start_dir / "CLOSE.APP").exists()
    assert not (board.start_dir / "REBOOT.APP").exists()
    assert closes(board) == 2
    new = wait_until(lambda: copies(board, {old}) or None, what="the new copy")
    assert len(new) == 1


def test_with_no_refresh_interval_the_control_files_are_never_seen(xvfb, make_board):
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=300\nNewFilesTimer=0\n", files={"a.png": GOOD})
    board.main_window()
    (board.start_dir / "CLOSE.APP").write_bytes(b"")
    board.wait_for_stderr("tavorel: item:", count=8)
    assert board.is_running() and (board.start_dir / "CLOSE.APP").exists()


# ----------------------------------------------------------------------------------------------
# Drive poll

def test_the_drive_poll_runs_before_each_item(xvfb, make_board):
    board = make_board(xvfb, picture_show("PollSourceDrive=1\n"), files={"a.png": GOOD, "b.png": GOOD})
    board.wait_for_stderr("tavorel: item:", count=3)
    events = [line.split(":", 2)[1].strip() for line in board.stderr().splitlines()
              if line.startswith(("tavorel: poll:", "tavorel: item:"))]
    assert events[:6] == ["poll", "item"] * 3, events
    # The start directory lies on some mount: the poll names its mount point.
    poll = next(line for line in board.stderr().splitlines() if line.startswith("tavorel: poll:"))
    drive = poll.split(": ", 2)[2]
    assert drive.startswith("/") and str(board.start_dir).startswith(drive), poll
