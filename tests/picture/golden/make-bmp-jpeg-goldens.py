#!/usr/bin/env python3
"""Writes the golden BMP files (every variant the built-in reader must read) and the JPEG
sources, each next to a reference PNG of the exact pixels. The pixels are made here, not by
any decoder, so the references are independent of the code under test.

Run from this folder: ./make-bmp-jpeg-goldens.py  (JPEGs need cjpeg and ImageMagick's convert)
"""
import os
import struct
import subprocess
import zlib

W, H = 13, 7  # odd width: every row needs padding


def png(path, pixels, width, height):
    raw = b"".join(b"\0" + bytes(c for p in pixels[y * width:(y + 1) * width] for c in p)
                   for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw)))
        f.write(chunk(b"IEND", b""))


def ppm(path, pixels, width, height):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(bytes(c for p in pixels for c in p))


def palette(n):
    """n distinct colours."""
    return [((i * 97) % 256, (i * 53 + 40) % 256, (i * 151 + 90) % 256) for i in range(n)]


def index_image(n):
    return [(x * 3 + y * 5) % n for y in range(H) for x in range(W)]


def rgb_image():
    return [((x * 19) % 256, (y * 37) % 256, ((x + y) * 23) % 256) for y in range(H) for x in range(W)]


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_rows(indices, bits, top_down=False):
    rows = []
    for y in range(H):
        row = indices[y * W:(y + 1) * W]
        data = bytearray(stride(W, bits))
        for x, v in enumerate(row):
            if bits == 8:
                data[x] = v
            elif bits == 4:
                data[x // 2] |= v << (0 if x % 2 else 4)
            elif bits == 1:
                data[x // 8] |= v << (7 - x % 8)
        rows.append(bytes(data))
    return b"".join(rows if top_down else reversed(rows))


def bmp(path, info, table, pixels):
    offset = 14 + len(info) + len(table)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset))
        f.write(info + table + pixels)


def info_header(bits, compression=0, size_image=0, colors=0, height=H, size=40):
    return struct.pack("<IiiHHIIiiII", size, W, height, 1, bits, compression, size_image, 2835, 2835,
                       colors, 0)


def quad_table(colors):
    return b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in colors)


def indexed(name, bits, n):
    colors = palette(n)
    idx = index_image(n)
    bmp(name + ".bmp", info_header(bits, colors=n), quad_table(colors), pack_rows(idx, bits))
    png(name + ".ref.png", [colors[i] for i in idx], W, H)


def rle8(name):
    colors = palette(200)
    idx = index_image(200)
    out = bytearray()
    for y in reversed(range(H)):
        row = idx[y * W:(y + 1) * W]
        # An encoded run of the first pixel twice as a test of runs, then the rest absolute.
        out += bytes([1, row[0]])
        rest = row[1:]
        out += bytes([0, len(rest)]) + bytes(rest) + (b"\0" if len(rest) % 2 else b"")
        out += b"\0\0"  # end of line
    out += b"\0\1"  # end of bitmap
    bmp(name + ".bmp", info_header(8, compression=1, size_image=len(out), colors=200),
        quad_table(colors), bytes(out))
    png(name + ".ref.png", [colors[i] for i in idx], W, H)


def rle4(name):
    colors = palette(16)
    # Rows of runs: pairs of alternating colours, as RLE4 encodes them.
    idx = [((x // 3) + y) % 16 for y in range(H) for x in range(W)]
    out = bytearray()
    for y in reversed(range(H)):
        row = idx[y * W:(y + 1) * W]
        x = 0
        while x < W:
            n = 1
            while x + n < W and row[x + n] == row[x] and n < 255:
                n += 1
            out += bytes([n, (row[x] << 4) | row[x]])
            x += n
        out += b"\0\0"
    out += b"\0\1"
    bmp(name + ".bmp", info_header(4, compression=2, size_image=len(out), colors=16),
        quad_table(colors), bytes(out))
    png(name + ".ref.png", [colors[i] for i in idx], W, H)


def truecolor(name, bits, top_down=False):
    px = rgb_image()
    rows = []
    for y in range(H):
        data = bytearray()
        for r, g, b in px[y * W:(y + 1) * W]:
            data += bytes([b, g, r]) if bits == 24 else bytes([b, g, r, 0])
        data += b"\0" * (stride(W, bits) - len(data))
        rows.append(bytes(data))
    pixels = b"".join(rows if top_down else reversed(rows))
    bmp(name + ".bmp", info_header(bits, height=-H if top_down else H), b"", pixels)
    png(name + ".ref.png", px, W, H)


def sixteen(name, masks):
    """16 bits per pixel; channel values only at their extremes, so every reader's scaling to
    8 bits agrees exactly."""
    rmask, gmask, bmask = masks or (0x7C00, 0x03E0, 0x001F)
    px, rows = [], []
    for y in range(H):
        data = bytearray()
        for x in range(W):
            r, g, b = (x + y) % 2, (x // 2 + y) % 2, (x // 3) % 2
            px.append((255 * r, 255 * g, 255 * b))
            data += struct.pack("<H", (rmask if r else 0) | (gmask if g else 0) | (bmask if b else 0))
        data += b"\0" * (stride(W, 16) - len(data))
        rows.append(bytes(data))
    pixels = b"".join(reversed(rows))
    if masks:
        bmp(name + ".bmp", info_header(16, compression=3), struct.pack("<III", *masks), pixels)
    else:
        bmp(name + ".bmp", info_header(16), b"", pixels)
    png(name + ".ref.png", px[::1], W, H)


def bitfields32(name):
    px = rgb_image()
    rows = []
    for y in range(H):
        data = b"".join(struct.pack("<I", (r << 8) | (g << 16) | (b << 24)) for r, g, b in px[y * W:(y + 1) * W])
        rows.append(data)
    bmp(name + ".bmp", info_header(32, compression=3),
        struct.pack("<III", 0x0000FF00, 0x00FF0000, 0xFF000000), b"".join(reversed(rows)))
    png(name + ".ref.png", px, W, H)


def os2(name, bits):
    core = struct.pack("<IHHHH", 12, W, H, 1, bits)
    if bits == 8:
        colors = palette(256)
        idx = index_image(256)
        table = b"".join(struct.pack("BBB", b, g, r) for r, g, b in colors)
        bmp(name + ".bmp", core, table, pack_rows(idx, 8))
        png(name + ".ref.png", [colors[i] for i in idx], W, H)
    else:
        px = rgb_image()
        rows = []
        for y in range(H):
            data = bytearray(b"".join(bytes([b, g, r]) for r, g, b in px[y * W:(y + 1) * W]))
            data += b"\0" * (stride(W, 24) - len(data))
            rows.append(bytes(data))
        bmp(name + ".bmp", core, b"", b"".join(reversed(rows)))
        png(name + ".ref.png", px, W, H)


def jpeg_sources():
    """A smooth picture (JPEG keeps it within a few levels) and its variants."""
    w, h = 64, 48
    px = [(int(255 * x / (w - 1)), int(255 * y / (h - 1)), 128 + int(60 * ((x + y) % 16) / 15) - 30)
          for y in range(h) for x in range(w)]
    ppm("source.ppm", px, w, h)
    png("baseline.ref.png", px, w, h)
    subprocess.run(["cjpeg", "-quality", "95", "-outfile", "baseline.jpg", "source.ppm"], check=True)
    subprocess.run(["cjpeg", "-quality", "95", "-progressive", "-outfile", "progressive.jpg", "source.ppm"],
                   check=True)
    subprocess.run(["cjpeg", "-quality", "95", "-sample", "1x1", "-restart", "1", "-outfile",
                    "restart444.jpg", "source.ppm"], check=True)
    for name in ("progressive", "restart444"):
        png(name + ".ref.png", px, w, h)
    grey = [(v, v, v) for v in (int(0.299 * r + 0.587 * g + 0.114 * b) for r, g, b in px)]
    ppm("grey.ppm", grey, w, h)
    subprocess.run(["cjpeg", "-quality", "95", "-grayscale", "-outfile", "grey.jpg", "grey.ppm"], check=True)
    png("grey.ref.png", grey, w, h)
    subprocess.run(["convert", "baseline.ref.png", "-colorspace", "CMYK", "-quality", "95", "cmyk.jpg"],
                   check=True)
    png("cmyk.ref.png", px, w, h)
    for f in ("source.ppm", "grey.ppm"):
        os.remove(f)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    os.chdir(os.path.join(here, "bmp"))
    indexed("pal1", 1, 2)
    indexed("pal4", 4, 16)
    indexed("pal8", 8, 256)
    indexed("pal8-used100", 8, 100)
    rle4("rle4")
    rle8("rle8")
    sixteen("rgb555", None)
    sixteen("rgb565-bitfields", (0xF800, 0x07E0, 0x001F))
    truecolor("rgb24", 24)
    truecolor("rgb24-topdown", 24, top_down=True)
    truecolor("rgb32", 32)
    bitfields32("rgb32-bitfields")
    os2("os2-rgb24", 24)
    os2("os2-pal8", 8)
    os.chdir(os.path.join(here, "jpeg"))
    jpeg_sources()


if __name__ == "__main__":
    main()
