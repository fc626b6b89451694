"""The folder slide show seen from outside: which items follow one another, how pictures are
fitted on screen, files coming and going between refreshes, and the board's messages.

The board names every item it shows on stderr ("tavorel: item: <full path>", TAVOREL_DEBUG=1),
so the order is read from there; what is on screen is read from screenshots.
"""

import io
import os

from PIL import Image

import harness
from harness import Geometry, wait_until

SCREEN = Geometry(0, 0, 1280, 720)
RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)


def items(board):
    return [line[len("tavorel: item: "):] for line in board.stderr().splitlines()
            if line.startswith("tavorel: item: ")]


def names(board):
    return [path.rsplit("/", 1)[-1] for path in items(board)]


def wait_for_items(board, count, timeout=harness.DEFAULT_TIMEOUT):
    return wait_until(lambda: names(board) if len(names(board)) >= count else None, timeout,
                      what=f"{count} items shown")


def solid(colour, size=(64, 48)):
    return Image.new("RGB", size, colour)


def show_config(extra=""):
    # The pictures lie in the start directory, the default folder; the program file itself does
    # not match the mask.
    return "[MAIN]\nNextImageTimer=600\nNewFilesTimer=400\n" + extra


def close_to(rgb, want, tol=10):
    return all(abs(a - b) <= tol for a, b in zip(rgb[:3], want))


# ----------------------------------------------------------------------------------------------
# Order

def test_pictures_follow_in_sorted_order_and_wrap_around(xvfb, make_board):
    board = make_board(xvfb, show_config(), files={
        "c.png": solid(BLUE), "a.png": solid(RED), "B.PNG": solid(GREEN)})
    shown = wait_for_items(board, 7)
    assert shown[:7] == ["a.png", "B.PNG", "c.png", "a.png", "B.PNG", "c.png", "a.png"]
    # The first item replaces the loading text; pictures show no message.
    assert board.messages() == []
    # Full paths are the configured folder (the start directory, ending in "/") plus the name.
    assert items(board)[0] == f"{board.start_dir}/a.png"


def test_mask_patterns_are_taken_as_written(xvfb, make_board):
    files = {"b.PNG": solid(GREEN), "a.jpg": solid(RED), "C.jpg": solid(BLUE),
             "img10.jpg": solid(RED), "img2.jpg": solid(RED), ".hidden.jpg": solid(RED)}
    # Overlapping patterns list a file twice, side by side; digits sort as characters.
    board = make_board(xvfb, show_config("ImagesFileMask=*.jpg;*.JP*\n"), files=files)
    assert wait_for_items(board, 8)[:8] == ["a.jpg", "a.jpg", "C.jpg", "C.jpg", "img10.jpg",
                                          "img10.jpg", "img2.jpg", "img2.jpg"]
    board.stop()

    # A blank after ";" is part of the next pattern: no PNG is listed.
    board2 = make_board(xvfb, show_config("ImagesFileMask=*.jpg; *.png\n"), files=files, name="b2")
    shown = wait_for_items(board2, 5)
    assert "b.PNG" not in shown and shown[:4] == ["a.jpg", "C.jpg", "img10.jpg", "img2.jpg"]


def test_files_added_and_removed_between_refreshes(xvfb, make_board):
    board = make_board(xvfb, show_config(), files={"a.png": solid(RED)})
    wait_for_items(board, 2)
    assert set(names(board)) == {"a.png"}

    harness.write_file(board.start_dir / "b.png", solid(GREEN))
    wait_until(lambda: "b.png" in names(board), what="the new picture shown")

    (board.start_dir / "b.png").unlink()
    # Once the list no longer holds b.png (next refresh), it never comes back.
    count = len(names(board))
    wait_for_items(board, count + 4)
    later = names(board)[count + 2:]
    assert "b.png" not in later and later
    assert board.is_running()


def test_a_file_deleted_before_the_refresh_is_skipped_silently(xvfb, make_board):
    # The refresh is far away, so b.png stays listed after it is deleted.
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=500\nNewFilesTimer=600000\n",
                       files={"a.png": solid(RED), "b.png": solid(GREEN), "c.png": solid(BLUE)})
    wait_until(lambda: names(board)[:1] == ["a.png"], what="the first item")
    (board.start_dir / "b.png").unlink()
    shown = wait_for_items(board, 5)
    assert "b.png" not in shown and shown[:4] == ["a.png", "c.png", "a.png", "c.png"]
    assert board.messages() == [] and board.is_running()


# ----------------------------------------------------------------------------------------------
# Messages

def test_an_empty_folder_shows_its_message_and_the_show_starts_when_files_come(xvfb, make_board, tmp_root):
    show = tmp_root / "show"
    show.mkdir()
    board = make_board(xvfb, f"[MAIN]\nImagesFolder={show}/\nNextImageTimer=500\nNewFilesTimer=400\n")
    message = board.wait_for_message()
    assert message == (f"NO PICTURE FILES LOCATED IN {show}/ OR FILE MASK SET TO EXCLUDE ALL "
                       "PICTURE FILES IN FOLDER")
    # The slide timer stays off; the schedule check (every 10 s) starts it again.
    harness.write_file(show / "a.png", solid(GREEN, (400, 300)))
    wait_until(lambda: names(board) == ["a.png"] or len(names(board)) > 1, 40, what="the show resuming")
    assert names(board)[0] == "a.png"


def test_unsupported_files_show_their_path_and_the_show_goes_on(xvfb, make_board):
    board = make_board(xvfb, show_config("ImagesFileMask=*.png;*.txt;noext\n"), files={
        "a.png": solid(RED), "notes.txt": "hello", "noext": "x"})
    start = board.start_dir
    wait_until(lambda: len(board.messages()) >= 4, what="four unsupported-file messages")
    assert board.messages()[:4] == [f"Unsupported File: {start}/noext", f"Unsupported File: {start}/notes.txt",
                                    f"Unsupported File: {start}/noext", f"Unsupported File: {start}/notes.txt"]
    assert "a.png" in names(board)


def test_show_file_name_puts_each_full_path_in_the_label(xvfb, make_board):
    board = make_board(xvfb, show_config("ShowFileName=1\nImagesFileMask=*.png;*.txt\n"), files={
        "a.png": solid((0, 0, 80), (1280, 720)), "b.txt": "text"})
    start = board.start_dir
    wait_until(lambda: len(board.messages()) >= 3, what="three messages")
    assert board.messages()[:3] == [f"{start}/a.png", f"{start}/b.txt", f"Unsupported File: {start}/b.txt"]

    # The path is drawn in red over the picture, at the window's top left.
    def problems(shot):
        box = harness.red_bbox(shot, (0, 0, 1280, 40))
        if box is None or box[0] > 8:
            return f"no red file name at the top left: {box}"
        if not close_to(shot.getpixel((640, 500)), (0, 0, 80)):
            return f"the picture is not under the label: {shot.getpixel((640, 500))}"
        return None
    harness.wait_for_screen(xvfb, problems)


def test_a_name_that_is_not_utf8_is_shown_and_reads_as_latin1(xvfb, make_board):
    # Old shares hold names in Latin-1: b"caf\xe9.png" is not valid UTF-8.
    board = make_board(xvfb, show_config("ShowFileName=1\n"), start=False)
    buffer = io.BytesIO()
    solid((0, 0, 80), (1280, 720)).save(buffer, "PNG")
    with open(os.fsencode(board.start_dir) + b"/caf\xe9.png", "wb") as f:
        f.write(buffer.getvalue())
    board.start()
    wait_until(lambda: len(board.messages()) >= 2, what="two messages")
    assert board.messages()[:2] == [f"{board.start_dir}/caf\u00e9.png"] * 2
    harness.wait_for_screen(
        xvfb, lambda shot: None if close_to(shot.getpixel((640, 500)), (0, 0, 80))
        else f"the picture is not shown: {shot.getpixel((640, 500))}")


# ----------------------------------------------------------------------------------------------
# Fitting on screen (defaults: not stretched, proportional)

def test_pictures_are_fitted_and_centred_on_screen(xvfb, make_board):
    # A small picture at natural size in the middle; a large one shrunk with its aspect kept.
    board = make_board(xvfb, "[MAIN]\nNextImageTimer=3000\nNewFilesTimer=600000\n", files={
        "1-small.png": solid(RED, (200, 100)), "2-wide.png": solid(GREEN, (2560, 640))})

    def showing(colour, expected):
        def problems(shot):
            box = harness.find_color_bbox(shot, lambda p: close_to(p, colour, 30))
            if box != expected:
                return f"picture at {box}, expected {expected}"
            return None
        return problems

    harness.wait_for_screen(xvfb, showing(RED, (540, 310, 740, 410)))
    # 2560 x 640 into 1280 x 720: 1280 x 320, 200 pixels from the top.
    harness.wait_for_screen(xvfb, showing(GREEN, (0, 200, 1280, 520)))
    shot = xvfb.screenshot()
    assert harness.is_black(shot.getpixel((640, 100))) and harness.is_black(shot.getpixel((640, 620)))


def test_stretch_without_proportion_fills_the_window(xvfb, make_board):
    board = make_board(xvfb, "[MAIN]\nStretchImage=1\nKeepAspectRatio=0\nMaxWidth=640\nMaxHeight=480\n"
                             "NextImageTimer=500\n", files={"a.png": solid(BLUE, (50, 50))})

    def problems(shot):
        box = harness.find_color_bbox(shot, lambda p: close_to(p, BLUE, 30))
        return None if box == (0, 0, 640, 480) else f"picture at {box}"
    harness.wait_for_screen(xvfb, problems)
    assert board.is_running()
