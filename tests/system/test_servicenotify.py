"""The board under a service manager's notify protocol, with the test's own socket standing in for
systemd's: READY=1 once the show is up, WATCHDOG=1 from the running board, and a fresh copy of the
board's restart taking over as the main process (MAINPID=)."""

import pytest
from PIL import Image

from harness import wait_until
from notify_support import NotifySocket

GOOD = Image.new("RGB", (64, 48), (0, 200, 0))
MISNAMED = b"\x89PNG\r\n\x1a\n" + b"\0" * 64  # a PNG named .jpg: the JPEG decoder fails


@pytest.fixture
def notify(tmp_root):
    sock = NotifySocket(tmp_root / "notify")
    yield sock
    sock.close()


def test_the_board_reports_ready_once_and_feeds_the_watchdog(xvfb, make_board, notify):
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=300\nNewFilesTimer=400\n",
                       files={"a.png": GOOD, "b.png": GOOD}, env=notify.env(watchdog_usec=1_000_000))
    pid = board.pid
    ready = f"MAINPID={pid}\nREADY=1"
    wait_until(lambda: ready in notify.messages_from(pid) or None, what="READY=1 from the board")
    assert "tavorel: item:" in board.stderr(), "ready before the first item was up"
    assert notify.messages_from(pid)[0] == f"MAINPID={pid}"
    # WATCHDOG_USEC=1 s: fed every half second.
    wait_until(lambda: notify.messages_from(pid).count("WATCHDOG=1") >= 6, 10, what="WATCHDOG=1, six times")
    board.wait_for_stderr("tavorel: item:", count=8)
    assert notify.messages_from(pid).count(ready) == 1
    assert {m for _, m in notify.collect()} == {f"MAINPID={pid}", ready, "WATCHDOG=1"}


def test_a_fresh_copy_after_a_failure_takes_over_as_the_main_process(xvfb, make_board, notify):
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=500\nNewFilesTimer=400\n",
                       files={"a.png": GOOD, "b.jpg": MISNAMED}, env=notify.env())
    old = board.pid
    wait_until(lambda: f"MAINPID={old}\nREADY=1" in notify.messages_from(old) or None, what="the first copy's READY=1")
    assert board.wait_exit() == 0
    fresh = wait_until(lambda: [p for p, m in notify.collect() if p != old and m == f"MAINPID={p}"] or None,
                       what="MAINPID= from the fresh copy")[0]
    wait_until(lambda: f"MAINPID={fresh}\nREADY=1" in notify.messages_from(fresh) or None,
               what="the fresh copy's READY=1")


def test_without_a_watchdog_interval_the_board_sends_no_watchdog_messages(xvfb, make_board, notify):
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=300\nNewFilesTimer=400\n",
                       files={"a.png": GOOD}, env=notify.env())
    board.wait_for_stderr("tavorel: item:", count=6)
    assert [m for _, m in notify.collect()] == [f"MAINPID={board.pid}", f"MAINPID={board.pid}\nREADY=1"]
