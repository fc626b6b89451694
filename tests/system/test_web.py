"""Web shortcuts seen from outside: live pages over the whole window without scroll bars, slow
scrolling, the interval that starts when a page has loaded or failed, pages left loaded behind a
picture, a caption over a page, and a show without shortcuts that never starts the web engine.

Pages come from a web server on 127.0.0.1 started by the test, or from files. The board names
its web events on stderr ("tavorel: web: navigate|loaded|failed ...", TAVOREL_DEBUG=1).
"""

import os
import re
import time

import pytest
from PIL import Image

import harness
from harness import wait_until
from playlist_support import caption_over, make_playlist_board, red_caption_rtf
from web_support import (WEB_ENV, EventClock, SlowResource, banded_page, closed_port, coloured_page,
                         engine_processes, scroll_offset, shortcut)

WIDTH, HEIGHT = 1280, 720
GREEN = (0, 160, 0)
BLUE_PICTURE = (0, 0, 200)


def config(extra="", interval=60000):
    return f"[MAIN]\nNextImageTimer={interval}\nNewFilesTimer=60000\n{extra}"


def web_board(make_board, x, cfg, files, **kwargs):
    return make_board(x, cfg, files=files, env=dict(WEB_ENV), **kwargs)


def is_green(rgb):
    return all(abs(a - b) <= 6 for a, b in zip(rgb[:3], GREEN))


def gap_after(events, start, end):
    """Time from the first web load event (loaded/failed) in [start, end) to end."""
    ends = [t for t, text in events if start <= t < end and text.startswith(("loaded ", "failed "))]
    assert ends, f"no load event between {start:.2f} and {end:.2f}: {events}"
    return end - ends[0]


# ----------------------------------------------------------------------------------------------
# On screen

@pytest.mark.parametrize("shrink", [False, True], ids=["whole-monitor", "MaxWidth-MaxHeight"])
def test_a_coloured_page_covers_the_window_without_scroll_bars(xvfb, make_board, http_server, shrink):
    harness.write_file(http_server.root_dir / "green.html", coloured_page(GREEN))
    extra = "MaxWidth=900\nMaxHeight=500\nOffsetX=100\nOffSetY=60\n" if shrink else ""
    board = web_board(make_board, xvfb, config(extra, interval=500),
                      {"page.url": shortcut(http_server.url("green.html"))})
    geo = board.wait_for_geometry(harness.Geometry(100, 60, 900, 500) if shrink else
                                  harness.Geometry(0, 0, WIDTH, HEIGHT))
    box = harness.clip_box(geo, (WIDTH, HEIGHT))

    def problems(shot):
        window = shot.crop(box)
        others = window.width * window.height - harness.count_pixels(window, is_green)
        if others:
            bad = harness.find_color_bbox(window, lambda p: not is_green(p))
            return f"{others} pixels of the window are not the page's colour, within {bad}"
        if shrink and harness.non_white_outside(shot, box):
            return "the page shows outside the window"
        return None

    # The whole window is the page: no border, no scroll bar at the right or bottom edge.
    harness.wait_for_screen(xvfb, problems, timeout=40)
    assert "/green.html" in http_server.requests()
    # The page is shown anew at each item: it stays covered and styled.
    wait_until(lambda: board.stderr().count("tavorel: web: loaded http") >= 3, 30,
               what="the page loaded three times")
    harness.wait_for_screen(xvfb, problems)
    assert engine_processes(board), "no web engine process runs for a show with a web page"
    if os.geteuid() == 0:
        assert board.stderr().count("sandbox is switched off") == 1
    assert "tavorel: error:" not in board.stderr()


def test_a_show_without_shortcuts_starts_no_web_engine(xvfb, make_board):
    picture = Image.new("RGB", (WIDTH, HEIGHT), BLUE_PICTURE)
    board = make_board(xvfb, config(interval=300), files={"a.png": picture, "b.png": picture},
                       env=dict(WEB_ENV))
    board.main_window()
    with EventClock(board) as clock:
        clock.wait_items(6)
    assert engine_processes(board) == []
    assert "tavorel: web:" not in board.stderr()
    assert "sandbox" not in board.stderr()


def test_a_caption_over_a_web_page(xvfb, make_board, http_server):
    harness.write_file(http_server.root_dir / "green.html", coloured_page(GREEN))
    items = [{"FileName": "page.url", "AddRichText": "sale.rtf", "duration": 60000}]
    files = {"page.url": shortcut(http_server.url("green.html")), "sale.rtf": red_caption_rtf()}
    make_playlist_board(make_board, xvfb, items, files, env=dict(WEB_ENV))

    def problems(shot):
        return caption_over(shot, is_green, "the page")

    harness.wait_for_screen(xvfb, problems, timeout=40)


# ----------------------------------------------------------------------------------------------
# Scrolling

def timed_offset(x):
    before = time.monotonic()
    shot = x.screenshot()
    return (before + time.monotonic()) / 2, scroll_offset(shot)


def speed(x, seconds=2.0):
    t1, o1 = timed_offset(x)
    time.sleep(seconds)
    t2, o2 = timed_offset(x)
    assert o1 is not None and o2 is not None, "the banded page is not on screen"
    return (o2 - o1) / (t2 - t1), o2


def banded_board(make_board, x, http_server, extra, page=None):
    """One web item in playlist mode, on screen for a minute: the banded page, or `page`."""
    harness.write_file(http_server.root_dir / "page.html", page or banded_page())
    items = [{"FileName": "page.url", "duration": 60000}]
    return make_playlist_board(make_board, x, items, {"page.url": shortcut(http_server.url("page.html"))},
                               config_extra=extra, env=dict(WEB_ENV))


def test_a_page_scrolls_by_scrollspeed_every_40_ms(xvfb, make_board, http_server):
    board = banded_board(make_board, xvfb, http_server, "ScrollWebpage=1\nscrollspeed=4\n")
    wait_until(lambda: (scroll_offset(xvfb.screenshot()) or 0) > 0, 40, what="the page scrolling")

    # 4 pixels every 40 ms: 100 pixels a second (timer ticks that come late are not made up).
    pace, _ = speed(xvfb)
    assert 60 <= pace <= 125, f"the page moved {pace:.0f} px/s, expected about 100"

    # scrollspeed is read at every tick: 0 stands still, a negative value moves up.
    def rewrite(speed_value):
        text = board.start_dir.joinpath("config.ini").read_text().replace("\r\n", "\n")
        board.write_config(re.sub(r"scrollspeed=-?\d+", f"scrollspeed={speed_value}", text))

    rewrite(0)
    time.sleep(0.5)
    pace, offset = speed(xvfb, 1.5)
    assert pace == 0, f"the page moved {pace:.0f} px/s with scrollspeed=0"
    assert offset > 100
    rewrite(-2)
    time.sleep(0.3)
    pace, _ = speed(xvfb, 1.5)
    assert -65 <= pace <= -25, f"the page moved {pace:.0f} px/s with scrollspeed=-2, expected about -50"
    assert "tavorel: error:" not in board.stderr()


def test_without_scrollwebpage_a_page_stands_still(xvfb, make_board, http_server):
    board = banded_board(make_board, xvfb, http_server, "ScrollWebpage=0\nscrollspeed=10\n")
    board.wait_for_stderr("tavorel: web: loaded http://", 40)
    wait_until(lambda: scroll_offset(xvfb.screenshot()) == 0, 20, what="the top of the page on screen")
    pace, offset = speed(xvfb, 2.0)
    assert (pace, offset) == (0, 0)


def test_a_scroll_that_keeps_failing_is_reported_once_per_page(xvfb, make_board, http_server):
    page = ("<html><body style='background:rgb(0,160,0)'><script>"
            "window.scrollBy = function () { throw new Error('this page does not scroll'); };"
            "</script></body></html>")
    harness.write_file(http_server.root_dir / "frozen.html", page)
    items = [{"FileName": "page.url", "duration": 3000}]
    board = make_playlist_board(make_board, xvfb, items, {"page.url": shortcut(http_server.url("frozen.html"))},
                                config_extra="ScrollWebpage=1\nscrollspeed=3\n", env=dict(WEB_ENV))
    text = "tavorel: error: The page cannot be scrolled: window.scrollBy(0, 3): this page does not scroll."
    board.wait_for_stderr(text, 40)
    # 25 ticks a second fail, but each page reports once: after the next item's load, once more.
    time.sleep(1.5)
    assert board.stderr().count(text) == 1
    wait_until(lambda: board.stderr().count("tavorel: web: loaded http://") >= 2, 30,
               what="the page shown a second time")
    board.wait_for_stderr(text, 10, count=2)
    time.sleep(1.0)
    assert board.stderr().count(text) == 2
    assert board.is_running()


# ----------------------------------------------------------------------------------------------
# The interval and the items that follow

def test_the_interval_starts_when_the_page_has_loaded(xvfb, make_board, http_server):
    with SlowResource(delay=2.5) as slow:
        harness.write_file(http_server.root_dir / "slow.html",
                           f"<html><body style='background:rgb(0,160,0)'><img src='{slow.url()}'></body></html>")
        board = web_board(make_board, xvfb, config(interval=1000), {
            "a.url": shortcut(http_server.url("slow.html")),
            "b.png": Image.new("RGB", (WIDTH, HEIGHT), BLUE_PICTURE)})
        with EventClock(board) as clock:
            items = clock.wait_items(2, 40)
    (t_a, a), (t_b, b) = items[:2]
    assert (a, b) == ("a.url", "b.png")
    loads = [(t, text) for t, text in clock.web() if text.startswith(("loaded", "failed"))]
    assert loads and loads[0][1] == f"loaded {http_server.url('slow.html')}", clock.web()
    t_loaded = loads[0][0]
    assert t_loaded - t_a >= 2.2, "the page loaded before its picture came"
    # One interval (1 s) after the load, not after the item began.
    assert 0.7 <= t_b - t_loaded <= 2.0, (t_a, t_loaded, t_b)
    assert slow.requests >= 1


def test_unreachable_missing_and_empty_shortcuts_move_on_one_interval_later(xvfb, make_board):
    port = closed_port()
    board = web_board(make_board, xvfb, config(interval=1000), {
        "b.png": Image.new("RGB", (WIDTH, HEIGHT), BLUE_PICTURE),
        "c-no-address.url": shortcut(None)}, start=False)
    board.write_file("a-refused.url", shortcut(f"http://127.0.0.1:{port}/page.html"))
    board.write_file("d-missing.url", shortcut(f"file://{board.start_dir}/not-there.html"))
    board.start()
    with EventClock(board) as clock:
        items = clock.wait_items(6, 60)
    names = [name for _, name in items]
    assert names[:5] == ["a-refused.url", "b.png", "c-no-address.url", "d-missing.url", "a-refused.url"]
    web = clock.web()
    texts = [text for _, text in web]
    assert f"navigate http://127.0.0.1:{port}/page.html" in texts
    assert any(t.startswith(f"failed http://127.0.0.1:{port}/page.html") for t in texts), texts
    assert any(t.startswith(f"failed file://{board.start_dir}/not-there.html") for t in texts), texts
    # Each web item moves on one interval after its load ended (failed, or about:blank loaded).
    for i in (0, 2, 3):
        gap = gap_after(web, items[i][0], items[i + 1][0])
        assert 0.7 <= gap <= 2.0, (names[i], gap)
    # The shortcut without an address shows about:blank: navigated to twice, loaded once.
    c_events = [text for t, text in web if items[2][0] <= t < items[3][0]]
    assert c_events[:2] == ["navigate about:blank", "navigate about:blank"], c_events
    assert "loaded about:blank" in c_events
    assert "tavorel: error:" not in board.stderr()


def test_a_page_behind_a_picture_stays_loaded_and_the_next_one_starts_blank(xvfb, make_board, http_server):
    harness.write_file(http_server.root_dir / "ticker.html",
                       "<html><body style='background:rgb(0,160,0)'><script>"
                       "setInterval(function () { fetch('/tick?' + Date.now()); }, 200);"
                       "</script></body></html>")
    board = web_board(make_board, xvfb, config(interval=4000), {
        "a.url": shortcut(http_server.url("ticker.html")),
        "b.png": Image.new("RGB", (WIDTH, HEIGHT), BLUE_PICTURE)})
    ticks = lambda: sum(1 for r in http_server.requests() if r.startswith("/tick"))
    with EventClock(board) as clock:
        clock.wait_items(2, 40)
        # The picture covers the window: the page is hidden ...
        harness.wait_for_screen(xvfb, lambda s: None if s.getpixel((640, 360)) == BLUE_PICTURE
                                else f"the picture is not on screen: {s.getpixel((640, 360))}")
        before = ticks()
        time.sleep(2.2)
        # ... but still loaded: its script goes on asking the server (hidden pages' timers are
        # slowed to once a second).
        assert ticks() >= before + 2, "the page behind the picture stopped running"
        items = clock.wait_items(3, 40)
    assert [n for _, n in items[:3]] == ["a.url", "b.png", "a.url"]
    again = [text for t, text in clock.web() if t >= items[2][0]]
    assert again[:2] == ["navigate about:blank", f"navigate {http_server.url('ticker.html')}"], again


# ----------------------------------------------------------------------------------------------
# Failures of the styling

def test_a_document_without_a_body_is_reported_and_the_show_waits_for_the_schedule(xvfb, make_board):
    svg = ("<svg xmlns='http://www.w3.org/2000/svg' width='400' height='300'>"
           "<rect width='400' height='300' fill='rgb(0,160,0)'/></svg>")
    board = web_board(make_board, xvfb, config(interval=500), {
        "b.png": Image.new("RGB", (WIDTH, HEIGHT), BLUE_PICTURE)}, start=False)
    board.write_file("drawing.svg", svg)
    board.write_file("a.url", shortcut(f"file://{board.start_dir}/drawing.svg"))
    board.start()
    with EventClock(board) as clock:
        items = clock.wait_items(2, 40)
    error = "tavorel: error: The page cannot be styled: document.body.style.borderStyle = 'none';"
    assert error in board.stderr()
    # The failed handler never switched the slide timer on: the show went on only with the
    # schedule check (every 10 s), not one interval after the load.
    loaded = [t for t, text in clock.web() if text.startswith("loaded file://")]
    assert loaded and items[1][0] - loaded[0] > 2.0, (loaded, items)
    # The error report is on screen beside the board's window, which runs on.
    assert len(board.windows()) >= 2
    assert board.is_running()


def test_a_server_that_accepts_and_never_answers_holds_the_show_only_until_the_schedule_tick(xvfb, make_board):
    # No load ends, so nothing of the page switches the slide timer on; the schedule check does,
    # every 10 s, and the show goes on one interval after it.
    import socket
    import threading
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    port = listener.getsockname()[1]
    held = []
    stop = threading.Event()

    def accept():
        listener.settimeout(0.2)
        while not stop.is_set():
            try:
                held.append(listener.accept()[0])
            except OSError:
                continue
    threading.Thread(target=accept, daemon=True).start()
    try:
        board = web_board(make_board, xvfb, config(interval=1000), {
            "a-silent.url": shortcut(f"http://127.0.0.1:{port}/page.html"),
            "b.png": Image.new("RGB", (WIDTH, HEIGHT), BLUE_PICTURE)})
        with EventClock(board) as clock:
            items = clock.wait_items(2, 60)
        assert [name for _, name in items[:2]] == ["a-silent.url", "b.png"]
        assert held, "the board never connected to the silent server"
        waited = items[1][0] - items[0][0]
        assert 1.0 <= waited <= 12.5, f"the show waited {waited:.1f} s on the silent page"
        texts = [text for _, text in clock.web()]
        assert not any(t.startswith(("loaded http", "failed http")) for t in texts), texts
        assert board.is_running()
        assert "tavorel: error:" not in board.stderr()
    finally:
        stop.set()
        for conn in held:
            conn.close()
        listener.close()


# ----------------------------------------------------------------------------------------------
# Months of pages

def renderers(board):
    found = []
    for p in engine_processes(board):
        try:
            if b"--type=renderer" in open(f"/proc/{p}/cmdline", "rb").read():
                found.append(p)
        except OSError:
            pass
    return found


def test_a_page_worn_by_many_loads_is_replaced_and_its_renderer_ends(xvfb, make_board, http_server):
    harness.write_file(http_server.root_dir / "green.html", coloured_page(GREEN))
    page = shortcut(http_server.url("green.html"))
    board = web_board(make_board, xvfb, config(interval=100), {"a.url": page, "b.url": page})
    wait_until(lambda: renderers(board) and "tavorel: web: loaded http" in board.stderr(), 60,
               what="a renderer showing the page")
    first = set(renderers(board))
    # Each item loads two documents (the blank page, then its own): 100 loads are 50 items.
    most = 0
    deadline = time.monotonic() + 180
    while "a fresh page replaces" not in board.stderr():
        assert time.monotonic() < deadline, "no page was replaced after many loads"
        most = max(most, len(renderers(board)))
        time.sleep(0.2)
    wait_until(lambda: not first & set(renderers(board)), 30, what="the old page's renderer ended")
    loaded = board.stderr().count("tavorel: web: loaded http")
    wait_until(lambda: board.stderr().count("tavorel: web: loaded http") >= loaded + 2, 30,
               what="the fresh page loading the show's page")
    box = harness.clip_box(board.wait_for_geometry(harness.Geometry(0, 0, WIDTH, HEIGHT)),
                           (WIDTH, HEIGHT))
    area = (box[2] - box[0]) * (box[3] - box[1])
    harness.wait_for_screen(
        xvfb, lambda shot: None if harness.count_pixels(shot.crop(box), is_green) == area
        else "the fresh page does not cover the window", timeout=30)
    assert most <= 3, f"{most} renderers at once before the first replacement"
    assert "tavorel: error:" not in board.stderr()
