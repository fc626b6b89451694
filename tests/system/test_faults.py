"""The fault table: what the board does with bad pictures, bad settings files, a folder that goes
away, and an ERROR.LOG it cannot write. Each case is watched from outside: log lines, new copies
of the board, what is shown, and that the board goes on.
"""

import io
import os
import re
import shutil
import subprocess
from contextlib import contextmanager

import pytest
from PIL import Image

import harness
from harness import wait_until

DATE = r"\d{1,2}/\d{1,2}/\d{4}"


def jpeg_bytes(size=(320, 240), colour=(0, 160, 0)):
    buf = io.BytesIO()
    Image.new("RGB", size, colour).save(buf, "JPEG")
    return buf.getvalue()


def png_bytes(size=(64, 48), colour=(0, 0, 200)):
    buf = io.BytesIO()
    Image.new("RGB", size, colour).save(buf, "PNG")
    return buf.getvalue()


GOOD = Image.new("RGB", (64, 48), (0, 120, 0))
SHOW = "[MAIN]\nNextImageTimer=400\nNewFilesTimer=300\n"


def log_lines(board):
    path = board.start_dir / "ERROR.LOG"
    return path.read_bytes().decode("utf-8", "replace").split("\r\n")[:-1] if path.exists() else []


def new_copies(board):
    return [pid for pid in board.processes() if pid != board.pid]


def shown(board):
    return [line.rsplit("/", 1)[-1] for line in board.stderr().splitlines()
            if line.startswith("tavorel: item: ")]


@contextmanager
def tmpfs_start_dir(board, size_kb):
    """Puts the board's start directory on a small file system of its own."""
    keep = board.dir / "start-contents"
    shutil.copytree(board.start_dir, keep)
    subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size_kb}k", "tmpfs", str(board.start_dir)], check=True)
    try:
        shutil.copytree(keep, board.start_dir, dirs_exist_ok=True)
        yield board.start_dir
    finally:
        board.stop()
        subprocess.run(["umount", "-l", str(board.start_dir)], check=False)


# ----------------------------------------------------------------------------------------------
# Bad pictures: two log lines naming the item, a fresh copy, the old one ends

BAD_PICTURES = {
    "damaged.jpg": jpeg_bytes()[:200] + b"\xff\xd9" + os.urandom(3000),
    "truncated.jpg": jpeg_bytes()[: len(jpeg_bytes()) // 2],
    "zero.png": b"",
    "misnamed.gif": png_bytes(),
}


@pytest.mark.parametrize("name", sorted(BAD_PICTURES))
def test_bad_pictures_are_logged_and_the_board_restarts(xvfb, make_board, name):
    board = make_board(xvfb, SHOW, files={"ERROR.LOG": b"", "a.png": GOOD, name: BAD_PICTURES[name]})
    wait_until(lambda: new_copies(board) or None, what="a new copy")
    assert board.wait_exit() == 0
    lines = log_lines(board)
    assert len(lines) >= 2 and re.fullmatch(DATE + ",.+", lines[0]), lines
    assert lines[1].endswith(f",On Item: {board.start_dir}/{name}"), lines


def test_a_picture_still_being_written_fails_until_it_is_whole(xvfb, make_board):
    whole = jpeg_bytes((640, 480))
    board = make_board(xvfb, SHOW, files={"ERROR.LOG": b"", "a.png": GOOD, "b.jpg": whole[:len(whole) // 3]})
    wait_until(lambda: len(log_lines(board)) >= 2, what="the failure logged")
    (board.start_dir / "b.jpg").write_bytes(whole)
    # The copies started meanwhile show the whole picture, and the failures stop.
    wait_until(lambda: board.stderr().count("tavorel: item: " + str(board.start_dir / "b.jpg"))
               > len(log_lines(board)) // 2 + 1, 60, what="the finished picture shown")
    logged = len(log_lines(board))
    board.wait_for_stderr("tavorel: item: ", count=board.stderr().count("tavorel: item: ") + 4)
    assert len(log_lines(board)) == logged


def test_an_error_log_on_a_read_only_file_system_still_restarts(xvfb, make_board):
    board = make_board(xvfb, SHOW, files={"ERROR.LOG": b"", "b.jpg": BAD_PICTURES["truncated.jpg"]}, start=False)
    with tmpfs_start_dir(board, 64 * 1024):
        subprocess.run(["mount", "-o", "remount,ro", str(board.start_dir)], check=True)
        board.start()
        wait_until(lambda: new_copies(board) or None, what="a new copy")
        assert board.wait_exit() == 0
        assert log_lines(board) == []
        assert "Read-only file system" in board.stderr()


def test_an_error_log_on_a_full_file_system_still_restarts(xvfb, make_board):
    board = make_board(xvfb, SHOW, files={"ERROR.LOG": b"", "b.jpg": BAD_PICTURES["truncated.jpg"]}, start=False)
    with tmpfs_start_dir(board, 64 * 1024) as start:
        # Fill what is left of it.
        subprocess.run(["dd", "if=/dev/zero", f"of={start}/filler", "bs=64k"], capture_output=True)
        board.start()
        wait_until(lambda: new_copies(board) or None, what="a new copy")
        assert board.wait_exit() == 0
        assert log_lines(board) == []
        assert "No space left on device" in board.stderr()


# ----------------------------------------------------------------------------------------------
# A folder that goes away and comes back

def test_a_folder_gone_for_a_while_reports_without_piling_up_and_the_show_resumes(xvfb, make_board, tmp_root):
    show = tmp_root / "show"
    show.mkdir()
    for name in ("a.png", "b.png"):
        harness.write_file(show / name, GOOD)
    board = make_board(xvfb, f"[MAIN]\nImagesFolder={show}/\nNextImageTimer=300\nNewFilesTimer=100\n")
    board.wait_for_stderr("tavorel: item:", count=2)

    away = tmp_root / "away"
    show.rename(away)
    # Every refresh fails and is reported, but only one error box is ever on screen.
    board.wait_for_stderr("tavorel: error: Cannot enter the folder", count=20)
    assert len(board.windows()) <= 2, "error boxes piled up"
    assert board.is_running()

    away.rename(show)
    count = board.stderr().count("tavorel: item:")
    board.wait_for_stderr("tavorel: item:", count=count + 3)
    assert board.is_running()
    assert len(board.windows()) <= 2


# ----------------------------------------------------------------------------------------------
# Bad settings files: every key takes its default and the board runs

@pytest.mark.parametrize("content", [
    pytest.param(os.urandom(4096), id="binary-garbage"),
    pytest.param("[MAIN]\r\nNextImageTimer=700\r\n".encode("utf-16-le"), id="utf16-without-bom"),
    pytest.param(b"[MAIN]\r\n" + b"x" * (50 * 1024 * 1024) + b"\r\nNextImageTimer=700\r\n", id="50MB"),
])
def test_bad_config_files_give_the_defaults(xvfb, make_board, content):
    board = make_board(xvfb, content, files={"a.png": GOOD, "b.png": GOOD})
    board.wait_for_geometry(harness.Geometry(0, 0, 1280, 720), timeout=60)
    # The default interval of 5 s: two items within about 10 s.
    board.wait_for_stderr("tavorel: item:", count=2, timeout=40)
    assert board.is_running()
    assert "tavorel: error:" not in board.stderr()
