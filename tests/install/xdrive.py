#!/usr/bin/env python3
"""Drives a program under an X server without a window manager, as a user would:
   xdrive.py close <window id>     asks the window to close (WM_DELETE_WINDOW)
   xdrive.py click <x> <y>         clicks the left button at a point of the screen
Uses only libX11 and libXtst through ctypes, so no extra package is needed."""
import ctypes
import sys
import time

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def main():
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("no X display")
    if sys.argv[1] == "close":
        window = int(sys.argv[2], 0)
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    elif sys.argv[1] == "click":
        xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
        x, y = int(sys.argv[2]), int(sys.argv[3])
        xtst.XTestFakeMotionEvent(ctypes.c_void_p(display), -1, x, y, 0)
        x11.XFlush(display)
        time.sleep(0.2)
        xtst.XTestFakeButtonEvent(ctypes.c_void_p(display), 1, 1, 0)
        xtst.XTestFakeButtonEvent(ctypes.c_void_p(display), 1, 0, 0)
    x11.XFlush(display)
    x11.XCloseDisplay(display)


main()
