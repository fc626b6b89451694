"""The board's window: where start-up puts it, what it shows in its first seconds, the two
playlist messages of start-up, the master volume put back on close, and the state the board is
left in when start-up fails.

Every test runs the real program under its own X server (white root window, so the board's black
area stands out) and its own sound server.
"""

import time

import pytest
from PIL import Image

import harness
from harness import Geometry, wait_until

SCREEN = Geometry(0, 0, 1280, 720)
LOADING = "Tavorel Board 1.8 is loading..."
DESIGN = Geometry(0, 0, 819, 536)  # the window before placement: its design size at the top left


def board_screen_problems(geo: Geometry, max_label_width=None, min_label_width=None):
    """A check for wait_for_screen: the board's area is black with red text at its top left,
    everything else on the root window is still white.

    max_label_width / min_label_width bound the width of the red text's bounding box.
    """
    def problems(shot):
        box = harness.clip_box(geo, shot.size)
        if box is None:
            return f"window {geo} lies off the screen"
        if (gb := harness.max_green_blue(shot, box)) > 8:
            return f"window area {box} is not only black and red (green/blue up to {gb})"
        if (outside := harness.non_white_outside(shot, box)) > 0:
            return f"{outside} pixels outside the window area {box} are not the white root"
        red = harness.red_bbox(shot, box)
        if red is None:
            return "no red text in the window"
        left, top, right, bottom = red
        if left - box[0] > 8 or top - box[1] > 8:
            return f"red text does not start at the window's top left: {red}"
        if min_label_width is not None and right - left < min_label_width:
            return f"red text is {right - left} px wide, expected at least {min_label_width}: {red}"
        if max_label_width is not None and right - left > max_label_width:
            return f"red text is {right - left} px wide, expected at most {max_label_width}: {red}"
        return None
    return problems


def loading_screen(geo):
    """The loading text: one short line of red 11-pixel text at the window's top left."""
    base = board_screen_problems(geo, max_label_width=500, min_label_width=80)

    def problems(shot):
        complaint = base(shot)
        if complaint:
            return complaint
        left, top, right, bottom = harness.red_bbox(shot, harness.clip_box(geo, shot.size))
        if bottom - top > 24:
            return f"red text is {bottom - top} px high, more than one line of small text"
        return None
    return problems


def assert_borderless_topmost(x, wid):
    state = x.window_property(wid, "_NET_WM_STATE")
    assert "_NET_WM_STATE_ABOVE" in state, f"window is not kept above others: {state}"
    hints = x.window_property(wid, "_MOTIF_WM_HINTS")
    values = [int(v, 0) for v in hints.split("=", 1)[1].split(",")] if "=" in hints else []
    assert values and values[0] & 2 and values[2] == 0, f"window asks for decorations: {hints}"


def start(make_board, x, config=None, **kwargs):
    board = make_board(x, config=config, **kwargs)
    return board, board.main_window()


# ----------------------------------------------------------------------------------------------
# The first seconds

def test_without_config_the_window_covers_the_screen_black_with_the_loading_text(xvfb, make_board):
    board, wid = start(make_board, xvfb)
    assert not (board.start_dir / "config.ini").exists()

    board.wait_for_geometry(SCREEN, wid)
    harness.wait_for_screen(xvfb, loading_screen(SCREEN))
    assert_borderless_topmost(xvfb, wid)

    # The cursor is hidden over the board.
    xvfb.move_pointer(640, 360)
    wait_until(xvfb.cursor_is_blank, 10, what="a hidden cursor over the board")
    assert board.windows() == [wid], "the board shows more than its one window"
    assert board.is_running()
    # The start directory holds no item, so the first slide tick (5 s after start-up) may already
    # have replaced the loading text by the empty-folder message; start-up itself shows none.
    assert all(m.startswith("NO PICTURE FILES LOCATED IN ") for m in board.messages()), board.messages()


def test_the_loading_text_stays_for_the_configured_interval(xvfb, make_board):
    # NextImageTimer is 30 s, so the first slide tick is far away; the default is 5 s.
    board, wid = start(make_board, xvfb, "[MAIN]\nNextImageTimer=30000\n")
    board.wait_for_geometry(SCREEN, wid)
    first = harness.wait_for_screen(xvfb, loading_screen(SCREEN))
    label_box = (0, 0, 640, 40)

    # Well past the default interval (measured from the window's appearance, which comes after
    # start-up started the timer): nothing may have changed.
    time.sleep(7)
    later = xvfb.screenshot()
    assert loading_screen(SCREEN)(later) is None
    assert later.crop(label_box).tobytes() == first.crop(label_box).tobytes(), "the loading text changed"
    assert board.messages() == []
    assert board.is_running()


# ----------------------------------------------------------------------------------------------
# Placement on one screen

PLACEMENT_CASES = [
    pytest.param("", SCREEN, id="empty-config"),
    pytest.param("[MAIN]\nOffsetX=100\n", Geometry(100, 0, 1280, 720), id="offset-x-keeps-full-width"),
    pytest.param("[MAIN]\nOffSetY=50\n", Geometry(0, 50, 1280, 720), id="offset-y-keeps-full-height"),
    pytest.param("[MAIN]\nOffsetX=-40\nOffSetY=-3\n", Geometry(-40, -3, 1280, 720), id="negative-offsets"),
    pytest.param("[MAIN]\nMaxWidth=800\nMaxHeight=600\n", Geometry(0, 0, 800, 600), id="size"),
    pytest.param("[MAIN]\nMaxWidth=800\nMaxHeight=600\nOffsetX=30\nOffSetY=40\n", Geometry(30, 40, 800, 600),
                 id="size-and-offsets"),
    pytest.param("[MAIN]\nMaxWidth=1600\nMaxHeight=900\n", Geometry(0, 0, 1600, 900), id="larger-than-monitor"),
    pytest.param("[MAIN]\nShowOnMonitor=5\nMaxWidth=700\n", Geometry(0, 0, 700, 720), id="monitor-beyond-last"),
    pytest.param("[main]\noffsetx=100\nMAXWIDTH=640\n", Geometry(100, 0, 640, 720), id="names-in-any-case"),
    pytest.param("[Main]\n  OffsetX = 0x64\nMaxWidth=$280\nOffSetY=\"20\"\nMaxHeight=500 \t\n", Geometry(100, 20, 640, 500),
                 id="blanks-hex-and-quotes"),
    pytest.param("[MAIN]\nOffsetX=100 px\nOffSetY=20\nMaxWidth=eight\nMaxHeight=\"500 \"\n", Geometry(0, 20, 1280, 720),
                 id="malformed-values-give-defaults"),
    pytest.param("OffsetX=100\n[MAIN]\nMaxWidth=800\n[OTHER]\nOffSetY=30\n", Geometry(0, 0, 800, 720),
                 id="keys-outside-the-section-ignored"),
]


@pytest.mark.parametrize("config, expected", PLACEMENT_CASES)
def test_window_placement_on_one_screen(xvfb, make_board, config, expected):
    board, wid = start(make_board, xvfb, config)
    board.wait_for_geometry(expected, wid)
    harness.wait_for_screen(xvfb, loading_screen(expected))
    assert board.is_running()


# ----------------------------------------------------------------------------------------------
# Placement with two monitors

TWO_MONITOR_CASES = [
    pytest.param(None, Geometry(0, 0, 1280, 720), id="no-config-first-monitor"),
    pytest.param("[MAIN]\nShowOnMonitor=1\n", Geometry(1280, 0, 1280, 720), id="second-monitor"),
    pytest.param("[MAIN]\nShowOnMonitor=5\n", Geometry(1280, 0, 1280, 720), id="beyond-last-means-last"),
    pytest.param("[MAIN]\nShowOnMonitor=1\nOffsetX=100\n", Geometry(1380, 0, 1280, 720),
                 id="offset-reaches-past-the-edge"),
    pytest.param("[MAIN]\nShowOnMonitor=1\nMaxWidth=800\nMaxHeight=600\nOffSetY=20\n", Geometry(1280, 20, 800, 600),
                 id="size-on-second-monitor"),
]


@pytest.mark.parametrize("config, expected", TWO_MONITOR_CASES)
def test_window_placement_with_two_monitors(xorg2, make_board, config, expected):
    board, wid = start(make_board, xorg2, config)
    board.wait_for_geometry(expected, wid)
    harness.wait_for_screen(xorg2, loading_screen(expected))
    xorg2.move_pointer(expected.x + 200, expected.y + 200)
    wait_until(xorg2.cursor_is_blank, 10, what="a hidden cursor over the board")


# ----------------------------------------------------------------------------------------------
# Playlist mode stopped at start-up

def playlist_config(folder: str) -> str:
    return f"[MAIN]\nUsePlaylist=1\nImagesFolder={folder}\nNextImageTimer=60000\n"


PLAYLIST_CASES = [
    pytest.param(None, "Cannot find playlist. Expecting it in {folder}playlist.ini, if you do not want to use a "
                       "playlist then edit config.ini and set UsePlaylist to 0", id="missing-playlist"),
    pytest.param("[Item2]\nfile=a.png\nduration=5000\n",
                 "Playlist in {folder}playlist.ini, has no items. Populate with items, or turnoff playlist in "
                 "config.ini", id="first-section-item2"),
    pytest.param("[Item1]\n[Item2]\nfile=a.png\n",
                 "Playlist in {folder}playlist.ini, has no items. Populate with items, or turnoff playlist in "
                 "config.ini", id="item1-without-keys"),
]


@pytest.mark.parametrize("playlist, message", PLAYLIST_CASES)
def test_playlist_mode_without_a_first_item_shows_why(xvfb, make_board, tmp_root, playlist, message):
    show = tmp_root / "show"
    show.mkdir()
    folder = f"{show}/"
    if playlist is not None:
        (show / "playlist.ini").write_bytes(harness.crlf(playlist).encode())
    board = make_board(xvfb, playlist_config(folder))
    wid = board.main_window()

    expected = message.format(folder=folder)
    assert board.wait_for_message() == expected
    board.wait_for_geometry(SCREEN, wid)
    # The message replaces the loading text: a long red text, wider than half the window.
    harness.wait_for_screen(xvfb, board_screen_problems(SCREEN, min_label_width=640))
    assert board.messages() == [expected]
    assert board.is_running()


def test_a_folder_named_playlist_ini_is_no_playlist(xvfb, make_board, tmp_root):
    show = tmp_root / "show"
    (show / "playlist.ini").mkdir(parents=True)
    board = make_board(xvfb, playlist_config(f"{show}/"))
    board.main_window()
    assert board.wait_for_message() == (
        f"Cannot find playlist. Expecting it in {show}/playlist.ini, if you do not want to use a "
        "playlist then edit config.ini and set UsePlaylist to 0")
    assert board.is_running()


def test_playlist_mode_with_a_first_item_keeps_the_loading_text(xvfb, make_board, tmp_root):
    show = tmp_root / "show"
    show.mkdir()
    (show / "playlist.ini").write_bytes(harness.crlf("[Item1]\nfile=a.png\n").encode())
    board, wid = start(make_board, xvfb, playlist_config(f"{show}/"))
    board.wait_for_geometry(SCREEN, wid)
    # Start-up has run before the window appears, so a start-up message would be out by now.
    harness.wait_for_screen(xvfb, loading_screen(SCREEN))
    assert board.messages() == []


# ----------------------------------------------------------------------------------------------
# Master volume

@pytest.mark.parametrize("how", ["sigterm", "window-manager-close"])
def test_closing_puts_the_master_volume_back(xvfb, make_board, pulse, how):
    pulse.set_volume(40)
    board, wid = start(make_board, xvfb, pulse=pulse)
    board.wait_for_geometry(SCREEN, wid)
    assert pulse.get_volume() == pytest.approx(40, abs=1), "start-up changed the volume"

    pulse.set_volume(75)
    assert pulse.get_volume() == pytest.approx(75, abs=1)
    if how == "sigterm":
        board.terminate()
    else:
        board.close_window(wid)
    assert board.wait_exit() == 0
    assert pulse.get_volume() == pytest.approx(40, abs=1)


def test_start_and_close_keep_the_balance_of_the_channels(xvfb, make_board, pulse):
    pulse._pactl("set-sink-volume", pulse.SINK, "65536", "32768")
    board, wid = start(make_board, xvfb, pulse=pulse)
    board.wait_for_geometry(SCREEN, wid)
    board.terminate()
    assert board.wait_exit() == 0
    assert pulse.get_volume_raw() == [65536, 32768]


# ----------------------------------------------------------------------------------------------
# Start-up errors: the board keeps running in the state reached

def split_error_windows(board, x):
    """Waits for the board's two windows; returns (main window, error box) by their geometry."""
    wins = board.wait_for_window(count=2)
    geos = {w: x.window_geometry(w) for w in wins}
    mains = [w for w, g in geos.items() if g == DESIGN]
    assert mains, f"no window of the design size at the top left; windows: {geos}"
    main = mains[0]
    boxes = [w for w in wins if w != main and x.window_name(w) == "Tavorel"]
    assert boxes, f"no error box titled Tavorel; windows: {[(geos[w], x.window_name(w)) for w in wins]}"
    return main, boxes[0], geos


def assert_unplaced_window(board, x, main, box_geo):
    """The main window as it is before placement: grey, framed, with the cursor visible."""
    design = x.window_geometry(main)
    candidates = [(design.width - 6, design.height - 6), (design.width - 6, 40), (6, design.height - 6)]
    point = next(((px, py) for px, py in candidates if not box_geo.contains(px, py)), None)
    assert point is not None, f"the error box {box_geo} covers every probe point"

    def problems(shot):
        r, g, b = shot.getpixel(point)
        if max(r, g, b) - min(r, g, b) > 8 or not 100 <= r <= 250:
            return f"pixel {point} of the unplaced window is {(r, g, b)}, not the grey window colour"
        return None
    harness.wait_for_screen(x, problems)

    assert "_NET_WM_STATE_ABOVE" not in x.window_property(main, "_NET_WM_STATE")
    x.move_pointer(*point)
    wait_until(lambda: not x.cursor_is_blank(), 10, what="a visible cursor over the unplaced window")


def test_without_any_sound_device_the_board_starts_and_shows_its_items(xvfb, make_board):
    # A kiosk machine with no sound server and no mixer: one line says so, and the show goes on.
    picture = Image.new("RGB", (800, 720), (0, 0, 200))
    board = make_board(xvfb, "[MAIN]\nOffsetX=100\nMaxWidth=800\nNextImageTimer=300\n",
                       no_sound=True, files={"ERROR.LOG": b"", "a.png": picture})
    wid = board.main_window()
    board.wait_for_geometry(Geometry(100, 0, 800, 720), wid)
    board.wait_for_stderr("tavorel: item: ", count=3)
    assert len(board.wait_for_window()) == 1, "an error box came up"
    stderr = board.stderr()
    line = ("The master volume cannot be read; videos leave it as it is until the next start: "
            "System Error.  Code: ")
    assert stderr.count("tavorel: error: " + line) == 1, stderr
    log = (board.start_dir / "ERROR.LOG").read_bytes().decode().split("\r\n")[:-1]
    assert len(log) == 1 and line in log[0], log
    assert board.is_running()
    assert board.messages() == []
    # The close leaves the volume alone too, and ends the board.
    board.terminate()
    assert board.wait_exit() == 0


def test_a_negative_monitor_number_stops_startup_at_placement(xvfb, make_board, pulse):
    pulse.set_volume(40)
    board = make_board(xvfb, "[MAIN]\nShowOnMonitor=-1\n", pulse=pulse)
    main, box, geos = split_error_windows(board, xvfb)
    board.wait_for_stderr("tavorel: error:")
    assert_unplaced_window(board, xvfb, main, geos[box])
    assert board.is_running()


def test_a_close_whose_volume_step_fails_is_abandoned(xvfb, make_board, pulse):
    board, wid = start(make_board, xvfb, pulse=pulse)
    board.wait_for_geometry(SCREEN, wid)
    # The level was read at start; the sound server goes away before the close.
    pulse.stop()
    board.terminate()
    # The close tries to put the volume back, fails, reports it and the board runs on.
    board.wait_for_stderr("System Error.  Code:")
    with pytest.raises(harness.WaitTimeout):
        board.wait_exit(timeout=3)
    assert board.is_running()