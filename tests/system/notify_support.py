"""A stand-in for the service manager's notify socket: a datagram socket of the test's own that
the board is pointed at with NOTIFY_SOCKET, and that tells each message's sender."""

import os
import socket
import struct
import time
from pathlib import Path


class NotifySocket:
    def __init__(self, path: Path):
        self.path = path
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.sock.bind(str(path))
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_PASSCRED, 1)
        self.sock.setblocking(False)
        self.received = []  # (sender pid, message)

    def env(self, watchdog_usec=None) -> dict:
        env = {"NOTIFY_SOCKET": str(self.path)}
        if watchdog_usec is not None:
            env["WATCHDOG_USEC"] = str(watchdog_usec)
        return env

    def collect(self):
        """Takes every message waiting; returns all received so far."""
        while True:
            try:
                data, ancillary, _, _ = self.sock.recvmsg(4096, socket.CMSG_SPACE(12))
            except BlockingIOError:
                return self.received
            pid = 0
            for level, kind, payload in ancillary:
                if level == socket.SOL_SOCKET and kind == socket.SCM_CREDENTIALS:
                    pid = struct.unpack("iII", payload[:12])[0]
            self.received.append((pid, data.decode()))

    def messages_from(self, pid):
        return [m for p, m in self.collect() if p == pid]

    def close(self):
        self.sock.close()
        try:
            os.unlink(self.path)
        except FileNotFoundError:
            pass
