#!/usr/bin/env python3
"""GNOME's session manager for the tests, beside a headless mutter (gnome_session.py
inhibited|free): SIGUSR1 turns its idle inhibitor over, SIGWINCH one of suspending only (4);
SIGHUP turns IsInhibited's answers to the next of: at once, 4 s late, a D-Bus error; SIGUSR2
nudges the pointer 2 px through mutter's remote desktop (input, too little to end a show)."""
import signal
import sys

from gi.repository import Gio, GLib

MANAGER, PATH = "org.gnome.SessionManager", "/org/gnome/SessionManager"
INTERFACE = f"""<node><interface name="{MANAGER}"><method name="IsInhibited">
  <arg type="u" direction="in"/><arg type="b" direction="out"/></method>
  <signal name="InhibitorAdded"><arg type="o"/></signal>
  <signal name="InhibitorRemoved"><arg type="o"/></signal></interface></node>"""
held = 8 if sys.argv[1] == "inhibited" else 0  # the flags of the inhibitors held
answering = [0]  # at once, after 4 s, with an error
bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def turn_over(flag):
    global held
    held ^= flag
    bus.emit_signal(None, PATH, MANAGER, "InhibitorAdded" if held & flag else "InhibitorRemoved",
                    GLib.Variant("(o)", (f"{PATH}/Inhibitor{flag}",)))
    return True


def is_inhibited(flags, call):
    reply = GLib.Variant("(b)", (held & flags != 0,))  # as things stand when asked
    if answering[0] == 2:
        call.return_dbus_error("org.freedesktop.DBus.Error.Failed", "the stand-in fails")
    else:
        GLib.timeout_add(4000 * answering[0], lambda: call.return_value(reply) or False)


def remote(path, interface):
    name = "org.gnome.Mutter.RemoteDesktop"
    return Gio.DBusProxy.new_sync(bus, 0, None, name, path, name + interface, None)


session = remote(remote("/org/gnome/Mutter/RemoteDesktop", "").CreateSession(), ".Session")
session.Start()
bus.register_object(PATH, Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0],
                    lambda _b, _s, _p, _i, _m, arguments, call: is_inhibited(arguments[0], call))
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, lambda: turn_over(8))
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGWINCH, lambda: turn_over(4))
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGHUP,
                     lambda: answering.append((answering.pop() + 1) % 3) or True)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR2,
                     lambda: session.NotifyPointerMotionRelative("(dd)", 2.0, 0.0) or True)
Gio.bus_own_name_on_connection(bus, MANAGER, 0, lambda *_: print("ready", flush=True), None)
GLib.MainLoop().run()
