"""Playlist mode: items in section order from playlist.ini, edits seen at the next item, and the
playlist message instead of a hang when nothing can be shown, whether the playlist was missing at
start-up or every item is out of its window."""

import os

import harness
from playlist_support import make_playlist_board, shown_items, solid, wait_for_items

PLAYLIST_MESSAGE = ("Something is wrong with your playlist.ini file. Cannot load any items. "
                    "Check the structure of the file, it must be incorrect somewhere")

PICTURES = {
    "a.png": solid((200, 100), (200, 0, 0)),
    "b.png": solid((200, 100), (0, 200, 0)),
    "c.png": solid((200, 100), (0, 0, 200)),
}


def test_items_follow_the_section_order_and_edits_take_effect(xvfb, make_board):
    items = [{"FileName": "a.png"}, {"FileName": "B.PNG", "duration": 300}, {"FileName": "c.png"}]
    board = make_playlist_board(make_board, xvfb, items, PICTURES)
    assert wait_for_items(board, 6)[:6] == ["a.png", "b.png", "c.png", "a.png", "b.png", "c.png"]

    # Item2 now names a file that is not in the folder, and Item4 after a gap is never reached.
    # Replaced whole, as an editor or rsync does: a file caught half-written would be a different
    # playlist (an empty one gives the playlist message).
    edited = board.show_dir / "playlist.ini.new"
    edited.write_text(harness.crlf(
        "[Item1]\nFileName=a.png\n[Item2]\nFileName=gone.png\n[Item3]\nFileName=c.png\n"
        "[Item5]\nFileName=b.png\n"))
    os.replace(edited, board.show_dir / "playlist.ini")
    seen = len(shown_items(board))
    later = wait_for_items(board, seen + 8)[seen + 2:]  # the first two may predate the edit
    assert "b.png" not in later, later
    assert set(later) == {"a.png", "c.png"}
    assert all(x != y for x, y in zip(later, later[1:])), f"a and c do not alternate: {later}"
    assert PLAYLIST_MESSAGE not in board.messages()
    assert board.is_running()


def test_six_missing_files_show_the_playlist_message(xvfb, make_board):
    items = [{"FileName": "gone1.png"}, {"FileName": "gone2.png"}]
    board = make_playlist_board(make_board, xvfb, items, PICTURES)
    board.wait_for_stderr(f"tavorel: message: {PLAYLIST_MESSAGE}")
    assert shown_items(board) == []
    assert board.is_running()


def test_every_item_out_of_its_window_ends_with_the_message(xvfb, make_board):
    # Windows that end before they start: out of their window whatever the date.
    closed = {"StartDateTime": "1/2/2000", "EndDateTime": "1/1/2000"}
    items = [{"FileName": "a.png", **closed}, {"FileName": "b.png", **closed}]
    board = make_playlist_board(make_board, xvfb, items, PICTURES)
    board.wait_for_stderr(f"tavorel: message: {PLAYLIST_MESSAGE}")
    # The search ended and the board answers: the message is on screen and the window closes.
    wid = board.main_window()
    harness.wait_for_screen(xvfb, lambda shot: None if harness.red_bbox(shot) else "no red message text")
    assert shown_items(board) == []
    board.close_window(wid)
    assert board.wait_exit() == 0


def test_missing_playlist_then_the_schedule_start_gives_the_message_and_runs_on(xvfb, make_board):
    board = make_playlist_board(make_board, xvfb, None, PICTURES)
    first = board.wait_for_message()
    assert first.startswith("Cannot find playlist. Expecting it in "), first
    # The schedule check starts the slide timer every 10 s; each run gives up at once.
    board.wait_for_stderr(f"tavorel: message: {PLAYLIST_MESSAGE}", timeout=40, count=2)
    assert shown_items(board) == []
    assert board.is_running()
    board.close_window()
    assert board.wait_exit() == 0
