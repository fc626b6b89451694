"""Stand-ins for the desktop's screen-saver service and systemd-logind, for the keep-awake tests.

    fake_power_services.py screensaver|logind <bus address> <log file>

Each call is appended to the log as one line; "ready" is written once the name is owned.
  screensaver: "Inhibit <application> -> <cookie>", "UnInhibit <cookie>"
  logind:      "Inhibit <what> <who> <mode>", then "released" when every copy of the handed-out
               descriptor has been closed (the board withdrew its lock, or ended).
"""

import os
import sys

import dbus
import dbus.bus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


def main():
    kind, address, log_path = sys.argv[1:4]
    log = open(log_path, "a", buffering=1)
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(address)

    if kind == "screensaver":
        class ScreenSaver(dbus.service.Object):
            cookie = 4100

            @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="ss", out_signature="u")
            def Inhibit(self, application, reason):
                ScreenSaver.cookie += 1
                log.write(f"Inhibit {application} -> {ScreenSaver.cookie}\n")
                return dbus.UInt32(ScreenSaver.cookie)

            @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="u", out_signature="")
            def UnInhibit(self, cookie):
                log.write(f"UnInhibit {int(cookie)}\n")

        name = dbus.service.BusName("org.freedesktop.ScreenSaver", bus)
        ScreenSaver(bus, "/org/freedesktop/ScreenSaver")
    else:
        def on_hangup(fd, condition):
            if condition & GLib.IO_IN and os.read(fd, 64):
                return True
            log.write("released\n")
            os.close(fd)
            return False

        class Manager(dbus.service.Object):
            @dbus.service.method("org.freedesktop.login1.Manager", in_signature="ssss", out_signature="h")
            def Inhibit(self, what, who, why, mode):
                log.write(f"Inhibit {what} {who} {mode}\n")
                r, w = os.pipe()
                GLib.io_add_watch(r, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, on_hangup)
                handed = dbus.types.UnixFd(w)
                os.close(w)
                return handed

        name = dbus.service.BusName("org.freedesktop.login1", bus)
        Manager(bus, "/org/freedesktop/login1")

    log.write("ready\n")
    assert name
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
