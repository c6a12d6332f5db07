"""Prints the X server's own screen-saver state: off, on, cycle or disabled."""
import ctypes
import ctypes.util


class Info(ctypes.Structure):  # XScreenSaverInfo
    _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong),
                ("event_mask", ctypes.c_ulong)]


xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
xss = ctypes.CDLL(ctypes.util.find_library("Xss"))
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(Info)]
display = xlib.XOpenDisplay(None)
info = Info()
if not display or not xss.XScreenSaverQueryInfo(display, xlib.XDefaultRootWindow(display),
                                                 ctypes.byref(info)):
    raise SystemExit("no screen-saver information from the X server")
print(["off", "on", "cycle", "disabled"][info.state])
