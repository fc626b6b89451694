"""The board as a native Wayland client, under a headless sway with two outputs (HEADLESS-1
800x600 at 0,0 and HEADLESS-2 640x480 at 800,0): its full-screen window on the chosen output, the
board's area inside it where the offsets and sizes put it (black around it) for pictures, clips
and pages, the compositor's idle inhibitor beside the D-Bus requests, and the control files.
sway's tree gives each window's output, rectangle, full-screen state and idle inhibition; grim
gives one output's pixels.
"""

import pytest
from PIL import Image

import harness
import playlist_support
import video_support
from video_support import gst_registry  # noqa: F401 (fixture)
import web_support
from harness import wait_until
from test_keepawake import SCREEN_SAVER_ON, calls, power_services, screen_saver

RED = (255, 0, 0)
OUTPUTS = harness.Sway.OUTPUTS


def red_picture(size=(64, 48)):
    return Image.new("RGB", size, RED)


def full_screen_on(output):
    return lambda v: v.fullscreen and v.output == output and v.rect == OUTPUTS[output]


def output_of(board, monitor=0):
    """The output ShowOnMonitor=monitor names for this board: its screens in the order Qt lists
    them, which the board prints at start-up (a number past the last one means the last one)."""
    line = wait_until(lambda: next((l for l in board.stderr().splitlines()
                                    if l.startswith("tavorel: screens: ")), None),
                      harness.DEFAULT_TIMEOUT, what="the board's list of screens")
    names = [entry.split()[0] for entry in line[len("tavorel: screens: "):].split(", ")]
    assert sorted(names) == sorted(OUTPUTS), names
    return names[min(monitor, len(names) - 1)]


def items(board):
    return [l for l in board.stderr().splitlines() if l.startswith("tavorel: item: ")]


def area_problems(box, colour):
    """A check for wait_for_output: the box (left, top, right, bottom exclusive, clipped to the
    output) is filled with the colour to its edges, and everything else on the output is black."""
    def problems(shot):
        clipped = (box[0], box[1], min(box[2], shot.width), min(box[3], shot.height))
        inside = [p for p in video_support.sample_points(clipped)
                  if not video_support.near(shot.getpixel(p), colour)]
        if inside:
            return f"{len(inside)} points in {clipped} are not {colour}, e.g. {shot.getpixel(inside[0])} at {inside[0]}"
        outside = harness.count_pixels(shot, lambda rgb: not harness.is_black(rgb)) - \
            harness.count_pixels(shot, lambda rgb: not harness.is_black(rgb), box=clipped)
        if outside:
            return f"{outside} pixels outside {clipped} are not black"
        return None
    return problems


def wait_for_output(sway, output, problems, timeout=harness.DEFAULT_TIMEOUT):
    """Polls screenshots of one output until problems(shot) has no complaint; returns the shot."""
    last = {}

    def probe():
        shot = sway.screenshot(output)
        last["why"] = problems(shot)
        return shot if last["why"] is None else None
    try:
        return wait_until(probe, timeout, interval=0.1, what=f"the expected picture on {output}")
    except harness.WaitTimeout as exc:
        raise AssertionError(f"{exc}: {last.get('why')}") from None


def test_the_window_covers_the_chosen_output_full_screen(sway, make_board):
    # Outputs are counted as Qt lists them; a number past the last one means the last one.
    seen = set()
    for setting, monitor in (("", 0), ("ShowOnMonitor=1\n", 1), ("ShowOnMonitor=5\n", 5)):
        board = make_board(sway, f"[MAIN]\nNextImageTimer=500\n{setting}", files={"a.png": red_picture()})
        output = output_of(board, monitor)
        seen.add(output)
        view = sway.wait_for_view(board.pid, full_screen_on(output), what=f"full screen on {output}")
        assert not view.decorated and view.app_id == "tavorel"
        # The picture, centred in the whole output, and nothing of the board on the other one.
        g = OUTPUTS[output]
        centre = ((g.width - 64) // 2, (g.height - 48) // 2)
        wait_for_output(sway, output, area_problems((*centre, centre[0] + 64, centre[1] + 48), RED))
        other = next(name for name in OUTPUTS if name != output)
        assert harness.red_bbox(sway.screenshot(other)) is None
        assert "full screen" not in board.stderr() and "idle inhibitor" not in board.stderr()
        board.stop()
    assert seen == set(OUTPUTS), f"the numbers did not reach every output: {seen}"


@pytest.mark.parametrize("settings, box", [
    ("OffsetX=100\nOffSetY=50\nMaxWidth=400\nMaxHeight=300\n", (100, 50, 500, 350)),
    # The offsets do not shrink the area: it reaches past the output's edges.
    ("OffsetX=200\nOffSetY=100\n", (200, 100, 1000, 700)),
    # A size is absolute, not limited to the output.
    ("MaxWidth=1000\nMaxHeight=200\n", (0, 0, 1000, 200)),
])
def test_offsets_and_sizes_place_the_area_inside_the_full_screen_window(sway, make_board, settings, box):
    board = make_board(sway, f"[MAIN]\nNextImageTimer=500\nStretchImage=1\nKeepAspectRatio=0\n{settings}",
                       files={"a.png": red_picture()})
    output = output_of(board)
    sway.wait_for_view(board.pid, full_screen_on(output), what=f"full screen on {output}")
    wait_for_output(sway, output, area_problems(box, RED))


def test_a_clip_and_a_page_show_in_the_area(sway, make_board, http_server, gst_registry):
    (http_server.root_dir / "blue.html").write_text(web_support.coloured_page((0, 0, 255)))
    box = (120, 80, 440, 320)

    def files(show):
        video_support.clip(show / "a.mp4", colour=video_support.GREEN, seconds=3)
        (show / "b.url").write_text(web_support.shortcut(http_server.url("/blue.html")))
    board, _ = video_support.video_board(
        make_board, sway, gst_registry, files,
        config="ShowOnMonitor=1\nNextImageTimer=2500\nNoSound=1\n"
               "OffsetX=120\nOffSetY=80\nMaxWidth=320\nMaxHeight=240\n",
        env=web_support.WEB_ENV)
    output = output_of(board, 1)
    sway.wait_for_view(board.pid, full_screen_on(output), what=f"full screen on {output}")
    wait_for_output(sway, output, area_problems(box, video_support.GREEN))
    wait_for_output(sway, output, area_problems(box, (0, 0, 255)), timeout=60)


def test_a_caption_shows_over_its_picture_in_the_area(sway, make_board):
    box = (100, 50, 500, 350)
    green = (0, 200, 0)
    files = {"green.png": Image.new("RGB", (400, 300), green), "sale.rtf": playlist_support.red_caption_rtf()}
    items = [{"FileName": "green.png", "AddRichText": "sale.rtf", "TextVAlign": 2, "duration": 60000}]
    board = playlist_support.make_playlist_board(make_board, sway, items, files,
                                                 "OffsetX=100\nOffSetY=50\nMaxWidth=400\nMaxHeight=300\n")

    def problems(shot):
        red = harness.red_bbox(shot)
        if red is None:
            return "no red caption"
        if not (box[0] <= red[0] and box[1] <= red[1] and red[2] <= box[2] and red[3] <= box[3]):
            return f"the caption {red} is not inside the area {box}"
        # Bottom-aligned in the area, not in the output.
        if not box[3] - 120 <= red[3] <= box[3]:
            return f"the caption {red} does not sit at the bottom of the area {box}"
        return playlist_support.caption_over(shot.crop(box), lambda rgb: video_support.near(rgb, green))
    shot = wait_for_output(sway, output_of(board), problems)
    outside = harness.count_pixels(shot, lambda rgb: not harness.is_black(rgb)) - \
        harness.count_pixels(shot, lambda rgb: not harness.is_black(rgb), box=box)
    assert outside == 0, f"{outside} pixels outside the area are not black"


def test_the_idle_inhibitor_holds_beside_the_desktop_requests(tmp_root, sway, dbus_session, make_board):
    with power_services(tmp_root, dbus_session) as (system, saver_log, logind_log):
        board = make_board(sway, "[MAIN]\nNextImageTimer=500\nStopScreenSaver=1\n",
                           files={"a.png": red_picture()}, dbus=dbus_session,
                           env={"DBUS_SYSTEM_BUS_ADDRESS": system.address})
        view = sway.wait_for_view(board.pid, lambda v: v.fullscreen and v.application_inhibitor,
                                  what="the board's idle inhibitor")
        assert view.inhibit_idle
        wait_until(lambda: calls(saver_log) and calls(logind_log), 10, what="the D-Bus power requests")
        assert "idle inhibitor" not in board.stderr().replace("the compositor's idle inhibitor is on", "")
        board.terminate()
        assert board.wait_exit() == 0
        assert calls(saver_log)[-1].startswith("UnInhibit ")

    quiet = make_board(sway, "[MAIN]\nNextImageTimer=300\n", files={"a.png": red_picture()})
    sway.wait_for_view(quiet.pid, lambda v: v.fullscreen, what="full screen")
    wait_until(lambda: len(items(quiet)) >= 5, what="five slides")
    view = sway.wait_for_view(quiet.pid)
    assert not view.application_inhibitor and not view.inhibit_idle


def test_control_files_and_the_compositors_close(sway, make_board):
    board = make_board(sway, "[MAIN]\nShowOnMonitor=1\nNextImageTimer=500\nNewFilesTimer=500\n",
                       files={"a.png": red_picture()})
    output = output_of(board, 1)
    sway.wait_for_view(board.pid, full_screen_on(output), what=f"full screen on {output}")
    # REBOOT.APP: a fresh copy takes the output, full screen, and this one ends.
    (board.start_dir / "REBOOT.APP").write_bytes(b"")
    assert board.wait_exit() == 0
    assert not (board.start_dir / "REBOOT.APP").exists()
    copy = wait_until(lambda: (board.processes() or [None])[0], what="the fresh copy")
    sway.wait_for_view(copy, full_screen_on(output), what=f"the copy full screen on {output}")
    # CLOSE.APP ends the copy.
    (board.start_dir / "CLOSE.APP").write_bytes(b"")
    wait_until(lambda: not harness.pid_alive(copy), what="the copy to end")
    assert not (board.start_dir / "CLOSE.APP").exists()
    assert sway.views() == []

    # The compositor's close request closes the board as a window manager's close does.
    closing = make_board(sway, "[MAIN]\nNextImageTimer=500\n", files={"a.png": red_picture()})
    sway.wait_for_view(closing.pid, lambda v: v.fullscreen, what="full screen")
    sway.command(f"[pid={closing.pid}] kill")
    assert closing.wait_exit() == 0


def test_no_x11_call_beside_an_x_server_of_the_session(sway, xvfb, make_board):
    # As in a GNOME session: DISPLAY names Xwayland's server, XDG_SESSION_TYPE says wayland.
    xvfb.run(["xset", "s", "2", "2"])
    board = make_board(sway, "[MAIN]\nNextImageTimer=300\nStopScreenSaver=1\n",
                       files={"a.png": red_picture()}, env={"DISPLAY": xvfb.display})
    sway.wait_for_view(board.pid, lambda v: v.fullscreen and v.application_inhibitor,
                       what="full screen with the idle inhibitor")
    wait_until(lambda: len(items(board)) >= 3, what="three slides")
    # The board holds nothing on that server: its screen saver comes on as set up.
    wait_until(lambda: screen_saver(xvfb)[0] == SCREEN_SAVER_ON, 10, what="the X screen saver")
    assert board.is_running()


def test_a_compositor_without_idle_inhibit_gets_one_line_and_the_show_goes_on(tmp_root, make_board):
    with harness.Weston(tmp_root) as weston:
        board = make_board(weston, "[MAIN]\nNextImageTimer=300\nStopScreenSaver=1\n",
                           files={"a.png": red_picture(), "b.png": red_picture((32, 32))})
        wait_until(lambda: len(items(board)) >= 6, what="six slides")
        assert board.is_running()
        lines = [l for l in board.stderr().splitlines() if "the compositor" in l]
        assert lines == ["tavorel: error: the compositor offers no idle inhibitor "
                         "(zwp_idle_inhibit_manager_v1); the display may blank"], lines
        board.terminate()
        assert board.wait_exit() == 0
