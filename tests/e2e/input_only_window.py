"""Makes an input-only window on $DISPLAY, prints its id and holds it until killed."""
import ctypes
import ctypes.util
import signal

xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XCreateWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                               ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_int,
                               ctypes.c_uint, ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
xlib.XCreateWindow.restype = ctypes.c_ulong
xlib.XFlush.argtypes = [ctypes.c_void_p]
display = xlib.XOpenDisplay(None)
if not display:
    raise SystemExit("cannot open the display")
INPUT_ONLY = 2
window = xlib.XCreateWindow(display, xlib.XDefaultRootWindow(display), 0, 0, 64, 64, 0, 0,
                            INPUT_ONLY, None, 0, None)
xlib.XFlush(display)
print(hex(window), flush=True)
signal.pause()
