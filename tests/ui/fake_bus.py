"""What the fake D-Bus services share: owning a well-known name on the test's private bus,
saying "ready", and serving until the test closes their standard input."""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


def serve(well_known_name, make_service):
    """Serves `make_service(bus)` under `well_known_name` on the bus at sys.argv[1]."""
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    name = dbus.service.BusName(well_known_name, bus)
    service = make_service(bus)
    print("ready", flush=True)
    loop = GLib.MainLoop()
    # The test ends us by closing our standard input.
    GLib.io_add_watch(sys.stdin.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP,
                      lambda fd, cond: loop.quit() or False)
    loop.run()
    del name, service
