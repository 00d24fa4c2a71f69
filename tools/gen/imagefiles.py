"""Writers of the picture files the player reads: PCX (8-bit with a 256-colour
palette, or three 8-bit planes), TGA type 10 (run-length true colour, 32 bits)
and PNG (8-bit RGB).  A picture is (width, height, rgb) with rgb a bytes-like
object of width * height * 3 bytes, rows top to bottom."""

import struct
import zlib


def _pcx_rle(line):
    """PCX run-length code of one plane line: runs of up to 63 equal bytes;
    a single byte below 0xC0 stands for itself."""
    out = bytearray()
    i, n = 0, len(line)
    while i < n:
        value = line[i]
        run = 1
        while i + run < n and run < 63 and line[i + run] == value:
            run += 1
        if run > 1 or value >= 0xC0:
            out.append(0xC0 | run)
        out.append(value)
        i += run
    return bytes(out)


def _pcx_header(width, height, planes, bytes_per_line):
    header = bytearray(128)
    header[0] = 10  # manufacturer
    header[1] = 5  # version 3.0 and later
    header[2] = 1  # run-length coded
    header[3] = 8  # bits per pixel and plane
    struct.pack_into("<4H2H", header, 4, 0, 0, width - 1, height - 1, 72, 72)
    header[65] = planes
    struct.pack_into("<2H", header, 66, bytes_per_line, 1)
    return header


def pcx_indexed(width, height, indices, palette):
    """An 8-bit PCX of palette indices (width * height bytes) with its
    256-colour palette (a list of up to 256 (r, g, b))."""
    bytes_per_line = width + (width & 1)  # lines have an even length
    out = bytearray(_pcx_header(width, height, 1, bytes_per_line))
    pad = bytes(bytes_per_line - width)
    for y in range(height):
        out += _pcx_rle(bytes(indices[y * width:(y + 1) * width]) + pad)
    out.append(0x0C)
    for i in range(256):
        out += bytes(palette[i]) if i < len(palette) else b"\0\0\0"
    return bytes(out)


def pcx_gray(width, height, grays):
    """An 8-bit PCX whose palette is the gray ramp, so that every index is its
    own gray: the height maps, light maps and morph pictures."""
    return pcx_indexed(width, height, grays, [(i, i, i) for i in range(256)])


def pcx_truecolour(width, height, rgb):
    """A PCX with three 8-bit planes (red, green, blue lines in turn)."""
    bytes_per_line = width + (width & 1)
    out = bytearray(_pcx_header(width, height, 3, bytes_per_line))
    pad = bytes(bytes_per_line - width)
    for y in range(height):
        row = rgb[y * width * 3:(y + 1) * width * 3]
        for c in range(3):
            out += _pcx_rle(bytes(row[c::3]) + pad)
    return bytes(out)


def tga_rle(width, height, rgb):
    """A type 10 TGA: run-length coded 32-bit BGRA, opaque, rows bottom to top."""
    header = bytearray(18)
    header[2] = 10
    struct.pack_into("<4H", header, 8, 0, 0, width, height)
    header[16] = 32
    header[17] = 8  # eight alpha bits, origin at the bottom left
    out = bytearray(header)
    for y in range(height - 1, -1, -1):
        row = rgb[y * width * 3:(y + 1) * width * 3]
        pixels = [bytes((row[3 * x + 2], row[3 * x + 1], row[3 * x], 255)) for x in range(width)]
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 128 and pixels[x + run] == pixels[x]:
                run += 1
            if run > 1:
                out.append(0x80 | (run - 1))
                out += pixels[x]
                x += run
                continue
            # A raw packet up to the next run of two equal pixels.
            start = x
            while x < width and x - start < 128 and not (
                    x + 1 < width and pixels[x + 1] == pixels[x]):
                x += 1
            if x == start:
                x += 1
            out.append(x - start - 1)
            for p in pixels[start:x]:
                out += p
    return bytes(out)


def _png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_rgb(width, height, rgb):
    """An 8-bit RGB PNG, unfiltered rows, deflated at level 9."""
    raw = bytearray()
    stride = width * 3
    for y in range(height):
        raw.append(0)
        raw += rgb[y * stride:(y + 1) * stride]
    return (b"\x89PNG\r\n\x1a\n" +
            _png_chunk(b"IHDR", struct.pack(">2I5B", width, height, 8, 2, 0, 0, 0)) +
            _png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _png_chunk(b"IEND", b""))
