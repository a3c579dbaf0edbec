#!/usr/bin/env python3
"""Draws the hand pointer and writes it as a Windows cursor (.cur) file.

    tools/make_hand_cursor.py data/HAND-M.CUR

The picture below is the whole cursor, one character per pixel:
  '#' outline, 'o' fill, '-' fill in shade, ' ' transparent,
  '@' the outline pixel that is the hotspot (the tip of the index finger).
The file holds one 32 x 32 image, 32 bits per pixel with alpha, plus the
1-bit AND mask that older readers use.
"""

import struct
import sys

SIZE = 32

PICTURE = """\
         @#
        #oo#
        #oo#
        #oo#
        #oo#
        #oo###
        #oo#oo###
        #oo#oo#oo##
    ##  #oo#oo#oo#o#
   #oo# #oo#oo#oo#o-#
   #oo-##ooooooooooo-#
    #oo-#oooooooooooo-#
     #oo-oooooooooooo-#
     #oo-ooooooooooooo#
      #oooooooooooooo-#
      #oooooooooooooo#
       #ooooooooooooo#
       #oooooooooooo-#
        #ooooooooooo#
        #ooooooooooo#
        #############
"""

COLOURS = {  # (blue, green, red, alpha) as a .cur stores them
    "#": (0x1c, 0x1c, 0x1c, 0xff),
    "@": (0x1c, 0x1c, 0x1c, 0xff),
    "o": (0xff, 0xff, 0xff, 0xff),
    "-": (0xc8, 0xc8, 0xc8, 0xff),
    " ": (0x00, 0x00, 0x00, 0x00),
}


def pixels():
    """The picture as SIZE rows of SIZE (b, g, r, a) tuples, and the hotspot."""
    lines = PICTURE.splitlines()
    if len(lines) > SIZE or any(len(line) > SIZE for line in lines):
        sys.exit("the picture is larger than the cursor")
    rows = [[COLOURS[" "]] * SIZE for _ in range(SIZE)]
    hotspot = None
    for y, line in enumerate(lines):
        for x, ch in enumerate(line):
            rows[y][x] = COLOURS[ch]
            if ch == "@":
                hotspot = (x, y)
    if hotspot is None:
        sys.exit("the picture marks no hotspot")
    return rows, hotspot


def cursor_file(rows, hotspot):
    colour = bytearray()
    for row in reversed(rows):  # a DIB is stored bottom-up
        for b, g, r, a in row:
            colour += bytes((b, g, r, a))
    mask = bytearray()
    for row in reversed(rows):
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (SIZE - 1 - x)
        mask += bits.to_bytes(SIZE // 8, "big")  # rows of 32 pixels need no padding
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hotspot[0], hotspot[1],
                        len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    rows, hotspot = pixels()
    with open(sys.argv[1], "wb") as out:
        out.write(cursor_file(rows, hotspot))
    print(f"{sys.argv[1]}: {SIZE}x{SIZE}, hotspot {hotspot[0]},{hotspot[1]}")


if __name__ == "__main__":
    main()
