"""System-test harness for the Tavorel board.

System tests start the real ``tavorel`` program in a temporary start directory under an X server
of their own and watch it from outside: screenshots and pixel colours, window geometry, files,
processes and exit codes. Nothing here touches the machine's own display, sound or session bus.

Running
    cd build && ctest -L system --output-on-failure
    or, for one file:  cd tests/system && TAVOREL_BINARY=../../build/tavorel \
                           /usr/bin/python3 -m pytest -q -p no:cacheprovider test_window.py
    TAVOREL_BINARY   path of the built program (required).
    TAVOREL_KEEP_TEMP=1  keeps every test's temporary directory and prints where it is.
    A failing test keeps its temporary directory anyway and saves there a fresh screenshot
    (failure-screen.png), the last screenshot the test took (last-screenshot.png) and a copy of
    each board's stderr; the path is printed in the test's report.

Pieces (all stop what they started by PID: terminate, wait, kill; all are context managers)
    wait_until(predicate, timeout, interval, what)  poll until predicate() is truthy; returns it.
    TempRoot                 a temporary directory, removed on exit unless kept.
    ServerProcess            what every server below shares: <root>/<name>, one child in its own
                             session logged there, start-up that ends ready or stopped, stop().
    Xvfb(root, 1280, 720)    one-screen X server on a free display (-displayfd), white root.
    DummyXorg(root)          Xorg with the dummy driver and two 1280x720 monitors side by side
                             (DUMMY0 at +0+0, DUMMY1 at +1280+0), checked with xrandr.
        XServer methods: .display, .env(), screenshot(), pixel(x, y), visible_windows(pid),
        window_geometry(wid), window_name(wid), move_pointer(x, y), cursor_image(),
        cursor_is_blank(), send_wm_delete(wid), monitors(), run(cmd).
    Sway(root)               headless sway, two outputs (HEADLESS-1 800x600 at 0,0, HEADLESS-2
                             640x480 at 800,0), run as the user tavorel-wl: .env() for a Wayland
                             board, views(pid), wait_for_view(pid, predicate), screenshot(output),
                             command(text).
    Weston(root)             headless weston (kiosk shell, one 640x480 output): full screen but
                             no idle inhibitor; .env(), no screenshots.
    PulseServer(root)        PulseAudio with one null sink "board"; .env(), get_volume(),
                             set_volume(percent), get_volume_raw(), set_volume_raw(value).
    no_sound_env(root)       environment in which neither a pulse server nor an ALSA mixer exists.
    DBusSession(root)        private session bus; .address.
    HttpServer(root_dir, log)  static files on 127.0.0.1:<free port>; .url(path), .requests().
    Board(x, root, config=..., files=..., pulse=... | no_sound=True)
        makes <root>/<name>/start with a copy of the program as ``tavorel``, config.ini (written
        with CRLF line ends) and extra files (bytes, text or PIL images); start(), .pid,
        wait_for_window(), main_window(), windows(), geometry(), screenshot(), stderr(),
        messages(), wait_for_stderr(text), terminate(), close_window(), wait_exit(), is_running(),
        processes() (every process running the copy), stop().

Screens: wait_for_screen(x, problems) polls screenshots until problems(shot) has no complaint;
red_bbox, max_green_blue, non_white_outside, clip_box, find_color_bbox, count_pixels, is_red and
is_black help say what is drawn where.
The board prints diagnostics on stderr when TAVOREL_DEBUG=1 (the harness sets it): each message
it shows appears as a line ``tavorel: message: <text>``.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import http.server
import io
import json
import os
import pwd
import re
import shutil
import signal
import socketserver
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass
from pathlib import Path

from PIL import Image, ImageChops

# Deadlines are generous: the machine has two cores and builds may run beside the tests.
DEFAULT_TIMEOUT = 30.0
STOP_TIMEOUT = 10.0
BASE_PATH = "/usr/local/bin:/usr/bin:/bin"


class WaitTimeout(AssertionError):
    """A polled condition did not come true before its deadline."""


def wait_until(predicate, timeout=DEFAULT_TIMEOUT, interval=0.05, what=None):
    """Calls predicate() until it returns something truthy and returns that value.

    Raises WaitTimeout (an AssertionError) naming `what` when the deadline passes. Other errors
    of the probe count as "not yet", except an AssertionError, which the probe raises to give up
    at once (for example when the board has ended). The poll interval grows slowly up to 0.5 s
    so long waits stay light.
    """
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = predicate()
            last_error = None
        except AssertionError:  # the probe gives up: no use waiting on
            raise
        except Exception as exc:  # a probe may fail while things start up
            value = None
            last_error = exc
        if value:
            return value
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error!r})" if last_error else ""
            raise WaitTimeout(f"timed out after {timeout:.0f} s waiting for {what or predicate}{detail}")
        time.sleep(interval)
        interval = min(interval * 1.25, 0.5)


def stop_process(proc: subprocess.Popen | None, timeout=STOP_TIMEOUT, sig=signal.SIGTERM):
    """Stops one child by its PID: the signal, a wait with deadline, then SIGKILL."""
    if proc is None or proc.poll() is not None:
        return
    try:
        proc.send_signal(sig)
        proc.wait(timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(timeout)
    except ProcessLookupError:
        pass


def kill_pid(pid: int, timeout=STOP_TIMEOUT):
    """Stops a process that is not our child (for example a copy the board started itself)."""
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if not pid_alive(pid):
            return
        time.sleep(0.05)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def pid_alive(pid: int) -> bool:
    """True while the process exists and is not a zombie."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, ProcessLookupError, IndexError):
        return False
    return state not in ("Z", "X")


def keep_temp() -> bool:
    return os.environ.get("TAVOREL_KEEP_TEMP", "") not in ("", "0")


def read_display_number(fd: int, proc: subprocess.Popen, timeout: float, log_hint: str) -> int:
    """Reads the display number an X server writes to -displayfd."""
    data = b""
    deadline = time.monotonic() + timeout
    os.set_blocking(fd, False)
    try:
        while not data.endswith(b"\n"):
            try:
                chunk = os.read(fd, 64)
                if not chunk:
                    break
                data += chunk
                continue
            except BlockingIOError:
                pass
            if proc.poll() is not None:
                raise RuntimeError(f"X server ended with code {proc.returncode} before it was ready; {log_hint}")
            if time.monotonic() >= deadline:
                raise RuntimeError(f"X server did not report its display in {timeout} s; {log_hint}")
            time.sleep(0.02)
    finally:
        os.close(fd)
    if not data.strip().isdigit():
        raise RuntimeError(f"X server gave no display number ({data!r}); {log_hint}")
    return int(data)


class ServerProcess:
    """What every server a test starts shares: a folder <root>/<name> of its own, one child in a
    session of its own with its output in a log there, a start-up that either ends ready or stops
    the child again, and a stop by its PID. A context manager; stop() may be called at any time."""

    program = "the server"  # as failures name it

    def __init__(self, root: Path, name: str):
        self.dir = Path(root) / name
        self.dir.mkdir(parents=True, exist_ok=True)
        self.proc: subprocess.Popen | None = None
        self.log = self.dir / "server.out"
        self.last_screenshot: Image.Image | None = None

    def _launch(self, argv, env, log=None, reply=False, **popen):
        """Starts the child with env as its whole environment and its output in the log
        (<dir>/server.out unless named). With reply its standard output comes back as text
        through self.proc.stdout instead, and only its errors go to the log."""
        if log is not None:
            self.log = self.dir / log
        with open(self.log, "wb") as out:
            self.proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                         stdout=subprocess.PIPE if reply else out,
                                         stderr=out if reply else subprocess.STDOUT, text=reply,
                                         start_new_session=True, **popen)

    def _starting(self, step):
        """Runs one step of the start-up and returns its result; on any failure the child is
        stopped before the failure goes on."""
        try:
            return step()
        except BaseException:
            self.stop()
            raise

    def _await(self, probe, what, timeout=DEFAULT_TIMEOUT):
        """Waits until probe() gives something truthy and returns it; gives up at once when the
        child has ended. The child is stopped when the wait fails."""
        def ready():
            if self.proc.poll() is not None:
                raise AssertionError(f"{self.program} ended with code {self.proc.returncode}; see {self.log}")
            return probe()
        return self._starting(lambda: wait_until(ready, timeout, what=what))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        stop_process(self.proc)
        if self.proc is not None and self.proc.stdout:
            self.proc.stdout.close()


class TempRoot:
    """A temporary directory for one test; removed on exit unless kept (TAVOREL_KEEP_TEMP)."""

    def __init__(self, prefix="tavorel-test-"):
        self.path = Path(tempfile.mkdtemp(prefix=prefix))
        self.keep = keep_temp()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.cleanup()

    def cleanup(self):
        if self.keep:
            print(f"[harness] temporary files kept in {self.path}", file=sys.stderr)
        else:
            shutil.rmtree(self.path, ignore_errors=True)


# ----------------------------------------------------------------------------------------------
# Xlib through ctypes: WM_DELETE_WINDOW and the cursor image.

class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("l", ctypes.c_long * 5),
    ]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class _XFixesCursorImage(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_short),
        ("y", ctypes.c_short),
        ("width", ctypes.c_ushort),
        ("height", ctypes.c_ushort),
        ("xhot", ctypes.c_ushort),
        ("yhot", ctypes.c_ushort),
        ("cursor_serial", ctypes.c_ulong),
        ("pixels", ctypes.POINTER(ctypes.c_ulong)),
        ("atom", ctypes.c_ulong),
        ("name", ctypes.c_char_p),
    ]


_xlib = None


def _libs():
    global _xlib
    if _xlib is None:
        x11 = ctypes.CDLL("libX11.so.6")
        xfixes = ctypes.CDLL("libXfixes.so.3")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(_XEvent)]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XFree.argtypes = [ctypes.c_void_p]
        xfixes.XFixesQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                                ctypes.POINTER(ctypes.c_int)]
        xfixes.XFixesQueryVersion.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_int)]
        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_XFixesCursorImage)
        xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        _xlib = (x11, xfixes)
    return _xlib


class _XConnection:
    def __init__(self, display: str):
        self.x11, self.xfixes = _libs()
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open X display {display}")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.x11.XCloseDisplay(self.dpy)


# ----------------------------------------------------------------------------------------------
# X servers

@dataclass(frozen=True)
class Geometry:
    x: int
    y: int
    width: int
    height: int

    def contains(self, px, py) -> bool:
        return self.x <= px < self.x + self.width and self.y <= py < self.y + self.height


class XServer(ServerProcess):
    """Common part of the X servers: start on a free display, helpers run against it."""

    program = "the X server"

    def __init__(self, root: Path, name: str):
        super().__init__(root, name)
        self.display = None

    def _start(self, argv, log_hint, timeout=DEFAULT_TIMEOUT):
        r, w = os.pipe()
        try:
            self._launch(argv + ["-displayfd", str(w)], self._server_env(), pass_fds=(w,))
        finally:
            os.close(w)
        self.display = f":{self._starting(lambda: read_display_number(r, self.proc, timeout, log_hint))}"
        self._await(lambda: self.run(["xdpyinfo"], check=False).returncode == 0,
                    f"X server {self.display} to accept clients", timeout)

    def _server_env(self):
        return {"PATH": BASE_PATH, "HOME": str(self.dir)}

    def env(self) -> dict:
        """The variables a client of this server needs (nothing else)."""
        return {"DISPLAY": self.display}

    def run(self, argv, check=True, timeout=DEFAULT_TIMEOUT, binary=False) -> subprocess.CompletedProcess:
        env = {"PATH": BASE_PATH, "HOME": str(self.dir), "DISPLAY": self.display, "LC_ALL": "C"}
        result = subprocess.run(argv, env=env, capture_output=True, timeout=timeout, text=not binary,
                                stdin=subprocess.DEVNULL)
        if check and result.returncode != 0:
            raise RuntimeError(f"{argv} failed with code {result.returncode}: {result.stderr!r}")
        return result

    # --- pictures
    def screenshot(self) -> Image.Image:
        """The whole root window as an RGB image."""
        data = self.run(["import", "-silent", "-window", "root", "png:-"], binary=True).stdout
        image = Image.open(io.BytesIO(data)).convert("RGB")
        self.last_screenshot = image
        return image

    def pixel(self, x, y) -> tuple:
        return self.screenshot().getpixel((x, y))

    # --- windows
    def visible_windows(self, pid: int) -> list[int]:
        """Mapped windows that carry _NET_WM_PID = pid, in stacking search order."""
        result = self.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], check=False)
        return [int(line) for line in result.stdout.split()]

    def find_windows_by_name(self, pattern: str) -> list[int]:
        result = self.run(["xdotool", "search", "--onlyvisible", "--name", pattern], check=False)
        return [int(line) for line in result.stdout.split()]

    def window_geometry(self, wid: int) -> Geometry:
        """Position on the root window (absolute) and size of the window's own area."""
        out = self.run(["xwininfo", "-id", str(wid)]).stdout
        def field(label):
            m = re.search(rf"{label}:\s+(-?\d+)", out)
            if not m:
                raise RuntimeError(f"xwininfo gave no {label!r}: {out}")
            return int(m.group(1))
        return Geometry(field("Absolute upper-left X"), field("Absolute upper-left Y"),
                        field("Width"), field("Height"))

    def window_property(self, wid: int, name: str) -> str:
        """xprop's text for one property of a window ("... not found." when it is not set)."""
        return self.run(["xprop", "-id", str(wid), name], check=False).stdout.strip()

    def window_name(self, wid: int) -> str:
        return self.run(["xdotool", "getwindowname", str(wid)], check=False).stdout.rstrip("\n")

    def root_size(self) -> tuple[int, int]:
        out = self.run(["xwininfo", "-root"]).stdout
        return (int(re.search(r"Width:\s+(\d+)", out).group(1)),
                int(re.search(r"Height:\s+(\d+)", out).group(1)))

    def monitors(self) -> list[Geometry]:
        """Monitors as xrandr lists them, in its order."""
        out = self.run(["xrandr", "--listmonitors"]).stdout
        found = []
        for m in re.finditer(r"^\s*\d+:\s+\S+\s+(\d+)/\d+x(\d+)/\d+\+(-?\d+)\+(-?\d+)", out, re.M):
            w, h, x, y = map(int, m.groups())
            found.append(Geometry(x, y, w, h))
        return found

    # --- pointer and cursor
    def move_pointer(self, x, y):
        self.run(["xdotool", "mousemove", "--sync", str(x), str(y)])

    def cursor_image(self) -> tuple[int, int, list[int]]:
        """The cursor the server shows now: (width, height, ARGB pixels)."""
        with _XConnection(self.display) as c:
            ev, er = ctypes.c_int(), ctypes.c_int()
            if not c.xfixes.XFixesQueryExtension(c.dpy, ctypes.byref(ev), ctypes.byref(er)):
                raise RuntimeError("the X server has no XFIXES extension")
            major, minor = ctypes.c_int(6), ctypes.c_int(0)
            c.xfixes.XFixesQueryVersion(c.dpy, ctypes.byref(major), ctypes.byref(minor))
            img = c.xfixes.XFixesGetCursorImage(c.dpy)
            if not img:
                raise RuntimeError("XFixesGetCursorImage failed")
            try:
                w, h = img.contents.width, img.contents.height
                pixels = [img.contents.pixels[i] & 0xFFFFFFFF for i in range(w * h)]
            finally:
                c.x11.XFree(img)
        return w, h, pixels

    def cursor_is_blank(self) -> bool:
        """True when the current cursor has no visible pixel (hidden or fully transparent)."""
        _, _, pixels = self.cursor_image()
        return all((p >> 24) == 0 for p in pixels)

    # --- closing like a window manager
    def send_wm_delete(self, wid: int):
        """Sends the WM_PROTOCOLS / WM_DELETE_WINDOW client message a window manager's close sends."""
        with _XConnection(self.display) as c:
            protocols = c.x11.XInternAtom(c.dpy, b"WM_PROTOCOLS", 0)
            delete = c.x11.XInternAtom(c.dpy, b"WM_DELETE_WINDOW", 0)
            ev = _XEvent()
            ev.xclient.type = 33  # ClientMessage
            ev.xclient.send_event = 1
            ev.xclient.display = c.dpy
            ev.xclient.window = wid
            ev.xclient.message_type = protocols
            ev.xclient.format = 32
            ev.xclient.l[0] = delete
            ev.xclient.l[1] = 0  # CurrentTime
            if not c.x11.XSendEvent(c.dpy, wid, 0, 0, ctypes.byref(ev)):
                raise RuntimeError("XSendEvent failed")
            c.x11.XSync(c.dpy, 0)


class Xvfb(XServer):
    """A virtual X server with one screen; the root window is white so the board's area shows."""

    def __init__(self, root: Path, width=1280, height=720, depth=24, name="xvfb", white_root=True):
        super().__init__(root, name)
        argv = ["Xvfb", "-screen", "0", f"{width}x{height}x{depth}", "-nolisten", "tcp", "-noreset"]
        if white_root:
            argv.append("-wr")
        self._start(argv, f"see {self.log}")


XORG_DUMMY_CONFIG = """\
Section "ServerFlags"
    Option "DontVTSwitch" "true"
    Option "AllowMouseOpenFail" "true"
    Option "PciForceNone" "true"
    Option "AutoEnableDevices" "false"
    Option "AutoAddDevices" "false"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
    Modeline "{w}x{h}" 74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "{w}x{h}"
        Virtual {vw} {h}
    EndSubSection
EndSection
Section "ServerLayout"
    Identifier "layout"
    Screen "screen"
EndSection
"""


class DummyXorg(XServer):
    """Xorg with the dummy driver and two 1280x720 monitors: DUMMY0 at +0+0, DUMMY1 at +1280+0."""

    WIDTH, HEIGHT = 1280, 720

    def __init__(self, root: Path, name="xorg", white_root=True):
        super().__init__(root, name)
        config = self.dir / "xorg.conf"
        config.write_text(XORG_DUMMY_CONFIG.format(w=self.WIDTH, h=self.HEIGHT, vw=2 * self.WIDTH))
        confdir = self.dir / "xorg.conf.d"  # empty: keeps the machine's snippets out
        confdir.mkdir(exist_ok=True)
        log = self.dir / "xorg.log"
        argv = ["Xorg", "-config", str(config), "-configdir", str(confdir), "-logfile", str(log),
                "-noreset", "-nolisten", "tcp", "+extension", "RANDR", "-novtswitch", "-sharevts"]
        if white_root:
            argv.append("-wr")
        self._start(argv, f"see {log}")
        mode = f"{self.WIDTH}x{self.HEIGHT}"
        self._starting(lambda: self.run(["xrandr", "--addmode", "DUMMY1", mode]))
        self._starting(lambda: self.run(["xrandr", "--output", "DUMMY0", "--mode", mode, "--pos", "0x0",
                                         "--output", "DUMMY1", "--mode", mode, "--pos", f"{self.WIDTH}x0"]))
        expected = [Geometry(0, 0, self.WIDTH, self.HEIGHT), Geometry(self.WIDTH, 0, self.WIDTH, self.HEIGHT)]
        self._await(lambda: self.monitors() == expected, "two dummy monitors", 10)


# ----------------------------------------------------------------------------------------------
# Wayland

WAYLAND_USER = "tavorel-wl"


def wayland_user() -> tuple[int, int]:
    """(uid, gid) of the ordinary user the test compositor runs as (sway will not run as root);
    made, without a home, when it does not exist yet."""
    try:
        entry = pwd.getpwnam(WAYLAND_USER)
    except KeyError:
        if os.geteuid() != 0:
            raise RuntimeError(f"user {WAYLAND_USER} is missing and only root can make it")
        subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                        "--shell", "/usr/sbin/nologin", WAYLAND_USER], check=True, capture_output=True)
        entry = pwd.getpwnam(WAYLAND_USER)
    return entry.pw_uid, entry.pw_gid


@dataclass
class View:
    """One window of a client as sway's tree shows it."""
    output: str
    rect: Geometry
    fullscreen: bool
    inhibit_idle: bool
    application_inhibitor: bool
    decorated: bool
    pid: int
    app_id: str | None


class Sway(ServerProcess):
    """Headless sway with two outputs: HEADLESS-1 800x600 at 0,0 and HEADLESS-2 640x480 at 800,0.

    It runs as the user WAYLAND_USER with a runtime directory of its own outside the test's
    directory (which that user cannot enter); no Xwayland is offered. Boards reach it through
    env() (WAYLAND_DISPLAY as the socket's full path, XDG_SESSION_TYPE=wayland, no DISPLAY and no
    QT_QPA_PLATFORM: Qt chooses its wayland plugin by its own rules).
    """

    OUTPUTS = {"HEADLESS-1": Geometry(0, 0, 800, 600), "HEADLESS-2": Geometry(800, 0, 640, 480)}

    program = "sway"

    def __init__(self, root: Path, name="sway"):
        super().__init__(root, name)
        self.uid, self.gid = wayland_user()
        self.runtime = Path(tempfile.mkdtemp(prefix="tavorel-sway-"))
        os.chown(self.runtime, self.uid, self.gid)
        self.runtime.chmod(0o700)
        config = self.runtime / "config"
        # No Xwayland even where it is installed: a Wayland board must not need an X server.
        config.write_text("xwayland disable\n" + "".join(
            f"output {n} resolution {g.width}x{g.height} position {g.x} {g.y}\n" for n, g in self.OUTPUTS.items()))
        config.chmod(0o644)
        env = {"PATH": BASE_PATH, "XDG_RUNTIME_DIR": str(self.runtime), "WLR_BACKENDS": "headless",
               "WLR_HEADLESS_OUTPUTS": str(len(self.OUTPUTS)), "WLR_LIBINPUT_NO_DEVICES": "1",
               "WLR_RENDERER": "pixman", "HOME": str(self.runtime)}
        self._launch(["sway", "-c", str(config)], env, user=self.uid, group=self.gid, extra_groups=[],
                     cwd=str(self.runtime))
        socket = self.runtime / "wayland-1"
        self.socket = self._await(lambda: socket if socket.exists() else None, "sway's Wayland socket")
        self.ipc = self._await(lambda: next(iter(self.runtime.glob("sway-ipc.*.sock")), None),
                               "sway's IPC socket")
        self._await(lambda: sorted(o["name"] for o in self.msg("get_outputs")) == sorted(self.OUTPUTS),
                    "sway's two outputs")

    def stop(self):
        super().stop()
        shutil.rmtree(self.runtime, ignore_errors=True)

    def env(self) -> dict:
        return {"WAYLAND_DISPLAY": str(self.socket), "XDG_SESSION_TYPE": "wayland",
                "QT_QPA_PLATFORM": None, "DISPLAY": None}

    def _as_user(self, argv, binary=False, timeout=DEFAULT_TIMEOUT) -> subprocess.CompletedProcess:
        env = {"PATH": BASE_PATH, "XDG_RUNTIME_DIR": str(self.runtime), "WAYLAND_DISPLAY": "wayland-1",
               "SWAYSOCK": str(self.ipc), "LC_ALL": "C"}
        result = subprocess.run(argv, env=env, user=self.uid, group=self.gid, extra_groups=[],
                                capture_output=True, timeout=timeout, text=not binary,
                                stdin=subprocess.DEVNULL, cwd=str(self.runtime))
        if result.returncode != 0:
            raise RuntimeError(f"{argv} failed with code {result.returncode}: {result.stderr!r}")
        return result

    def msg(self, kind: str, *command):
        return json.loads(self._as_user(["swaymsg", "-r", "-t", kind, *command]).stdout)

    def command(self, text: str):
        """Runs a sway command (as `swaymsg` would) and checks that it succeeded."""
        replies = self.msg("command", text)
        if not all(r.get("success") for r in replies):
            raise RuntimeError(f"sway command {text!r} failed: {replies}")

    def views(self, pid: int | None = None) -> list[View]:
        """The client windows in sway's tree (of one process when pid is given)."""
        found = []

        def walk(node, output):
            if node.get("type") == "output":
                output = node["name"]
            if node.get("pid") and node.get("type") in ("con", "floating_con"):
                r = node["rect"]
                inhibitors = node.get("idle_inhibitors") or {}
                found.append(View(output, Geometry(r["x"], r["y"], r["width"], r["height"]),
                                  node.get("fullscreen_mode", 0) != 0, bool(node.get("inhibit_idle")),
                                  inhibitors.get("application", "none") != "none",
                                  node.get("deco_rect", {}).get("height", 0) > 0, node["pid"],
                                  node.get("app_id")))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child, output)

        walk(self.msg("get_tree"), None)
        return [v for v in found if pid is None or v.pid == pid]

    def wait_for_view(self, pid: int, predicate=lambda v: True, timeout=DEFAULT_TIMEOUT, what="a window") -> View:
        """Waits until process pid has exactly one window and predicate(view) holds; returns it."""
        def probe():
            views = self.views(pid)
            return views[0] if len(views) == 1 and predicate(views[0]) else None
        try:
            return wait_until(probe, timeout, what=what)
        except WaitTimeout:
            raise AssertionError(f"waited for {what} of pid {pid}; sway shows {self.views()}") from None

    def screenshot(self, output="HEADLESS-1") -> Image.Image:
        """One output as an RGB image (grim)."""
        data = self._as_user(["grim", "-o", output, "-"], binary=True).stdout
        image = Image.open(io.BytesIO(data)).convert("RGB")
        self.last_screenshot = image
        return image


class Weston(ServerProcess):
    """Headless weston with its kiosk shell and one 640x480 output, run as the test's own user:
    a compositor that offers full screen but no idle inhibitor. No screenshots."""

    program = "weston"

    def __init__(self, root: Path, name="weston"):
        super().__init__(root, name)
        self.runtime = self.dir / "runtime"
        self.runtime.mkdir(parents=True, exist_ok=True)
        self.runtime.chmod(0o700)
        env = {"PATH": BASE_PATH, "XDG_RUNTIME_DIR": str(self.runtime), "HOME": str(self.dir)}
        self._launch(["weston", "--backend=headless-backend.so", "--shell=kiosk-shell.so", "--no-config",
                      "--socket=wayland-t", "--width=640", "--height=480"], env)
        self.socket = self.runtime / "wayland-t"
        self._await(self.socket.exists, "weston's Wayland socket")

    def env(self) -> dict:
        return {"WAYLAND_DISPLAY": str(self.socket), "XDG_SESSION_TYPE": "wayland",
                "QT_QPA_PLATFORM": None, "DISPLAY": None}

    def screenshot(self):
        raise RuntimeError("no screenshots of weston")


# ----------------------------------------------------------------------------------------------
# Sound

class PulseServer(ServerProcess):
    """A private PulseAudio daemon with one null sink, `board`, which is the default sink."""

    SINK = "board"

    program = "pulseaudio"

    def __init__(self, root: Path, name="pulse", volume_percent: int | None = None):
        super().__init__(root, name)
        self.runtime = self.dir / "runtime"
        self.home = self.dir / "home"
        for d in (self.runtime, self.home):
            d.mkdir(parents=True, exist_ok=True)
            d.chmod(0o700)
        self.socket = self.runtime / "native"
        self.address = f"unix:{self.socket}"
        env = {"PATH": BASE_PATH, "HOME": str(self.home), "XDG_RUNTIME_DIR": str(self.runtime),
               "PULSE_RUNTIME_PATH": str(self.runtime), "PULSE_STATE_PATH": str(self.home / "state"),
               "XDG_CONFIG_HOME": str(self.home / "config"), "DBUS_SESSION_BUS_ADDRESS": "disabled:",
               "LC_ALL": "C"}
        self._launch(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                      "--log-target=stderr", f"--load=module-null-sink sink_name={self.SINK}",
                      f"--load=module-native-protocol-unix auth-anonymous=1 socket={self.socket}",
                      f"--load=module-default-device-restore"], env, log="pulse.log")
        self._await(lambda: self._pactl("info", check=False).returncode == 0, "the pulse server")
        self._starting(lambda: self._pactl("set-default-sink", self.SINK))
        if volume_percent is not None:
            self._starting(lambda: self.set_volume(volume_percent))

    def env(self) -> dict:
        """What a client needs to reach this server and nothing else (no ALSA either)."""
        return {"PULSE_SERVER": self.address}

    def _pactl(self, *args, check=True):
        env = {"PATH": BASE_PATH, "HOME": str(self.home), "PULSE_SERVER": self.address, "LC_ALL": "C",
               "DBUS_SESSION_BUS_ADDRESS": "disabled:"}
        r = subprocess.run(["pactl", *args], env=env, capture_output=True, text=True, timeout=DEFAULT_TIMEOUT,
                           stdin=subprocess.DEVNULL)
        if check and r.returncode != 0:
            raise RuntimeError(f"pactl {args} failed: {r.stderr.strip()}")
        return r

    def get_volume_raw(self) -> list[int]:
        """Per-channel raw volumes of the sink (65536 = 100 %)."""
        out = self._pactl("get-sink-volume", self.SINK).stdout
        return [int(v) for v in re.findall(r":\s*(\d+)\s*/\s*\d+%", out)]

    def get_volume(self) -> float:
        """The sink's volume in percent (channel average), as pactl shows it."""
        raw = self.get_volume_raw()
        return 100.0 * sum(raw) / len(raw) / 65536

    def set_volume(self, percent: float):
        self._pactl("set-sink-volume", self.SINK, f"{percent}%")

    def set_volume_raw(self, value: int):
        self._pactl("set-sink-volume", self.SINK, str(int(value)))


def empty_alsa_config(root: Path) -> Path:
    path = Path(root) / "alsa-empty.conf"
    if not path.exists():
        path.write_text("")
    return path


def no_sound_env(root: Path) -> dict:
    """Neither a pulse server nor an ALSA mixer can be reached, whatever the machine has."""
    return {"PULSE_SERVER": "unix:/nonexistent/native", "ALSA_CONFIG_PATH": str(empty_alsa_config(root))}


# ----------------------------------------------------------------------------------------------
# Session bus and web server

class DBusSession(ServerProcess):
    """A private D-Bus session bus on a socket in the test's directory."""

    def __init__(self, root: Path, name="dbus"):
        super().__init__(root, name)
        self._launch(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                      f"--address=unix:path={self.dir / 'bus'}"],
                     {"PATH": BASE_PATH, "HOME": str(self.dir)}, log="dbus.log", reply=True)
        self.address = self._starting(self._reply).strip()

    def _reply(self) -> str:
        line = self.proc.stdout.readline()
        if not line.strip():
            raise RuntimeError(f"dbus-daemon gave no address; see {self.log}")
        return line

    def env(self) -> dict:
        return {"DBUS_SESSION_BUS_ADDRESS": self.address}


class HttpServer(ServerProcess):
    """Serves the files of root_dir on 127.0.0.1 at a free port, in a child process.

    Every request is logged to <log> as a line "<METHOD> <path> <status>"; the server's own
    errors go to <root_dir's parent>/http/server.out.
    """

    def __init__(self, root_dir: Path, log: Path | None = None):
        self.root_dir = Path(root_dir)
        super().__init__(self.root_dir.parent, "http")
        self.requests_log = Path(log) if log else self.root_dir.parent / "http-requests.log"
        self.requests_log.touch()
        self._launch([sys.executable, "-u", str(Path(__file__).resolve()), "serve-http", str(self.root_dir),
                      str(self.requests_log)], {"PATH": BASE_PATH, "LC_ALL": "C"}, reply=True)
        self.port = self._starting(self._reply)

    def _reply(self) -> int:
        line = self.proc.stdout.readline().strip()
        if not line.isdigit():
            raise RuntimeError(f"web server did not report its port ({line!r}); see {self.log}")
        return int(line)

    def url(self, path="/") -> str:
        return f"http://127.0.0.1:{self.port}/{path.lstrip('/')}"

    def requests(self) -> list[str]:
        """The paths requested so far, in order."""
        return [line.split(" ")[1] for line in self.requests_log.read_text().splitlines() if line]


def _serve_http(root_dir: str, log_path: str):
    log = open(log_path, "a", buffering=1)

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=root_dir, **kwargs)

        def log_request(self, code="-", size="-"):
            log.write(f"{self.command} {self.path} {int(code) if str(code).isdigit() else code}\n")

        def log_message(self, *args):
            pass

    class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
        daemon_threads = True

    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    signal.signal(signal.SIGTERM, lambda *a: threading.Thread(target=server.shutdown).start())
    server.serve_forever()


# ----------------------------------------------------------------------------------------------
# The board

def crlf(text: str) -> str:
    """Text with CRLF line ends, as the board's settings files are written."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def binary_path() -> Path:
    value = os.environ.get("TAVOREL_BINARY")
    if not value:
        raise RuntimeError("TAVOREL_BINARY is not set (path of the built tavorel program)")
    path = Path(value)
    if not path.is_file():
        raise RuntimeError(f"TAVOREL_BINARY {path} does not exist; build the program first")
    return path


def write_file(path: Path, content):
    """Writes bytes, text (as is, UTF-8) or a PIL image (format from the suffix)."""
    path.parent.mkdir(parents=True, exist_ok=True)
    if isinstance(content, Image.Image):
        content.save(path)
    elif isinstance(content, bytes):
        path.write_bytes(content)
    else:
        path.write_bytes(str(content).encode("utf-8"))


class Board:
    """One copy of the program in its own start directory, run under a given X server.

    Layout: <root>/<name>/start (the start directory: tavorel, config.ini, files),
    <root>/<name>/home, runtime, stdout.txt, stderr.txt.
    config: text of config.ini (line ends become CRLF), bytes (written as is) or None (no file).
    files: {relative path: content} written into the start directory.
    Sound: pulse=PulseServer, or no_sound=True; exactly one must be given.
    """

    def __init__(self, x: XServer, root: Path, config=None, files=None, pulse: PulseServer | None = None,
                 no_sound=False, dbus: DBusSession | None = None, env: dict | None = None, debug=True,
                 name="board"):
        if (pulse is None) == (not no_sound):
            raise ValueError("give a PulseServer or no_sound=True")
        self.x = x
        self.dir = Path(root) / name
        self.start_dir = self.dir / "start"
        self.home = self.dir / "home"
        self.runtime = self.dir / "runtime"
        for d in (self.start_dir, self.home, self.runtime):
            d.mkdir(parents=True, exist_ok=True)
        self.runtime.chmod(0o700)
        self.program = self.start_dir / "tavorel"
        shutil.copy2(binary_path(), self.program)
        self.program.chmod(0o755)
        if config is not None:
            self.write_config(config)
        for rel, content in (files or {}).items():
            write_file(self.start_dir / rel, content)
        self.stdout_path = self.dir / "stdout.txt"
        self.stderr_path = self.dir / "stderr.txt"
        self.proc: subprocess.Popen | None = None
        self.env = {
            "PATH": BASE_PATH,
            "HOME": str(self.home),
            "XDG_RUNTIME_DIR": str(self.runtime),
            "XDG_CONFIG_HOME": str(self.home / ".config"),
            "XDG_CACHE_HOME": str(self.home / ".cache"),
            "XDG_DATA_HOME": str(self.home / ".local/share"),
            "QT_QPA_PLATFORM": "xcb",
            "LC_ALL": "C",
            "LANG": "C",
            "TZ": "UTC",
            "DBUS_SESSION_BUS_ADDRESS": "disabled:",
            "QT_LOGGING_RULES": "qt.webenginecontext.info=false;qt.qpa.xcb.xcberror=false",
            "ALSA_CONFIG_PATH": str(empty_alsa_config(root)),
            **x.env(),
        }
        if debug:
            self.env["TAVOREL_DEBUG"] = "1"
        self.env.update(no_sound_env(root) if no_sound else pulse.env())
        if dbus is not None:
            self.env.update(dbus.env())
        self.env.update(env or {})
        # A server's env() may ask for a variable to be left out (None), as a Wayland session does
        # with QT_QPA_PLATFORM so that Qt picks its platform by its own rules.
        self.env = {k: v for k, v in self.env.items() if v is not None}

    # --- files
    def write_config(self, config):
        write_file(self.start_dir / "config.ini", config if isinstance(config, bytes) else crlf(config))

    def write_file(self, rel, content):
        write_file(self.start_dir / rel, content)

    # --- process
    def start(self):
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen([str(self.program)], cwd=str(self.start_dir), env=self.env,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         start_new_session=True)
        return self

    @property
    def pid(self) -> int:
        return self.proc.pid

    def is_running(self) -> bool:
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=DEFAULT_TIMEOUT) -> int:
        """Waits for the program to end and returns its exit code (negative: killed by signal)."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"the board (pid {self.pid}) did not end within {timeout:.0f} s") from None

    def terminate(self):
        """SIGTERM: the board treats it as the window manager's close."""
        self.proc.send_signal(signal.SIGTERM)

    def close_window(self, wid: int | None = None):
        """Closes the main window as a window manager would (WM_DELETE_WINDOW)."""
        self.x.send_wm_delete(wid if wid is not None else self.main_window())

    def processes(self) -> list[int]:
        """PIDs of every running process whose program is a file in this start directory."""
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                exe = os.readlink(f"/proc/{entry}/exe")
            except OSError:
                continue
            if exe.removesuffix(" (deleted)").startswith(str(self.start_dir) + "/") and pid_alive(int(entry)):
                found.append(int(entry))
        return found

    def stop(self):
        """Ends the board and every copy it started, by PID."""
        stop_process(self.proc, timeout=2)  # a board whose close fails runs on: then SIGKILL
        for pid in self.processes():
            kill_pid(pid, timeout=2)

    # --- output
    def stderr(self) -> str:
        return self.stderr_path.read_bytes().decode("utf-8", "replace") if self.stderr_path.exists() else ""

    def stdout(self) -> str:
        return self.stdout_path.read_bytes().decode("utf-8", "replace") if self.stdout_path.exists() else ""

    def messages(self) -> list[str]:
        """Texts the board has shown in its message label, in order (needs TAVOREL_DEBUG)."""
        return [line[len("tavorel: message: "):] for line in self.stderr().splitlines()
                if line.startswith("tavorel: message: ")]

    def wait_for_stderr(self, text: str, timeout=DEFAULT_TIMEOUT, count=1) -> str:
        """Waits until `text` occurs at least `count` times on stderr; returns the whole stderr."""
        return wait_until(lambda: self.stderr() if self.stderr().count(text) >= count else None, timeout,
                          what=f"{text!r} on the board's stderr (x{count})")

    def wait_for_message(self, timeout=DEFAULT_TIMEOUT) -> str:
        """Waits for the first shown message and returns it."""
        return wait_until(lambda: (self.messages() or [None])[0], timeout, what="a message from the board")

    # --- windows
    def windows(self) -> list[int]:
        return self.x.visible_windows(self.pid)

    def wait_for_window(self, timeout=DEFAULT_TIMEOUT, count=1) -> list[int]:
        """Waits until the board has at least `count` visible top-level windows; returns them."""
        def probe():
            if not self.is_running():
                raise AssertionError(f"the board ended with code {self.proc.returncode}; stderr:\n{self.stderr()}")
            wins = self.windows()
            return wins if len(wins) >= count else None
        try:
            return wait_until(probe, timeout, what=f"{count} visible window(s) of the board")
        except WaitTimeout as exc:
            raise WaitTimeout(f"{exc}; stderr:\n{self.stderr()}") from None

    def main_window(self, timeout=DEFAULT_TIMEOUT) -> int:
        """The board's first visible window (the one that appears first)."""
        return self.wait_for_window(timeout)[0]

    def geometry(self, wid: int | None = None) -> Geometry:
        return self.x.window_geometry(wid if wid is not None else self.main_window())

    def wait_for_geometry(self, expected: Geometry, wid: int | None = None, timeout=DEFAULT_TIMEOUT) -> Geometry:
        """Waits until the window has the expected geometry; on timeout reports what it had."""
        wid = wid if wid is not None else self.main_window()
        try:
            return wait_until(lambda: self.x.window_geometry(wid) == expected and expected, timeout,
                              what=f"window geometry {expected}")
        except WaitTimeout:
            raise AssertionError(f"window {wid:#x} has geometry {self.x.window_geometry(wid)}, expected {expected}") from None

    def screenshot(self) -> Image.Image:
        return self.x.screenshot()


# ----------------------------------------------------------------------------------------------
# Pictures

def is_black(rgb, tolerance=8) -> bool:
    return all(c <= tolerance for c in rgb[:3])


def is_red(rgb) -> bool:
    """Clearly red: strong red, little green and blue (anti-aliased text edges included)."""
    r, g, b = rgb[:3]
    return r >= 120 and g <= r // 3 and b <= r // 3


def find_color_bbox(image: Image.Image, predicate, box=None):
    """Bounding box (left, top, right, bottom; right/bottom exclusive) of the pixels of `box`
    (default: the whole image) for which predicate(rgb) is true, in image coordinates; None when
    there is none."""
    left, top, right, bottom = box or (0, 0, image.width, image.height)
    region = image.crop((left, top, right, bottom))
    width = region.width
    hits = [i for i, p in enumerate(region.getdata()) if predicate(p)]
    if not hits:
        return None
    xs = [i % width for i in hits]
    return (min(xs) + left, hits[0] // width + top, max(xs) + 1 + left, hits[-1] // width + 1 + top)


def red_bbox(image: Image.Image, box=None):
    """Bounding box (image coordinates, right/bottom exclusive) of clearly red pixels in `box`:
    red at least 120, green and blue at most 60 (text edges that are anti-aliased count)."""
    left, top = (box[0], box[1]) if box else (0, 0)
    region = (image.crop(box) if box else image).convert("RGB")
    r, g, b = region.split()
    strong = r.point(lambda v: 255 if v >= 120 else 0)
    weak_gb = ImageChops.lighter(g, b).point(lambda v: 255 if v <= 60 else 0)
    bbox = ImageChops.multiply(strong, weak_gb).getbbox()
    if bbox is None:
        return None
    return (bbox[0] + left, bbox[1] + top, bbox[2] + left, bbox[3] + top)


def clip_box(geo: Geometry, size) -> tuple | None:
    """The part of a window's rectangle that lies on an image of the given size, as a box."""
    left, top = max(geo.x, 0), max(geo.y, 0)
    right, bottom = min(geo.x + geo.width, size[0]), min(geo.y + geo.height, size[1])
    return (left, top, right, bottom) if left < right and top < bottom else None


def max_green_blue(image: Image.Image, box) -> int:
    """Highest green or blue value in `box`: 0 for pure black and pure red (with its shades)."""
    _, g, b = image.crop(box).convert("RGB").split()
    return max(g.getextrema()[1], b.getextrema()[1])


def non_white_outside(image: Image.Image, box) -> int:
    """Count of pixels outside `box` that are not pure white."""
    rest = image.convert("RGB").copy()
    if box:
        rest.paste((255, 255, 255), box)
    gray = rest.convert("L").point(lambda v: 255 if v < 255 else 0)
    hist = gray.histogram()
    return hist[255]


def wait_for_screen(x: XServer, problems, timeout=DEFAULT_TIMEOUT) -> Image.Image:
    """Takes screenshots until problems(shot) returns None (no complaint) and returns that shot.

    problems(shot) returns a text that says what is still wrong, or None. On timeout the last
    complaint is raised as an AssertionError, so a failure says what the screen showed.
    """
    last = ["no screenshot was taken"]

    def probe():
        shot = x.screenshot()
        complaint = problems(shot)
        last[0] = complaint
        return shot if complaint is None else None

    try:
        return wait_until(probe, timeout, what="the expected screen")
    except WaitTimeout:
        raise AssertionError(f"the screen never became as expected: {last[0]}") from None


def count_pixels(image: Image.Image, predicate, box=None) -> int:
    region = image.crop(box) if box else image
    return sum(1 for p in region.getdata() if predicate(p))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "serve-http":
        _serve_http(sys.argv[2], sys.argv[3])
    else:
        print(__doc__)
