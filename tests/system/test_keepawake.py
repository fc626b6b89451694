"""Keeping the display awake, seen from outside: the X screen saver held back over the board's
own X connection, and the power requests on the session and system buses, made once at the
first slide and withdrawn once when the board ends.

The buses are private dbus-daemons of the test, with small stand-ins for the desktop's
screen-saver service and for systemd-logind (fake_power_services.py) that write down every call.
"""

import contextlib
import ctypes
import shutil
import subprocess
import sys
import time
from pathlib import Path

from PIL import Image

import harness
from harness import wait_until

FAKES = Path(__file__).with_name("fake_power_services.py")
SCREEN_SAVER_ON = 1


def config(stop_screen_saver: bool, interval=400):
    return (f"[MAIN]\nNextImageTimer={interval}\nNewFilesTimer=60000\n"
            f"StopScreenSaver={int(stop_screen_saver)}\n")


def pictures():
    return {"a.png": Image.new("RGB", (64, 48), (0, 0, 255)), "b.png": Image.new("RGB", (64, 48), (0, 255, 0))}


def items(board):
    return [l for l in board.stderr().splitlines() if l.startswith("tavorel: item: ")]


def wait_for_items(board, count):
    wait_until(lambda: len(items(board)) >= count, harness.DEFAULT_TIMEOUT, what=f"{count} slides")


# ----------------------------------------------------------------------------------------------
# The X screen saver, read with XScreenSaverQueryInfo

class _XScreenSaverInfo(ctypes.Structure):
    _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong), ("eventMask", ctypes.c_ulong)]


def screen_saver(x) -> tuple[int, int]:
    """(state, idle milliseconds) of the X server's screen saver."""
    x11 = ctypes.CDLL("libX11.so.6")
    xss = ctypes.CDLL("libXss.so.1")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_XScreenSaverInfo)]
    dpy = x11.XOpenDisplay(x.display.encode())
    if not dpy:
        raise RuntimeError(f"cannot open {x.display}")
    try:
        info = _XScreenSaverInfo()
        if not xss.XScreenSaverQueryInfo(dpy, x11.XDefaultRootWindow(dpy), ctypes.byref(info)):
            raise RuntimeError("the X server has no MIT-SCREEN-SAVER extension")
        return info.state, info.idle
    finally:
        x11.XCloseDisplay(dpy)


def test_the_screen_saver_stays_off_with_stop_screen_saver(xvfb, make_board):
    xvfb.run(["xset", "s", "2", "2"])
    board = make_board(xvfb, config(True), files=pictures())
    wait_for_items(board, 1)
    deadline = time.monotonic() + 6
    longest_idle = 0
    while time.monotonic() < deadline:
        state, idle = screen_saver(xvfb)
        assert state != SCREEN_SAVER_ON, f"the screen saver came on after {idle} ms idle"
        longest_idle = max(longest_idle, idle)
        time.sleep(0.25)
    assert longest_idle > 4000, "the server was not left idle long enough for the saver to start"
    # Once the board has gone, the saver works as the server is set up.
    board.terminate()
    assert board.wait_exit() == 0
    wait_until(lambda: screen_saver(xvfb)[0] == SCREEN_SAVER_ON, 10, what="the screen saver after the board")


def test_the_screen_saver_comes_on_without_stop_screen_saver(xvfb, make_board):
    xvfb.run(["xset", "s", "2", "2"])
    board = make_board(xvfb, config(False), files=pictures())
    wait_for_items(board, 1)
    wait_until(lambda: screen_saver(xvfb)[0] == SCREEN_SAVER_ON, 10, what="the screen saver over the board")
    assert board.is_running()


# ----------------------------------------------------------------------------------------------
# Power requests on the buses

@contextlib.contextmanager
def fake_service(kind, bus, log: Path):
    log.write_text("")
    proc = subprocess.Popen([sys.executable, str(FAKES), kind, bus.address, str(log)],
                            stdin=subprocess.DEVNULL, stderr=open(log.with_suffix(".err"), "wb"),
                            start_new_session=True)
    try:
        wait_until(lambda: proc.poll() is not None or "ready" in log.read_text(), 15,
                   what=f"the fake {kind} service")
        assert proc.poll() is None, f"the fake {kind} service ended: {log.with_suffix('.err').read_text()}"
        yield log
    finally:
        harness.stop_process(proc)


def calls(log: Path) -> list[str]:
    return [l for l in log.read_text().splitlines() if l != "ready"]


@contextlib.contextmanager
def power_services(tmp_root, session):
    with harness.DBusSession(tmp_root, name="systembus") as system, \
         fake_service("screensaver", session, tmp_root / "screensaver.log") as saver_log, \
         fake_service("logind", system, tmp_root / "logind.log") as logind_log:
        yield system, saver_log, logind_log


def test_one_request_at_the_first_slide_and_one_withdrawal_at_the_end(tmp_root, xvfb, dbus_session, make_board):
    with power_services(tmp_root, dbus_session) as (system, saver_log, logind_log):
        board = make_board(xvfb, config(True, interval=2500), files=pictures(), dbus=dbus_session,
                           env={"DBUS_SYSTEM_BUS_ADDRESS": system.address})
        board.wait_for_window()
        # Start-up asks for nothing; the first slide does.
        assert items(board) == [] and calls(saver_log) == [] and calls(logind_log) == []
        wait_for_items(board, 1)
        wait_until(lambda: calls(saver_log) and calls(logind_log), 10, what="the power requests")
        wait_for_items(board, 4)
        inhibits = calls(saver_log)
        assert len(inhibits) == 1 and inhibits[0].startswith("Inhibit Tavorel -> "), inhibits
        cookie = inhibits[0].rsplit(" ", 1)[1]
        # The lock's descriptor is kept open for as long as the request stands.
        assert calls(logind_log) == ["Inhibit sleep:idle Tavorel block"]

        board.terminate()
        assert board.wait_exit() == 0
        assert calls(saver_log) == [inhibits[0], f"UnInhibit {cookie}"]
        wait_until(lambda: "released" in calls(logind_log), 5, what="the logind lock to be released")
        assert calls(logind_log) == ["Inhibit sleep:idle Tavorel block", "released"]


def test_no_request_without_stop_screen_saver(tmp_root, xvfb, dbus_session, make_board):
    with power_services(tmp_root, dbus_session) as (system, saver_log, logind_log):
        board = make_board(xvfb, config(False), files=pictures(), dbus=dbus_session,
                           env={"DBUS_SYSTEM_BUS_ADDRESS": system.address})
        wait_for_items(board, 5)
        board.close_window()
        assert board.wait_exit() == 0
        time.sleep(0.5)
        assert calls(saver_log) == [] and calls(logind_log) == []


def test_no_session_bus_is_started_when_none_is_set(tmp_root, xvfb, make_board):
    # Without dbus-launch nothing could be autolaunched, and the test would prove nothing.
    assert shutil.which("dbus-launch", path=harness.BASE_PATH), "dbus-launch (dbus-x11) is missing"
    board = make_board(xvfb, config(True), files=pictures(), start=False)
    del board.env["DBUS_SESSION_BUS_ADDRESS"]
    board.env["DBUS_SYSTEM_BUS_ADDRESS"] = f"unix:path={tmp_root}/no-system-bus"
    board.start()
    wait_for_items(board, 4)
    board.terminate()
    assert board.wait_exit() == 0
    # An autolaunched bus leaves its address under the home directory and runs on.
    assert not (board.home / ".dbus").exists()
    assert processes_with_home(board.home) == []


def processes_with_home(home: Path) -> list[str]:
    """Programs still running with the board's home directory in their environment."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            environ = (entry / "environ").read_bytes().split(b"\0")
            exe = str((entry / "exe").readlink())
        except OSError:
            continue
        if f"HOME={home}".encode() in environ and harness.pid_alive(int(entry.name)):
            found.append(exe)
    return found
