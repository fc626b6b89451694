"""Checks of the test harness itself, with throwaway clients instead of the board.

Every later system test relies on these pieces, so a broken tool or server shows up here first
and not as a puzzling board failure.
"""

import subprocess
import urllib.error
import urllib.request

import pytest

import harness
from harness import Geometry, wait_until


def test_xvfb_servers_get_distinct_free_displays_and_white_roots(tmp_root):
    with harness.Xvfb(tmp_root, name="a") as a, harness.Xvfb(tmp_root, 800, 600, name="b") as b:
        assert a.display != b.display
        assert a.root_size() == (1280, 720)
        assert b.root_size() == (800, 600)
        shot = b.screenshot()
        assert shot.size == (800, 600)
        assert shot.getpixel((400, 300)) == (255, 255, 255)
        pid = a.proc.pid
    assert not harness.pid_alive(pid)


def test_dummy_xorg_has_two_monitors_side_by_side(xorg2):
    assert xorg2.monitors() == [Geometry(0, 0, 1280, 720), Geometry(1280, 0, 1280, 720)]
    assert xorg2.root_size() == (2560, 720)
    assert xorg2.screenshot().size == (2560, 720)


def _xmessage(x, tmp_root, geometry):
    log = open(tmp_root / "xmessage.log", "wb")
    return subprocess.Popen(["xmessage", "-geometry", geometry, "-name", "harnesscheck", "harness check"],
                            env={"PATH": harness.BASE_PATH, "DISPLAY": x.display, "LC_ALL": "C"},
                            stdout=log, stderr=log, start_new_session=True)


def test_window_geometry_cursor_and_wm_close_on_a_plain_client(xvfb, tmp_root):
    proc = _xmessage(xvfb, tmp_root, "+100+50")
    try:
        wid = wait_until(lambda: xvfb.find_windows_by_name("harnesscheck"), what="xmessage window")[0]
        geo = xvfb.window_geometry(wid)
        assert (geo.x, geo.y) == (100, 50)
        assert geo.width > 10 and geo.height > 10
        assert xvfb.window_name(wid) == "harnesscheck"
        # The window is drawn over the white root.
        box = (geo.x, geo.y, geo.x + geo.width, geo.y + geo.height)
        not_white = lambda rgb: rgb != (255, 255, 255)
        wait_until(lambda: harness.find_color_bbox(xvfb.screenshot(), not_white, box), what="xmessage drawn")
        shot = xvfb.last_screenshot
        assert shot.getpixel((geo.x + geo.width + 20, geo.y + geo.height + 20)) == (255, 255, 255)

        # The server's default cursor is visible; a root cursor made of an empty bitmap is not.
        xvfb.move_pointer(600, 400)
        assert not xvfb.cursor_is_blank()
        empty = tmp_root / "empty.xbm"
        empty.write_text("#define e_width 16\n#define e_height 16\nstatic unsigned char e_bits[] = {\n"
                         + ", ".join(["0x00"] * 32) + "};\n")
        xvfb.run(["xsetroot", "-cursor", str(empty), str(empty)])
        xvfb.move_pointer(610, 410)
        assert wait_until(xvfb.cursor_is_blank, 10, what="blank root cursor")

        # WM_DELETE_WINDOW ends xmessage as a window manager's close would.
        xvfb.send_wm_delete(wid)
        proc.wait(harness.DEFAULT_TIMEOUT)
    finally:
        harness.stop_process(proc)


def test_pulse_server_volume_round_trip_and_no_sound_environment(pulse, tmp_root):
    pulse.set_volume(40)
    assert pulse.get_volume() == pytest.approx(40, abs=0.5)
    pulse.set_volume_raw(49152)
    assert pulse.get_volume_raw() == [49152, 49152]
    assert pulse.get_volume() == pytest.approx(75, abs=0.01)

    env = {"PATH": harness.BASE_PATH, "HOME": str(tmp_root), "LC_ALL": "C", **harness.no_sound_env(tmp_root)}
    result = subprocess.run(["pactl", "info"], env=env, capture_output=True, text=True, timeout=30)
    assert result.returncode != 0
    alsa = subprocess.run(["amixer", "scontrols"], env=env, capture_output=True, text=True, timeout=30)
    assert alsa.returncode != 0


def test_session_bus_and_web_server_answer(dbus_session, http_server, tmp_root):
    result = subprocess.run(["dbus-send", f"--bus={dbus_session.address}", "--print-reply",
                             "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.GetId"],
                            capture_output=True, text=True, timeout=30, env={"PATH": harness.BASE_PATH})
    assert result.returncode == 0, result.stderr

    (http_server.root_dir / "page.html").write_text("<p>hello board</p>")
    with urllib.request.urlopen(http_server.url("page.html"), timeout=30) as response:
        assert response.read() == b"<p>hello board</p>"
    with pytest.raises(urllib.error.HTTPError):
        urllib.request.urlopen(http_server.url("missing.html"), timeout=30)
    wait_until(lambda: http_server.requests() == ["/page.html", "/missing.html"], 10, what="request log")
