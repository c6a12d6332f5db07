#!/usr/bin/env python3
"""A stand-in for the GNOME session around a headless mutter, for the tests: its session
manager, which says whether an application inhibits idle (SIGUSR1 turns that over, with
the signal GNOME's sends), and a hand on the mouse through mutter's remote desktop
(SIGUSR2 moves the pointer by two pixels: input for mutter, too little to end a show).

Usage: gnome_session.py inhibited|free   (prints "ready" once it owns its name)
"""
import signal
import sys

from gi.repository import Gio, GLib

INTERFACE = """<node><interface name="org.gnome.SessionManager">
  <method name="IsInhibited"><arg type="u" direction="in"/><arg type="b" direction="out"/></method>
  <signal name="InhibitorAdded"><arg type="o"/></signal>
  <signal name="InhibitorRemoved"><arg type="o"/></signal>
</interface></node>"""
PATH, IDLE = "/org/gnome/SessionManager", 8
inhibited = sys.argv[1] == "inhibited"
bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def answer(_bus, _sender, _path, _interface, _method, arguments, invocation):
    invocation.return_value(GLib.Variant("(b)", (inhibited and arguments[0] & IDLE != 0,)))


def turn_over():
    global inhibited
    inhibited = not inhibited
    bus.emit_signal(None, PATH, "org.gnome.SessionManager",
                    "InhibitorAdded" if inhibited else "InhibitorRemoved",
                    GLib.Variant("(o)", ("/org/gnome/SessionManager/Inhibitor1",)))
    return True


def remote(path, interface):
    return Gio.DBusProxy.new_sync(bus, 0, None, "org.gnome.Mutter.RemoteDesktop", path,
                                  interface, None)


desktop = remote("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop")
session = remote(desktop.CreateSession(), "org.gnome.Mutter.RemoteDesktop.Session")
session.Start()
bus.register_object(PATH, Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0], answer)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, turn_over)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR2,
                     lambda: session.NotifyPointerMotionRelative("(dd)", 2.0, 0.0) or True)
Gio.bus_own_name_on_connection(bus, "org.gnome.SessionManager", 0,
                               lambda *_: print("ready", flush=True), None)
GLib.MainLoop().run()
