#!/usr/bin/env python3
"""GNOME's session manager for the tests, beside a headless mutter: SIGUSR1 turns its idle
inhibitor over; SIGUSR2 nudges the pointer 2 px through mutter's remote desktop (input for
mutter, too little to end a show). Usage: gnome_session.py inhibited|free"""
import signal
import sys

from gi.repository import Gio, GLib

MANAGER, PATH = "org.gnome.SessionManager", "/org/gnome/SessionManager"
INTERFACE = f"""<node><interface name="{MANAGER}"><method name="IsInhibited">
  <arg type="u" direction="in"/><arg type="b" direction="out"/></method>
  <signal name="InhibitorAdded"><arg type="o"/></signal>
  <signal name="InhibitorRemoved"><arg type="o"/></signal></interface></node>"""
inhibited = sys.argv[1] == "inhibited"
bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def turn_over():
    global inhibited
    inhibited = not inhibited
    bus.emit_signal(None, PATH, MANAGER, "InhibitorAdded" if inhibited else "InhibitorRemoved",
                    GLib.Variant("(o)", (PATH + "/Inhibitor1",)))
    return True


def remote(path, interface):
    name = "org.gnome.Mutter.RemoteDesktop"
    return Gio.DBusProxy.new_sync(bus, 0, None, name, path, name + interface, None)


session = remote(remote("/org/gnome/Mutter/RemoteDesktop", "").CreateSession(), ".Session")
session.Start()
bus.register_object(PATH, Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0],
                    lambda _b, _s, _p, _i, _m, arguments, call: call.return_value(
                        GLib.Variant("(b)", (inhibited and arguments[0] & 8 != 0,))))
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, turn_over)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR2,
                     lambda: session.NotifyPointerMotionRelative("(dd)", 2.0, 0.0) or True)
Gio.bus_own_name_on_connection(bus, MANAGER, 0, lambda *_: print("ready", flush=True), None)
GLib.MainLoop().run()
