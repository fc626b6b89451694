"""Helpers for the web-page system tests: shortcut files, pages, the board's web events with the
time each was seen, and the processes of the web engine."""

from __future__ import annotations

import os
import socket
import threading
import time
from pathlib import Path

import harness

# Software drawing of the engine's views: lighter under Xvfb and paints sooner.
WEB_ENV = {"QT_QUICK_BACKEND": "software"}


def shortcut(url: str | None) -> str:
    """An Internet shortcut as a browser writes it; url=None leaves the URL key out."""
    lines = ["[InternetShortcut]"]
    if url is not None:
        lines.append(f"URL={url}")
    lines.append("IconIndex=0")
    return harness.crlf("\n".join(lines) + "\n")


def coloured_page(rgb, tall=True) -> str:
    """A page of one colour; tall and wide enough that a browser would show both scroll bars."""
    size = "<div style='width:3000px;height:5000px'></div>" if tall else ""
    return (f"<!DOCTYPE html><html><head><style>html,body{{margin:0;background:rgb{tuple(rgb)}}}"
            f"</style></head><body>{size}</body></html>")


BAND = 20  # pixels per band of the banded page


def band_colour(k: int) -> tuple:
    return (k % 256, 40 + 50 * ((k // 256) % 4), 200)


def banded_page(bands=1200) -> str:
    """A tall page of horizontal bands BAND pixels high; band k has colour band_colour(k)."""
    divs = "".join(f"<div style='height:{BAND}px;background:rgb{band_colour(k)}'></div>"
                   for k in range(bands))
    return f"<!DOCTYPE html><html><head><style>body{{margin:0}}</style></head><body>{divs}</body></html>"


def scroll_offset(shot, x=200, top=0):
    """How far the banded page is scrolled, read from the column x of a screenshot whose page
    starts at screen row `top`; None when the column does not show the bands."""
    colours = {band_colour(k): k for k in range(1024)}
    first = shot.getpixel((x, top))[:3]
    if first not in colours:
        return None
    k = colours[first]
    for row in range(top + 1, top + BAND + 2):
        if shot.getpixel((x, row))[:3] != first:
            return (k + 1) * BAND - (row - top)
    return None


class EventClock:
    """Watches the board's stderr in a thread and notes when each line first appeared."""

    def __init__(self, board, interval=0.02):
        self.board = board
        self.lines: list[tuple[float, str]] = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, args=(interval,), daemon=True)
        self._thread.start()

    def _run(self, interval):
        seen = 0
        while not self._stop.is_set():
            text = self.board.stderr()
            # Only whole lines: the board may be writing the last one.
            complete = text[:text.rfind("\n") + 1].splitlines()
            now = time.monotonic()
            for line in complete[seen:]:
                self.lines.append((now, line))
            seen = len(complete)
            time.sleep(interval)

    def stop(self):
        self._stop.set()
        self._thread.join(5)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def events(self, prefix: str) -> list[tuple[float, str]]:
        return [(t, line[len(prefix):]) for t, line in list(self.lines) if line.startswith(prefix)]

    def items(self) -> list[tuple[float, str]]:
        """(time, bare name) of each item shown."""
        return [(t, rest.rsplit("/", 1)[-1]) for t, rest in self.events("tavorel: item: ")]

    def web(self) -> list[tuple[float, str]]:
        return self.events("tavorel: web: ")

    def wait_items(self, count, timeout=harness.DEFAULT_TIMEOUT):
        def probe():
            if not self.board.is_running():
                raise AssertionError(f"the board ended; stderr:\n{self.board.stderr()}")
            return len(self.items()) >= count
        harness.wait_until(probe, timeout, what=f"{count} items shown")
        return self.items()


def descendants(pid: int) -> list[int]:
    """Every process below pid (children, their children, ...)."""
    children: dict[int, list[int]] = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            ppid = int(Path(f"/proc/{entry}/stat").read_text().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        children.setdefault(ppid, []).append(int(entry))
    found, todo = [], list(children.get(pid, []))
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def engine_processes(board) -> list[int]:
    """The board's web engine processes (QtWebEngineProcess and its zygotes and renderers)."""
    found = []
    for p in descendants(board.pid):
        try:
            exe = os.readlink(f"/proc/{p}/exe")
        except OSError:
            continue
        if "QtWebEngineProcess" in exe:
            found.append(p)
    return found


def closed_port() -> int:
    """A port on 127.0.0.1 where nothing listens (connections are refused)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class SlowResource:
    """A server on 127.0.0.1 that answers every request with a small picture after `delay` s, so
    that a page using it takes that long to load."""

    PNG_1x1 = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de"
                            "0000000c4944415408d763f8cfc000000301010018dd8db00000000049454e44ae426082")

    def __init__(self, delay: float):
        self.delay = delay
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(8)
        self.port = self.sock.getsockname()[1]
        self.requests = 0
        self._stop = threading.Event()
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        self.sock.settimeout(0.2)
        while not self._stop.is_set():
            try:
                conn, _ = self.sock.accept()
            except OSError:
                continue
            threading.Thread(target=self._answer, args=(conn,), daemon=True).start()

    def _answer(self, conn):
        with conn:
            try:
                conn.recv(4096)
                self.requests += 1
                if self._stop.wait(self.delay):
                    return
                conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: image/png\r\nCache-Control: no-store\r\n"
                             b"Content-Length: %d\r\n\r\n" % len(self.PNG_1x1) + self.PNG_1x1)
            except OSError:
                pass

    def url(self, path="/slow.png") -> str:
        return f"http://127.0.0.1:{self.port}{path}"

    def stop(self):
        self._stop.set()
        self.sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
