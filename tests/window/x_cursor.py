#!/usr/bin/env python3
"""Prints the pointer image the X server shows now, as the XFixes extension
reports it: "WIDTH HEIGHT XHOT YHOT OPAQUE" (OPAQUE = pixels with alpha)."""

import ctypes
import sys


class CursorImage(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_short),
        ("y", ctypes.c_short),
        ("width", ctypes.c_ushort),
        ("height", ctypes.c_ushort),
        ("xhot", ctypes.c_ushort),
        ("yhot", ctypes.c_ushort),
        ("cursor_serial", ctypes.c_ulong),
        ("pixels", ctypes.POINTER(ctypes.c_ulong)),  # ARGB in the low 32 bits
    ]


def main():
    xlib = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]

    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("x_cursor: no display")
    image_ptr = xfixes.XFixesGetCursorImage(display)
    if not image_ptr:
        sys.exit("x_cursor: the server gave no cursor image")
    image = image_ptr.contents
    count = image.width * image.height
    opaque = sum(1 for i in range(count) if (image.pixels[i] >> 24) & 0xFF)
    print(image.width, image.height, image.xhot, image.yhot, opaque)
    xlib.XFree(image_ptr)
    xlib.XCloseDisplay(display)


if __name__ == "__main__":
    main()
