"""Pictures of the largest size the program reads (16384 x 16384, 2^28 pixels) in files of a
few bytes to a few megabytes: what a hostile or careless file costs. Standard library only.
    python3 make-largest-pictures.py FOLDER
Writes canvas.gif, flat.png, flat.tif, rle.bmp, raw.bmp (sparse, 805 MB on paper) and
webp-source.png, 16383 x 16383, the largest a WebP holds, for cwebp to make flat.webp of."""
import os
import struct
import sys
import zlib

SIDE = 16384
folder = sys.argv[1]


def write(name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# A 16384 x 16384 logical screen around one 1 x 1 frame.
write("canvas.gif", b"GIF89a" + struct.pack("<HHBBB", SIDE, SIDE, 0x80, 0, 0)
      + b"\xff\x00\x00\x00\x00\xff" + b"," + struct.pack("<HHHHB", 0, 0, 1, 1, 0)
      + b"\x02\x02\x44\x01\x00;")

def chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body
            + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))


def flat_png(side):
    """One flat colour, its rows deflated as a stream."""
    deflate = zlib.compressobj(9)
    line = b"\0" + b"\x20\x80\xe0" * side
    rows = b"".join(deflate.compress(line) for _ in range(side)) + deflate.flush()
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", rows) + chunk(b"IEND", b""))


write("flat.png", flat_png(SIDE))
write("webp-source.png", flat_png(SIDE - 1))
row = b"\x20\x80\xe0" * SIDE

# The same rows as one deflated TIFF strip.
deflate = zlib.compressobj(9)
strip = b"".join(deflate.compress(row) for _ in range(SIDE)) + deflate.flush()
entries = [(256, 4, 1, SIDE), (257, 4, 1, SIDE), (258, 3, 3, 0), (259, 3, 1, 8),
           (262, 3, 1, 2), (273, 4, 1, 0), (277, 3, 1, 3), (278, 4, 1, SIDE),
           (279, 4, 1, len(strip))]
ifd_at = 8
bits_at = ifd_at + 2 + 12 * len(entries) + 4
strip_at = bits_at + 6
ifd = struct.pack("<H", len(entries))
for tag, kind, count, value in entries:
    value = {258: bits_at, 273: strip_at}.get(tag, value)
    packed = struct.pack("<HI", value, 0)[:4] if kind == 3 and count == 1 else struct.pack("<I", value)
    ifd += struct.pack("<HHI", tag, kind, count) + packed
write("flat.tif", b"II*\0" + struct.pack("<I", ifd_at) + ifd + b"\0\0\0\0"
      + struct.pack("<HHH", 8, 8, 8) + strip)


def bmp(bits, compression, palette, pixels, size=None):
    at = 14 + 40 + len(palette)
    size = len(pixels) if size is None else size
    return (b"BM" + struct.pack("<IHHI", at + size, 0, 0, at)
            + struct.pack("<IiiHHIIiiII", 40, SIDE, SIDE, 1, bits, compression, size,
                          2835, 2835, 256 if palette else 0, 0) + palette + pixels)


# RLE8: runs of 255 across each row.
write("rle.bmp", bmp(8, 1, b"\x80\x20\xe0\x00" * 256,
                     (b"\xff\x01" * 64 + b"\x40\x01" + b"\x00\x00") * SIDE + b"\x00\x01"))

# Uncompressed 24-bit, its pixels a hole in the file.
raw = os.path.join(folder, "raw.bmp")
pixel_bytes = SIDE * SIDE * 3
write("raw.bmp", bmp(24, 0, b"", b"", pixel_bytes))
os.truncate(raw, 54 + pixel_bytes)
