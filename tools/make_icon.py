#!/usr/bin/env python3
"""Draws Vorlex's icon (a white chevron on a blue rounded square) as
res/Vorlex.ico with 16, 20, 24, 32, 40 and 48 pixel images (the small icon
at 100, 125, 150 and 200 %, the large one at 100, 125 and 150 %), 32 bits
with alpha."""
import struct, sys, math

def pixel(x, y, n):
    # Coordinates in 0..1 at the pixel centre.
    u, v = (x + 0.5) / n, (y + 0.5) / n
    r = 0.2  # corner radius
    dx = max(r - u, 0, u - (1 - r)); dy = max(r - v, 0, v - (1 - r))
    if dx * dx + dy * dy > r * r:
        return (0, 0, 0, 0)
    # A "V" made of two thick strokes.
    def dist(px, py, ax, ay, bx, by):
        t = max(0, min(1, ((px-ax)*(bx-ax)+(py-ay)*(by-ay)) / ((bx-ax)**2+(by-ay)**2)))
        return math.hypot(px-(ax+t*(bx-ax)), py-(ay+t*(by-ay)))
    d = min(dist(u, v, 0.25, 0.25, 0.5, 0.78), dist(u, v, 0.75, 0.25, 0.5, 0.78))
    if d < 0.085:
        return (255, 255, 255, 255)
    shade = int(150 + 80 * (1 - v))
    return (40, 90, shade, 255)  # (r, g, b, a)

def image(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        for x in range(n):
            r, g, b, a = pixel(x, y, n)
            rows.append(struct.pack('BBBB', b, g, r, a))
    xor = b''.join(rows)
    mask_row = ((n + 31) // 32) * 4
    and_mask = b'\0' * (mask_row * n)
    header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask

sizes = [16, 20, 24, 32, 40, 48]
images = [image(n) for n in sizes]
out = struct.pack('<HHH', 0, 1, len(sizes))
offset = 6 + 16 * len(sizes)
for n, img in zip(sizes, images):
    out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(img), offset)
    offset += len(img)
out += b''.join(images)
open(sys.argv[1] if len(sys.argv) > 1 else 'res/Vorlex.ico', 'wb').write(out)
