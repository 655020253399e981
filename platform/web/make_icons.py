#!/usr/bin/env python3
"""The web app's icons: the game's own icons (assets/icons/) copied, plus the two sizes a
phone's home screen and launch screen ask for, made from the 256-pixel one: 512 by doubling
every pixel, 192 by averaging (in premultiplied alpha, so the transparent corners leave no
dark fringe). Needs only Python's standard library.

    make_icons.py ICON_DIR OUT_DIR
"""

import os
import shutil
import struct
import sys
import zlib

SIZES = (48, 64, 128, 256)


def read_png(path):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA, non-interlaced PNG."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s: not a PNG file" % path)
    pos, idat, width = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if (depth, colour, interlace) != (8, 6, 0):
                raise ValueError("%s: not 8-bit RGBA without interlacing" % path)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    raw = zlib.decompress(idat)
    stride, bpp = width * 4, 4
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if f == 1:
                line[x] = (line[x] + a) & 255
            elif f == 2:
                line[x] = (line[x] + b) & 255
            elif f == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\x00" + bytes(r) for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def doubled(rows):
    out = []
    for r in rows:
        line = bytearray()
        for x in range(0, len(r), 4):
            line += r[x:x + 4] * 2
        out += [line, bytearray(line)]
    return out


def weights(n_in, n_out):
    """For each output pixel, the (input pixel, share of it) it covers."""
    scale = n_in / n_out
    table = []
    for i in range(n_out):
        lo, hi = i * scale, (i + 1) * scale
        parts, j = [], int(lo)
        while j < hi and j < n_in:
            share = min(hi, j + 1) - max(lo, j)
            if share > 1e-9:
                parts.append((j, share / scale))
            j += 1
        table.append(parts)
    return table


def boxed(width, rows, size):
    """Area-averaged down to size x size, in premultiplied alpha."""
    pre = []
    for r in rows:
        line = []
        for x in range(width):
            red, green, blue, alpha = r[4 * x:4 * x + 4]
            line.append((red * alpha, green * alpha, blue * alpha, alpha))
        pre.append(line)
    w = weights(width, size)
    out = []
    for parts_y in weights(len(rows), size):
        line = bytearray()
        for parts_x in w:
            acc = [0.0, 0.0, 0.0, 0.0]
            for y, sy in parts_y:
                for x, sx in parts_x:
                    p, s = pre[y][x], sy * sx
                    for k in range(4):
                        acc[k] += p[k] * s
            alpha = acc[3]
            if alpha < 0.5:
                line += b"\x00\x00\x00\x00"
            else:
                line += bytes(min(255, int(acc[k] / alpha + 0.5)) for k in range(3)) + bytes([int(alpha + 0.5)])
        out.append(line)
    return out


def main():
    icon_dir, out_dir = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    for size in SIZES:
        shutil.copyfile(os.path.join(icon_dir, "tavrin-%d.png" % size), os.path.join(out_dir, "tavrin-%d.png" % size))
    width, height, rows = read_png(os.path.join(icon_dir, "tavrin-256.png"))
    write_png(os.path.join(out_dir, "tavrin-512.png"), 2 * width, 2 * height, doubled(rows))
    write_png(os.path.join(out_dir, "tavrin-192.png"), 192, 192, boxed(width, rows, 192))


if __name__ == "__main__":
    main()
