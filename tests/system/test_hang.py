"""A board that never hangs: a user-interface thread that stops is noticed by the watchdog, and a
lock held on ERROR.LOG does not stop the restart after a failure. Seen from outside: ERROR.LOG's
lines, the processes running the program of the start directory, exit codes.
"""

import ctypes
import os
import re
import signal
import subprocess

from PIL import Image

from harness import wait_until
from notify_support import NotifySocket

DATE = r"\d{1,2}/\d{1,2}/\d{4}"  # the C locale's short date, M/d/yyyy
GOOD = Image.new("RGB", (64, 48), (0, 200, 0))
MISNAMED = b"\x89PNG\r\n\x1a\n" + b"\0" * 64  # a PNG named .jpg: the JPEG decoder fails

PTRACE_DETACH = 17
PTRACE_SEIZE = 0x4206
PTRACE_INTERRUPT = 0x4207
WALL = 0x40000000

_libc = ctypes.CDLL(None, use_errno=True)
_libc.ptrace.argtypes = [ctypes.c_long, ctypes.c_long, ctypes.c_void_p, ctypes.c_void_p]
_libc.ptrace.restype = ctypes.c_long


def _ptrace(request, tid):
    if _libc.ptrace(request, tid, None, None) != 0:
        err = ctypes.get_errno()
        raise OSError(err, f"ptrace({request:#x}, {tid}): {os.strerror(err)}")


class StoppedThread:
    """Stops one thread of a process (the others run on) until the block ends."""

    def __init__(self, tid):
        self.tid = tid

    def __enter__(self):
        _ptrace(PTRACE_SEIZE, self.tid)
        _ptrace(PTRACE_INTERRUPT, self.tid)
        _, status = os.waitpid(self.tid, WALL)
        assert os.WIFSTOPPED(status), f"thread {self.tid} did not stop: status {status:#x}"
        return self

    def __exit__(self, *exc):
        if _libc.ptrace(PTRACE_DETACH, self.tid, None, None) != 0:
            pass  # the process has ended meanwhile


def copies(board, other_than=()):
    return [pid for pid in board.processes() if pid not in other_than]


def log_lines(board):
    return (board.start_dir / "ERROR.LOG").read_bytes().decode("utf-8").split("\r\n")[:-1]


def test_a_stopped_ui_thread_is_logged_and_a_fresh_copy_takes_over(xvfb, make_board, tmp_root):
    notify = NotifySocket(tmp_root / "notify")
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=300\nNewFilesTimer=400\n",
                       files={"ERROR.LOG": b"", "a.png": GOOD, "b.png": GOOD},
                       env={"TAVOREL_WATCHDOG_SECONDS": "3", **notify.env()})
    board.main_window()
    board.wait_for_stderr("tavorel: item:", count=4)
    old = board.pid
    # The user-interface thread is the process's first thread: its id is the process id.
    with StoppedThread(old):
        new = wait_until(lambda: copies(board, {old}) or None, 60, what="a fresh copy of the board")
        wait_until(lambda: board.proc.poll() is not None, 60, what="the stuck copy's end")
    assert board.proc.returncode == 0
    assert len(new) == 1 and os.readlink(f"/proc/{new[0]}/exe") == str(board.program)
    lines = log_lines(board)
    assert len(lines) == 1 and re.fullmatch(DATE + r",Watchdog: .*3 s.*", lines[0]), lines
    assert "tavorel: watchdog: started a new copy" in board.stderr()
    # The stuck copy hands the service to the fresh one before it ends.
    assert f"MAINPID={new[0]}" in notify.messages_from(old)
    # The fresh copy gets the screen and runs the show.
    wait_until(lambda: board.x.visible_windows(new[0]) or None, what="the fresh copy's window")
    notify.close()


def test_a_board_that_answers_is_left_alone_by_a_short_watchdog(xvfb, make_board):
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=200\nNewFilesTimer=300\n",
                       files={"ERROR.LOG": b"", "a.png": GOOD, "b.png": GOOD},
                       env={"TAVOREL_WATCHDOG_SECONDS": "3"})
    board.main_window()
    board.wait_for_stderr("tavorel: item:", count=25)
    assert board.is_running() and copies(board, {board.pid}) == []
    assert log_lines(board) == []


def test_a_locked_error_log_gives_the_line_up_and_the_board_still_restarts(xvfb, make_board):
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=500\nNewFilesTimer=400\n",
                       files={"ERROR.LOG": b"", "b.jpg": MISNAMED}, start=False)
    holder = subprocess.Popen(["flock", "-x", str(board.start_dir / "ERROR.LOG"), "sleep", "600"],
                              stdin=subprocess.DEVNULL, start_new_session=True)
    try:
        wait_until(lambda: "ERROR.LOG" in _locks_of(holder.pid) or None, what="the lock on ERROR.LOG")
        board.start()
        old = board.pid
        wait_until(lambda: copies(board, {old}) or None, 60, what="a new copy of the board")
        assert board.wait_exit() == 0, "the failing copy did not end"
        assert "Resource temporarily unavailable" in board.stderr()
        assert (board.start_dir / "ERROR.LOG").read_bytes() == b""
    finally:
        # flock's command inherits the locked descriptor: the holder's whole group goes.
        os.killpg(holder.pid, signal.SIGKILL)
        holder.wait(10)
    # With the lock gone the next copies log their failures again.
    wait_until(lambda: len(log_lines(board)) >= 2, 60, what="a later copy's lines")


def _locks_of(pid):
    """Names of the files that flock (the holder or its child) holds open."""
    names = []
    for proc in [pid] + _children(pid):
        try:
            for fd in os.listdir(f"/proc/{proc}/fd"):
                names.append(os.path.basename(os.readlink(f"/proc/{proc}/fd/{fd}")))
        except OSError:
            pass
    return names


def _children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []
