"""Reads an xwd dump (Z pixmap, 32 bits a pixel) on stdin and prints a checksum of a rectangle:
    xwdcrop.py X Y WIDTH HEIGHT
The rectangle is cut to the picture; nothing is printed for a dump it cannot read."""
import hashlib
import struct
import sys

data = sys.stdin.buffer.read()
if len(data) < 100:
    sys.exit(1)
h = struct.unpack(">25I", data[:100])
header_size, width, height = h[0], h[4], h[5]
bits_per_pixel, bytes_per_line, ncolors = h[11], h[12], h[19]
if bits_per_pixel != 32:
    sys.exit(1)
start = header_size + ncolors * 12
x, y, cx, cy = (int(a) for a in sys.argv[1:5])
x0, y0 = max(0, x), max(0, y)
x1, y1 = min(width, x + cx), min(height, y + cy)
digest = hashlib.sha1()
for row in range(y0, y1):
    off = start + row * bytes_per_line
    digest.update(data[off + 4 * x0: off + 4 * x1])
print(digest.hexdigest())
