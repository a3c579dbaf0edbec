#!/usr/bin/env python3
"""wayland_window.py SCREENSHOT: finds the one window on a black screenshot
and prints its client area's size and the buttons at the right of its title
bar, left to right: "536x459 minimise close". Exits non-zero when no drawn
window is there.

The client area is the window's white background: its left and right edges
are read along the middle row, its top and bottom along a column inside its
left margin. Buttons are told apart by their glyphs: a flat line (minimise),
a box with a full left edge (maximise) or a cross (close).

wayland_window.py --focused: reads sway's window tree (swaymsg -t get_tree)
and prints the title of the focused window, or nothing.

wayland_window.py --keys KEY...: types Tab and Return keys through a
virtual keyboard of the compositor's, to the focused window, as a person
would (a headless compositor has no keyboard of its own). The Wayland
messages are written here, so no client library is needed."""

import json
import os
import socket
import struct
import subprocess
import sys
import time


def load(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                         capture_output=True).stdout
    return width, height, raw


def main():
    width, height, raw = load(sys.argv[1])

    def rgb(x, y):
        i = 3 * (y * width + x)
        return raw[i], raw[i + 1], raw[i + 2]

    def white(x, y):
        return rgb(x, y) == (255, 255, 255)

    lit = [(x, y) for y in range(0, height, 2) for x in range(0, width, 2) if rgb(x, y) != (0, 0, 0)]
    if not lit:
        sys.exit("nothing on the screen")
    left = min(x for x, _ in lit)
    right = max(x for x, _ in lit) + 1
    top = min(y for _, y in lit)
    bottom = max(y for _, y in lit) + 1
    # The frame may sit one pixel beyond the sampled grid.
    left, top = max(left - 1, 0), max(top - 1, 0)
    right, bottom = min(right + 1, width - 1), min(bottom + 1, height - 1)

    middle = (top + bottom) // 2
    row = [x for x in range(left, right + 1) if white(x, middle)]
    if not row:
        sys.exit("no client area in the window")
    client_left, client_right = row[0], row[-1]
    column = [y for y in range(top, bottom + 1) if white(client_left + 3, y)]
    client_top, client_bottom = column[0], column[-1]
    # The frame's top edge: up from the client area to the black desktop.
    top = client_top
    while top > 0 and rgb(client_left + 3, top - 1) != (0, 0, 0):
        top -= 1
    if client_top - top < 10:
        sys.exit("no title bar above the client area")

    # Title bar, below the frame's outer edge: ink is what differs
    # clearly from its most common colour.
    bar = range(top + 4, client_top)
    colours = {}
    for y in bar:
        for x in range(client_left, client_right + 1):
            colours[rgb(x, y)] = colours.get(rgb(x, y), 0) + 1
    background = max(colours, key=colours.get)

    def ink(x, y):
        return sum(abs(a - b) for a, b in zip(rgb(x, y), background)) > 120

    # The buttons sit in the last 90 pixels, right of the centred title;
    # the frame's side edge is not part of them.
    glyphs, start = [], None
    for x in range(client_right - 90, client_right + 1):
        inked = any(ink(x, y) for y in bar)
        if inked and start is None:
            start = x
        elif not inked and start is not None:
            glyphs.append((start, x - 1))
            start = None
    if start is not None:
        sys.exit("the title bar's buttons run into the frame")
    names = []
    for x0, x1 in glyphs:
        rows = [y for y in bar if any(ink(x, y) for x in range(x0, x1 + 1))]
        if rows[-1] - rows[0] + 1 <= 3:
            names.append("minimise")
        elif all(ink(x0, y) for y in range(rows[0], rows[-1] + 1)):
            names.append("maximise")
        else:
            names.append("close")
    print(f"{client_right - client_left + 1}x{client_bottom - client_top + 1}", " ".join(names))


def focused(node):
    if node.get("focused") and node.get("type") in ("con", "floating_con"):
        return node.get("name") or ""
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        name = focused(child)
        if name is not None:
            return name
    return None


# evdev codes; the keymap's keycodes are 8 higher.
KEYS = {"Tab": 15, "Return": 28}
KEYMAP = b"""xkb_keymap {
xkb_keycodes { minimum = 8; maximum = 255; <TAB> = 23; <RTRN> = 36; };
xkb_types { include "complete" };
xkb_compatibility { include "complete" };
xkb_symbols { key <TAB> { [ Tab ] }; key <RTRN> { [ Return ] }; };
};
\0"""


def press(keys):
    path = os.path.join(os.environ.get("XDG_RUNTIME_DIR", ""), os.environ["WAYLAND_DISPLAY"])
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.connect(path)
    ids = iter(range(2, 1000))  # new objects' ids, in order as the protocol wants

    def send(obj, opcode, args=b"", fds=()):
        message = struct.pack("<II", obj, (8 + len(args)) << 16 | opcode) + args
        socket.send_fds(sock, [message], list(fds)) if fds else sock.sendall(message)

    def string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    received = b""

    def roundtrip():  # the events up to a wl_display.sync's answer
        nonlocal received
        callback = next(ids)
        send(1, 0, struct.pack("<I", callback))
        events = []
        while True:
            while len(received) >= 8:
                obj, head = struct.unpack("<II", received[:8])
                if len(received) < head >> 16:
                    break
                events.append((obj, head & 0xFFFF, received[8:head >> 16]))
                received = received[head >> 16:]
                if obj == callback:
                    return events
            chunk = sock.recv(65536)
            if not chunk:
                sys.exit("the compositor closed the connection")
            received += chunk

    registry = next(ids)
    send(1, 1, struct.pack("<I", registry))
    offered = {}
    for obj, opcode, args in roundtrip():
        if obj == registry and opcode == 0:
            name, length = struct.unpack("<II", args[:8])
            offered[args[8:7 + length].decode()] = name
    bound = {}
    for interface in ("wl_seat", "zwp_virtual_keyboard_manager_v1"):
        if interface not in offered:
            sys.exit(f"the compositor offers no {interface}")
        bound[interface] = next(ids)
        send(registry, 0, struct.pack("<I", offered[interface]) + string(interface)
             + struct.pack("<II", 1, bound[interface]))
    keyboard = next(ids)
    send(bound["zwp_virtual_keyboard_manager_v1"], 0, struct.pack("<II", bound["wl_seat"], keyboard))
    keymap = os.memfd_create("keymap")
    os.write(keymap, KEYMAP)
    send(keyboard, 0, struct.pack("<II", 1, len(KEYMAP)), [keymap])
    os.close(keymap)
    roundtrip()
    time.sleep(0.5)  # the focused client takes the new keyboard and its keymap
    for key in keys:
        now = int(time.monotonic() * 1000) & 0xFFFFFFFF
        send(keyboard, 1, struct.pack("<III", now, KEYS[key], 1))
        send(keyboard, 1, struct.pack("<III", now + 1, KEYS[key], 0))
        roundtrip()
        time.sleep(0.1)


if __name__ == "__main__":
    if sys.argv[1] == "--focused":
        print(focused(json.load(sys.stdin)) or "")
    elif sys.argv[1] == "--keys":
        press(sys.argv[2:])
    else:
        main()
