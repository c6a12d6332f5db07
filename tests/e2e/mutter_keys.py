#!/usr/bin/env python3
"""Presses keys on a headless mutter through its remote-desktop interface, for the tests.

Usage: mutter_keys.py WAIT KEYCODE...
Starts a remote-desktop session, waits WAIT seconds while the program under test starts,
presses and releases each Linux key code in turn, half a second apart, and prints one line
when it has. The seat gets its keyboard only with the first key, which clients bind too late
to hear: press a key twice to be sure one arrives.
"""
import sys
import time

from gi.repository import Gio, GLib

NAME = "org.gnome.Mutter.RemoteDesktop"


def proxy(bus, path, interface):
    return Gio.DBusProxy.new_sync(bus, Gio.DBusProxyFlags.NONE, None, NAME, path, interface, None)


def main():
    wait, keys = float(sys.argv[1]), [int(key) for key in sys.argv[2:]]
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    desktop = proxy(bus, "/org/gnome/Mutter/RemoteDesktop", NAME)
    path = desktop.call_sync("CreateSession", None, Gio.DBusCallFlags.NONE, -1, None)[0]
    session = proxy(bus, path, NAME + ".Session")
    session.call_sync("Start", None, Gio.DBusCallFlags.NONE, -1, None)
    time.sleep(wait)
    for key in keys:
        time.sleep(0.5)
        for pressed in (True, False):
            session.call_sync("NotifyKeyboardKeycode", GLib.Variant("(ub)", (key, pressed)),
                              Gio.DBusCallFlags.NONE, -1, None)
    print("pressed", *keys, flush=True)
    time.sleep(0.5)
    session.call_sync("Stop", None, Gio.DBusCallFlags.NONE, -1, None)


if __name__ == "__main__":
    main()
