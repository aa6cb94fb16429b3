#!/usr/bin/python3
"""A stand-in for systemd-logind's manager on a private bus, for the sleep-guard tests.

Usage: fake_logind.py BUS_ADDRESS. Prints "ready" once it owns org.freedesktop.login1.
Inhibit() hands out the write end of a pipe and keeps the read end: the inhibitor is
released when the client closes its descriptor, as with the real logind.
"""
import os

import dbus
import dbus.service
from gi.repository import GLib

import fake_bus

MANAGER = "org.freedesktop.login1.Manager"
TEST = "org.orvane.FakeLogin1"


class Manager(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/login1")
        self.inhibitors = {}  # read end -> (what, who, why, mode)
        self.issued = 0

    @dbus.service.method(MANAGER, in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        self.issued += 1
        read_end, write_end = os.pipe()
        self.inhibitors[read_end] = (str(what), str(who), str(why), str(mode))
        GLib.io_add_watch(read_end, GLib.PRIORITY_DEFAULT, GLib.IO_HUP | GLib.IO_ERR,
                          self._released)
        handed = dbus.types.UnixFd(write_end)  # holds its own duplicate
        os.close(write_end)
        return handed

    def _released(self, fd, condition):
        self.inhibitors.pop(fd, None)
        os.close(fd)
        return False

    @dbus.service.method(MANAGER, out_signature="a(ssssuu)")
    def ListInhibitors(self):
        return dbus.Array([dbus.Struct((w, who, why, mode, dbus.UInt32(os.getuid()),
                                        dbus.UInt32(0)))
                           for (w, who, why, mode) in self.inhibitors.values()],
                          signature="(ssssuu)")

    @dbus.service.signal(MANAGER, signature="b")
    def PrepareForSleep(self, start):
        pass

    @dbus.service.method(TEST, out_signature="u")
    def Issued(self):
        return dbus.UInt32(self.issued)

    @dbus.service.method(TEST, in_signature="b")
    def EmitPrepareForSleep(self, start):
        self.PrepareForSleep(start)


def main():
    fake_bus.serve("org.freedesktop.login1", Manager)


if __name__ == "__main__":
    main()
