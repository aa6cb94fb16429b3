#!/usr/bin/python3
"""A stand-in for UDisks2 on a private bus, for the card-offer tests.

Usage: fake_udisks.py BUS_ADDRESS. Prints "ready" once it owns org.freedesktop.UDisks2.
The test drives it through org.orvane.FakeUDisks2 on /org/freedesktop/UDisks2:
AddFilesystem(name, label, mount_point) announces a block device with a file system
("" mount point: not mounted), SetMountPoint(name, mount_point) mounts or unmounts it, and
Remove(name) takes it away, each with the signals the real service sends.
"""
import dbus
import dbus.service

import fake_bus

ROOT = "/org/freedesktop/UDisks2"
OBJECT_MANAGER = "org.freedesktop.DBus.ObjectManager"
BLOCK = "org.freedesktop.UDisks2.Block"
FILESYSTEM = "org.freedesktop.UDisks2.Filesystem"
TEST = "org.orvane.FakeUDisks2"


def mount_points(path):
    points = [dbus.ByteArray(path.encode() + b"\0")] if path else []
    return dbus.Array(points, signature="ay")


class BlockDevice(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)

    @dbus.service.signal("org.freedesktop.DBus.Properties", signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


class Manager(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, ROOT)
        self.bus = bus
        self.devices = {}  # name -> (object, label, mount point)

    def _interfaces(self, label, mount_point):
        return dbus.Dictionary({
            BLOCK: dbus.Dictionary({"IdLabel": dbus.String(label)}, signature="sv"),
            FILESYSTEM: dbus.Dictionary({"MountPoints": mount_points(mount_point)},
                                        signature="sv"),
        }, signature="sa{sv}")

    @dbus.service.method(OBJECT_MANAGER, out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        return dbus.Dictionary({dbus.ObjectPath(ROOT + "/block_devices/" + name):
                                self._interfaces(label, point)
                                for name, (_, label, point) in self.devices.items()},
                               signature="oa{sa{sv}}")

    @dbus.service.signal(OBJECT_MANAGER, signature="oa{sa{sv}}")
    def InterfacesAdded(self, path, interfaces):
        pass

    @dbus.service.signal(OBJECT_MANAGER, signature="oas")
    def InterfacesRemoved(self, path, interfaces):
        pass

    @dbus.service.method(TEST, in_signature="sss")
    def AddFilesystem(self, name, label, mount_point):
        path = ROOT + "/block_devices/" + name
        self.devices[name] = (BlockDevice(self.bus, path), label, mount_point)
        self.InterfacesAdded(dbus.ObjectPath(path), self._interfaces(label, mount_point))

    @dbus.service.method(TEST, in_signature="ss")
    def SetMountPoint(self, name, mount_point):
        device, label, _ = self.devices[name]
        self.devices[name] = (device, label, mount_point)
        device.PropertiesChanged(FILESYSTEM, dbus.Dictionary(
            {"MountPoints": mount_points(mount_point)}, signature="sv"),
            dbus.Array([], signature="s"))

    @dbus.service.method(TEST, in_signature="s")
    def Remove(self, name):
        device, _, _ = self.devices.pop(name)
        device.remove_from_connection()
        self.InterfacesRemoved(dbus.ObjectPath(ROOT + "/block_devices/" + name),
                               dbus.Array([BLOCK, FILESYSTEM], signature="s"))


def main():
    fake_bus.serve("org.freedesktop.UDisks2", Manager)


if __name__ == "__main__":
    main()
