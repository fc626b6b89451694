"""Helpers for the playlist and caption system tests: a show folder with generated pictures, a
playlist.ini, RTF captions, and what the board reports about the items it showed."""

from __future__ import annotations

import re

from PIL import Image

import harness

CAPTION_RED = (255, 0, 0)


def solid(size, colour) -> Image.Image:
    return Image.new("RGB", size, colour)


def playlist_text(items: list[dict]) -> str:
    """playlist.ini with one section "Item<n>" per dict, numbered from 1."""
    lines = []
    for number, keys in enumerate(items, start=1):
        lines.append(f"[Item{number}]")
        lines.extend(f"{k}={v}" for k, v in keys.items())
    return "\n".join(lines) + "\n"


def red_caption_rtf(text="SALE", half_points=120) -> str:
    """A WordPad-style RTF caption: one line of big, bold, red text."""
    return ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 DejaVu Sans;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
            "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
            f"\\pard\\cf1\\b\\f0\\fs{half_points} {text}\\cf0\\b0\\par\r\n}}\r\n")


def make_playlist_board(make_board, x, items, files, config_extra="", start_files=None, **kwargs):
    """A board in playlist mode whose images folder is <start>/show/ (files and playlist.ini go
    there; start_files go into the start directory). items=None writes no playlist.ini."""
    board = make_board(x, start=False, files=start_files, **kwargs)
    show = board.start_dir / "show"
    show.mkdir()
    for name, content in files.items():
        harness.write_file(show / name, content)
    if items is not None:
        harness.write_file(show / "playlist.ini", harness.crlf(playlist_text(items)))
    board.write_config(f"[MAIN]\nUsePlaylist=1\nImagesFolder={show}/\nNewFilesTimer=60000\n"
                       f"NextImageTimer=400\n{config_extra}")
    board.show_dir = show
    return board.start()


def shown_items(board) -> list[str]:
    """Bare names of the items the board has shown, in order."""
    prefix = "tavorel: item: "
    return [line[len(prefix):].rsplit("/", 1)[-1] for line in board.stderr().splitlines()
            if line.startswith(prefix)]


def wait_for_items(board, count, timeout=harness.DEFAULT_TIMEOUT) -> list[str]:
    def probe():
        if not board.is_running():
            raise AssertionError(f"the board ended; stderr:\n{board.stderr()}")
        items = shown_items(board)
        return items if len(items) >= count else None
    return harness.wait_until(probe, timeout, what=f"{count} items shown")


def caption_events(board) -> list[dict]:
    """The board's caption reports: path, zoom, scale numerator, top."""
    found = []
    for m in re.finditer(r"^tavorel: caption: (.*) zoom (\d+) scale (\d+)/64 top (-?\d+)$", board.stderr(), re.M):
        found.append({"path": m.group(1), "zoom": int(m.group(2)), "scale": int(m.group(3)),
                      "top": int(m.group(4))})
    return found


def caption_over(shot, is_background, what="the picture"):
    """Problems of a red caption drawn over a background of one colour (`is_background(rgb)`):
    letters large enough, the background showing between them and around them; None when there
    is nothing wrong."""
    red = harness.red_bbox(shot)
    if red is None:
        return "no red caption"
    left, top, right, bottom = red
    if right - left < 100 or bottom - top < 30:
        return f"red caption too small: {red}"
    inside = harness.count_pixels(shot, is_background, red)
    if inside < (right - left) * (bottom - top) // 10:
        return f"{what} does not show between the letters ({inside} pixels of it in {red})"
    width, height = shot.size
    around = harness.count_pixels(shot, is_background)
    if around < width * height * 0.7:
        return f"{what} is covered: only {around} pixels of it show"
    return None
