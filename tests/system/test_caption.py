"""The rich-text caption over a picture: red letters drawn straight over the picture, which shows
around them; scaled by the picture's width; placed by TextVAlign; hidden when the item has none."""

import pytest

import harness
from harness import wait_until
from playlist_support import caption_events, caption_over, make_playlist_board, red_caption_rtf, solid, wait_for_items

WIDTH, HEIGHT = 1280, 720
GREEN = (0, 170, 0)


def is_green(rgb):
    r, g, b = rgb[:3]
    return g >= 120 and r <= 60 and b <= 60


def caption_over_green(shot):
    """Red letters over the green picture, the picture showing around and between them."""
    return caption_over(shot, is_green)


@pytest.mark.parametrize("valign", [0, 1, 2])
def test_red_caption_over_a_picture(xvfb, make_board, valign):
    files = {"green.png": solid((WIDTH, HEIGHT), GREEN), "sale.rtf": red_caption_rtf()}
    items = [{"FileName": "green.png", "AddRichText": "sale.rtf", "TextVAlign": valign,
              "duration": 60000}]
    board = make_playlist_board(make_board, xvfb, items, files)
    shot = harness.wait_for_screen(xvfb, caption_over_green)
    left, top, right, bottom = harness.red_bbox(shot)

    event = wait_until(lambda: caption_events(board), what="the caption report")[0]
    assert event["path"] == f"{board.show_dir}/sale.rtf"
    assert (event["zoom"], event["scale"]) == (100, 64)  # the picture is as wide as the window
    if valign == 0:
        assert event["top"] == 0 and top < 40, (event, top)
    elif valign == 2:
        # The caption's rendered height ends at the window's bottom edge.
        assert event["top"] > HEIGHT // 2 and bottom > HEIGHT - 60, (event, bottom)
    else:
        assert abs((top + bottom) / 2 - HEIGHT / 2) < 40, (event, top, bottom)
    assert left < 60  # laid out at the window's width from its left edge


def test_caption_scales_with_the_picture_width(xvfb, make_board):
    # A picture half the window's width: zoom 200, drawn at 128/64, text twice as tall.
    files = {"half.png": solid((WIDTH // 2, HEIGHT // 2), GREEN), "sale.rtf": red_caption_rtf(half_points=60)}
    items = [{"FileName": "half.png", "AddRichText": "sale.rtf", "duration": 60000}]
    board = make_playlist_board(make_board, xvfb, items, files)
    event = wait_until(lambda: caption_events(board), what="the caption report")[0]
    assert (event["zoom"], event["scale"]) == (200, 128)
    shot = harness.wait_for_screen(xvfb, lambda s: None if harness.red_bbox(s) else "no red caption")
    left, top, right, bottom = harness.red_bbox(shot)
    # 30-point bold capitals at 96 dpi are about 29 px high; doubled, about 58.
    assert 45 <= bottom - top <= 80, harness.red_bbox(shot)


def test_items_without_a_caption_or_with_a_missing_one_hide_it(xvfb, make_board):
    files = {"green.png": solid((WIDTH, HEIGHT), GREEN), "blue.png": solid((WIDTH, HEIGHT), (0, 0, 170)),
             "sale.rtf": red_caption_rtf()}
    items = [{"FileName": "green.png", "AddRichText": "sale.rtf", "duration": 1500},
             {"FileName": "blue.png", "AddRichText": "nothere.rtf", "duration": 1500},
             {"FileName": "blue.png", "duration": 1500}]
    board = make_playlist_board(make_board, xvfb, items, files)
    wait_for_items(board, 4)
    assert "tavorel: caption: hidden" in board.stderr()
    assert len(caption_events(board)) >= 1
    assert all(e["path"].endswith("/sale.rtf") for e in caption_events(board))
    assert not any(line.startswith("tavorel: error") for line in board.stderr().splitlines())

    def blue_without_red(shot):
        if shot.getpixel((WIDTH // 2, HEIGHT - 5))[2] < 120:
            return "the blue picture is not on screen"
        return f"red caption over the blue picture: {harness.red_bbox(shot)}" if harness.red_bbox(shot) else None
    harness.wait_for_screen(xvfb, blue_without_red)
    assert board.is_running()


def test_a_caption_that_is_neither_rtf_nor_text_is_logged_and_restarts(xvfb, make_board):
    files = {"green.png": solid((WIDTH, HEIGHT), GREEN), "broken.rtf": b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR"}
    items = [{"FileName": "green.png", "AddRichText": "broken.rtf"}]
    board = make_playlist_board(make_board, xvfb, items, files, start_files={"ERROR.LOG": b""})
    log = board.start_dir / "ERROR.LOG"
    wait_until(lambda: b"Failed to Load Stream" in log.read_bytes(), what="the failure in ERROR.LOG")
    lines = log.read_bytes().decode("utf-8").split("\r\n")
    assert lines[0].endswith(",Failed to Load Stream"), lines
    assert lines[1].endswith(f",On Item: {board.show_dir}/green.png"), lines
    wait_until(lambda: [p for p in board.processes() if p != board.pid] or None, what="a new copy")
