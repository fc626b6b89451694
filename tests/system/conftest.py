"""Fixtures of the system tests; see harness.py for the pieces they hand out.

Every fixture is per test: each test gets its own temporary directory, X server, sound server
and boards, and everything is stopped by PID when the test ends, whether it passed or not.
"""

import re
import shutil
import sys

import pytest

import harness


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    setattr(item, f"report_{report.when}", report)
    if report.when == "call":
        # Right after the test body, while its servers still run: keep the evidence of a failure,
        # then stop the boards before any server they use goes away.
        boards = getattr(item, "tavorel_boards", [])
        if report.failed and boards:
            report.sections.append(("harness", _save_failure(boards)))
        for board in boards:
            board.stop()


def _save_failure(boards) -> str:
    root = boards[0].dir.parent
    notes = []
    x = boards[0].x
    try:
        if x.last_screenshot is not None:
            x.last_screenshot.save(root / "last-screenshot.png")
        x.screenshot().save(root / "failure-screen.png")
    except Exception as exc:  # the server may be the thing that failed
        notes.append(f"no failure screenshot: {exc!r}")
    for board in boards:
        if board.stderr_path.exists():
            shutil.copy(board.stderr_path, root / f"{board.dir.name}-stderr.txt")
    notes.append(f"failure screenshot (failure-screen.png), last screenshot and board stderr saved in {root}")
    return "\n".join(notes)


def _failed(request) -> bool:
    return any(getattr(request.node, f"report_{when}", None) is not None
               and getattr(request.node, f"report_{when}").failed for when in ("setup", "call"))


@pytest.fixture
def tmp_root(request):
    """The test's temporary directory (a Path); kept when the test fails or TAVOREL_KEEP_TEMP is set."""
    name = re.sub(r"[^A-Za-z0-9_.-]+", "_", request.node.name)[:60]
    root = harness.TempRoot(prefix=f"tavorel-{name}-")
    yield root.path
    if _failed(request) and not root.keep:
        print(f"\n[harness] test failed; its files are kept in {root.path}", file=sys.stderr)
    else:
        root.cleanup()


def _server_fixture(name, server_class, doc):
    """A fixture that starts server_class(tmp_root) for one test and stops it by PID after."""
    def fixture(tmp_root):
        with server_class(tmp_root) as server:
            yield server
    fixture.__name__ = name
    fixture.__doc__ = doc
    return pytest.fixture(name=name)(fixture)


xvfb = _server_fixture("xvfb", harness.Xvfb, "One-screen X server, 1280x720x24, white root window.")
xorg2 = _server_fixture("xorg2", harness.DummyXorg,
                        "X server with two 1280x720 monitors side by side (0 at +0+0, 1 at +1280+0).")
sway = _server_fixture("sway", harness.Sway, "Headless sway with two outputs, HEADLESS-1 800x600 at 0,0 and "
                       "HEADLESS-2 640x480 at 800,0.")
pulse = _server_fixture("pulse", harness.PulseServer,
                        "Private PulseAudio server with a null sink, volume left at the server's default.")
dbus_session = _server_fixture("dbus_session", harness.DBusSession, "Private D-Bus session bus.")


@pytest.fixture
def http_server(tmp_root):
    """Web server on 127.0.0.1 serving <tmp_root>/www (created empty)."""
    www = tmp_root / "www"
    www.mkdir(exist_ok=True)
    with harness.HttpServer(www, tmp_root / "http-requests.log") as server:
        yield server


@pytest.fixture
def make_board(request, tmp_root):
    """Factory: make_board(x, config=..., files=..., start=True, **Board options) -> Board.

    Without pulse= or no_sound=True the board gets the test's `pulse` server. Every board made is
    stopped when the test ends; on failure a screenshot and each board's stderr are saved in the
    test's directory.
    """
    boards = []

    def factory(x, config=None, files=None, start=True, **kwargs):
        if "pulse" not in kwargs and not kwargs.get("no_sound"):
            kwargs["pulse"] = request.getfixturevalue("pulse")
        name = kwargs.pop("name", None) or f"board{len(boards) + 1}"
        board = harness.Board(x, tmp_root, config=config, files=files, name=name, **kwargs)
        boards.append(board)
        if start:
            board.start()
        return board

    request.node.tavorel_boards = boards
    yield factory
    for board in boards:  # when the test body never ran to its end (setup errors)
        board.stop()
