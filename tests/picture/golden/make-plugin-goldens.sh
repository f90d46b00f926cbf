#!/bin/sh
# Writes the golden pictures of the shipped decoder plug-ins (png/, gif/, webp/, tiff/), each
# NAME.<ext> next to NAME.ref.png, the pixels the plug-in must produce. The pixels are made
# here, not by any decoder under test: the PNG and GIF files are written byte by byte, the
# TIFF and WebP files are converted from the references by ImageMagick.
#
# Run from anywhere: tests/picture/golden/make-plugin-goldens.sh
# Needs python3 and ImageMagick's convert (with its WebP and TIFF delegates).
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PYTHON'
import os
import struct
import sys
import zlib

work = sys.argv[1]
W, H = 21, 15  # odd width: 24-bit and 8-bit rows both need padding; every row differs


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


# --- PNG ---------------------------------------------------------------------------------

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]


def png(path, rows, color_type, depth, plte=None, trns=None, interlace=False):
    """rows: lists of pixels, each a tuple of samples."""
    height, width = len(rows), len(rows[0])

    def packed(row):
        if depth == 8:
            return bytes(s for p in row for s in p)
        if depth == 16:
            return b"".join(struct.pack(">H", s) for p in row for s in p)
        bits, n = 0, 0
        out = bytearray()
        for (s,) in row:
            bits, n = (bits << depth) | s, n + depth
            if n == 8:
                out.append(bits)
                bits, n = 0, 0
        if n:
            out.append(bits << (8 - n))
        return bytes(out)

    raw = b""
    if interlace:
        for x0, y0, dx, dy in ADAM7:
            for y in range(y0, height, dy):
                sub = rows[y][x0::dx]
                if sub:
                    raw += b"\0" + packed(sub)
    else:
        raw = b"".join(b"\0" + packed(r) for r in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0,
                                       1 if interlace else 0))
    if plte:
        data += chunk(b"PLTE", bytes(c for rgb in plte for c in rgb))
    if trns:
        data += chunk(b"tRNS", bytes(trns))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    write(path, data)


def ref(path, rows):
    """The expected pixels: RGB when every pixel is opaque, else RGBA."""
    if all(len(p) == 3 for r in rows for p in r):
        png(path, rows, 2, 8)
    else:
        png(path, rows, 6, 8)


def grid(f, width=W, height=H):
    return [[f(x, y) for x in range(width)] for y in range(height)]


def rgb(x, y):
    return ((x * 255) // (W - 1), (y * 255) // (H - 1), (x * 37 + y * 91 + 40) % 256)


def alpha(x, y):
    if y < 3:
        return 255
    if x < 3:
        return 0
    return (x * 12 + y * 17) % 256


def palette(n, seed=0):
    colours = [((i * 53 + 17 + seed) % 256, (i * 101 + 71 + seed * 3) % 256,
                (i * 29 + 190 + seed * 7) % 256) for i in range(n)]
    assert len(set(colours)) == n
    return colours


os.makedirs("png", exist_ok=True)
rgb_rows = grid(rgb)
rgba_rows = grid(lambda x, y: rgb(x, y) + (alpha(x, y),))

png("png/rgb8.png", rgb_rows, 2, 8)
ref("png/rgb8.ref.png", rgb_rows)
png("png/rgba8.png", rgba_rows, 6, 8)
ref("png/rgba8.ref.png", rgba_rows)
png("png/interlaced.png", rgb_rows, 2, 8, interlace=True)
ref("png/interlaced.ref.png", rgb_rows)

# 4 bits a pixel: two pixels a byte, and the odd width leaves half a byte over.
pal16 = palette(16)
pal_rows = grid(lambda x, y: ((x // 2 + 3 * y) % 16,))
png("png/palette.png", pal_rows, 3, 4, plte=pal16)
ref("png/palette.ref.png", [[pal16[i] for (i,) in r] for r in pal_rows])

pal40 = palette(40, seed=5)
trns = [0, 64, 128, 200, 255, 30]  # the entries after these are opaque
trns_rows = grid(lambda x, y: ((x + 2 * y) % 40,))
png("png/palette-trns.png", trns_rows, 3, 8, plte=pal40, trns=trns)
ref("png/palette-trns.ref.png",
    [[pal40[i] + (trns[i] if i < len(trns) else 255,) for (i,) in r] for r in trns_rows])


def grey(x, y):
    return (x * 11 + y * 17) % 256


png("png/grey.png", grid(lambda x, y: (grey(x, y),)), 0, 8)
ref("png/grey.ref.png", grid(lambda x, y: (grey(x, y),) * 3))
png("png/grey-alpha.png", grid(lambda x, y: (grey(x, y), alpha(x, y))), 4, 8)
ref("png/grey-alpha.ref.png", grid(lambda x, y: (grey(x, y),) * 3 + (alpha(x, y),)))


# 16 bits: the low byte differs from the high one, so using it instead shows.
def wide(v, x, y, k):
    return max(0, min(65535, v * 257 + (x * 7 + y * 5 + k * 13) % 121 - 60))


rows16 = grid(lambda x, y: tuple(wide(v, x, y, k) for k, v in enumerate(rgb(x, y))))
png("png/rgb16.png", rows16, 2, 16)
ref("png/rgb16.ref.png", [[tuple((s * 255 + 32767) // 65535 for s in p) for p in r] for r in rows16])


# --- GIF ---------------------------------------------------------------------------------

def lzw(indices, min_size):
    clear, eoi = 1 << min_size, (1 << min_size) + 1
    size, next_code = min_size + 1, eoi + 1
    table = {(i,): i for i in range(clear)}
    out, bits, n = bytearray(), 0, 0

    def emit(code):
        nonlocal bits, n
        bits |= code << n
        n += size
        while n >= 8:
            out.append(bits & 255)
            bits >>= 8
            n -= 8

    emit(clear)
    w = (indices[0],)
    for k in indices[1:]:
        if w + (k,) in table:
            w += (k,)
            continue
        emit(table[w])
        # The reader widens its codes one code after the table outgrows them.
        if next_code >= (1 << size) and size < 12:
            size += 1
        assert next_code < 4095, "picture too big for this simple encoder"
        table[w + (k,)] = next_code
        next_code += 1
        w = (k,)
    emit(table[w])
    if next_code >= (1 << size) and size < 12:
        size += 1
    emit(eoi)
    if n:
        out.append(bits & 255)
    return bytes(out)


def colour_table(colours):
    bits = max(1, (len(colours) - 1).bit_length())
    padded = colours + [(0, 0, 0)] * ((1 << bits) - len(colours))
    return bits, bytes(c for rgb in padded for c in rgb)


def gif(path, width, height, colours, background, frames, loop=False):
    bits, table = colour_table(colours)
    data = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | ((bits - 1) << 4) | (bits - 1),
                                   background, 0) + table
    if loop:
        data += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    data += b"\x21\xfe\x0cmade by hand\x00"  # a comment to step over
    for f in frames:
        fw, fh, pixels = f["w"], f["h"], f["pixels"]
        data += b"\x21\xf9\x04\x04" + struct.pack("<H", 20) + b"\x00\x00"
        packed = 0x40 if f.get("interlace") else 0
        local = b""
        if f.get("colours"):
            lbits, local = colour_table(f["colours"])
            packed |= 0x80 | (lbits - 1)
        data += b"\x2c" + struct.pack("<HHHHB", f["left"], f["top"], fw, fh, packed) + local
        order = list(range(fh))
        if f.get("interlace"):
            order = (list(range(0, fh, 8)) + list(range(4, fh, 8)) + list(range(2, fh, 4)) +
                     list(range(1, fh, 2)))
        min_size = max(2, bits if not local else lbits)
        stream = lzw([pixels[y * fw + x] for y in order for x in range(fw)], min_size)
        data += bytes([min_size])
        for i in range(0, len(stream), 255):
            part = stream[i:i + 255]
            data += bytes([len(part)]) + part
        data += b"\x00"
    write(path, data + b"\x3b")


def composed(width, height, colours, background, frame):
    """The first frame on its screen, the rest in the background colour."""
    rows = [[colours[background]] * width for _ in range(height)]
    frame_colours = frame.get("colours") or colours
    for y in range(frame["h"]):
        for x in range(frame["w"]):
            sx, sy = frame["left"] + x, frame["top"] + y
            if sx < width and sy < height:
                rows[sy][sx] = frame_colours[frame["pixels"][y * frame["w"] + x]]
    return rows


def frame(left, top, width, height, f, **extra):
    return dict(left=left, top=top, w=width, h=height,
                pixels=[f(x, y) for y in range(height) for x in range(width)], **extra)


os.makedirs("gif", exist_ok=True)
pal64 = palette(64, seed=11)
full = frame(0, 0, W, H, lambda x, y: (x // 3 + 7 * y) % 64)
cases = {
    "plain": (W, H, 9, [full], False),
    "interlaced": (W, H, 9, [dict(full, interlace=True)], False),
    # The first frame has its own colours; the later ones differ in pixels and colours.
    "animated": (W, H, 9, [frame(0, 0, W, H, lambda x, y: (3 * x + y) % 32, colours=palette(32, 99)),
                           frame(0, 0, W, H, lambda x, y: (x + 5 * y) % 64),
                           frame(4, 4, 6, 5, lambda x, y: 1)], True),
    "offset": (24, 16, 9, [frame(7, 5, 10, 6, lambda x, y: (x + 3 * y + 40) % 64)], False),
    # Part of the frame lies beyond the screen.
    "clipped": (24, 16, 20, [frame(18, 12, 10, 8, lambda x, y: (2 * x + 5 * y) % 64)], False),
}
for name, (width, height, background, frames, loop) in cases.items():
    gif(f"gif/{name}.gif", width, height, pal64, background, frames, loop)
    ref(f"gif/{name}.ref.png", composed(width, height, pal64, background, frames[0]))


# --- Sources of the TIFF and WebP files -------------------------------------------------

os.makedirs("tiff", exist_ok=True)
ref("tiff/rgb.ref.png", rgb_rows)
ref("tiff/rgb-lzw.ref.png", rgb_rows)
ref("tiff/rgb-tiled.ref.png", rgb_rows)
# libtiff hands out colours multiplied by alpha; these levels come back within one step.
tiff_alpha = [255, 192, 128, 64, 0]
ref("tiff/rgba.ref.png", grid(lambda x, y: rgb(x, y) + (tiff_alpha[(x // 5 + y // 4) % 5],)))
ref("tiff/multipage.ref.png", rgb_rows)
ref(f"{work}/page2.png", grid(lambda x, y: (200, 30, 90), 9, 7))
ref("tiff/grey.ref.png", grid(lambda x, y: (grey(x, y),) * 3))
ref("tiff/palette.ref.png", [[pal16[i] for (i,) in r] for r in pal_rows])

os.makedirs("webp", exist_ok=True)
ref("webp/lossless.ref.png", rgb_rows)
ref("webp/lossless-alpha.ref.png", rgba_rows)
# Lossy coding blurs sharp edges; smooth ramps survive it with small errors. Red and blue run
# in opposite directions and green runs down, so a swap or a flip is far off.
def ramp(x, y):
    return (40 + 4 * x, 30 + 6 * y, 220 - 2 * x - 2 * y)


block_alpha = [255, 160, 96, 255, 40, 255]
ref("webp/lossy.ref.png", grid(ramp, 48, 32))
ref("webp/lossy-alpha.ref.png",
    grid(lambda x, y: ramp(x, y) + (block_alpha[x // 16 + 3 * (y // 16)],), 48, 32))
PYTHON

# Leave out dates and other text, so that the same pixels give the same files.
im() { convert "$@"; }
plain="-strip +set date:create +set date:modify"

im tiff/rgb.ref.png $plain -alpha off -depth 8 -compress None tiff/rgb.tif
im tiff/rgb-lzw.ref.png $plain -alpha off -depth 8 -compress LZW -define tiff:predictor=2 tiff/rgb-lzw.tif
im tiff/rgb-tiled.ref.png $plain -alpha off -depth 8 -compress None -define tiff:tile-geometry=16x16 tiff/rgb-tiled.tif
im tiff/rgba.ref.png $plain -depth 8 -compress None tiff/rgba.tif
im tiff/multipage.ref.png "$work/page2.png" $plain -alpha off -depth 8 -compress LZW tiff/multipage.tif
im tiff/grey.ref.png $plain -depth 8 -type Grayscale -compress None tiff/grey.tif
im tiff/palette.ref.png $plain -type Palette -compress None tiff/palette.tif

im webp/lossless.ref.png $plain -alpha off -define webp:lossless=true webp/lossless.webp
im webp/lossless-alpha.ref.png $plain -define webp:lossless=true -define webp:exact=true webp/lossless-alpha.webp
im webp/lossy.ref.png $plain -alpha off -quality 90 webp/lossy.webp
im webp/lossy-alpha.ref.png $plain -quality 90 -define webp:alpha-quality=100 webp/lossy-alpha.webp
