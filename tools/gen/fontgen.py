"""The launcher's bitmap font: one 8-bit PCX whose row 0 marks the end of
every glyph with a 255, followed by the glyph rows, drawn from DejaVu Sans."""

import canvas
import imagefiles

# The launcher's character set, as code page 1252 bytes, in the order the
# font file holds its glyphs.
CHARACTER_SET = (b"ABCDEFGHIJKLMNOPQRSTUVWXYZ\xc4\xd6\xdc"
                 b"abcdefghijklmnopqrstuvwxyz\xe4\xf6\xfc\xdf"
                 b"1234567890"
                 b",;.:-_#'+*~\xb4`?=()[]{}/\\&%$\xa7\"!^\xb0<>| @")

HEIGHT = 24  # font height; the picture has one row more, which is never read
POINT_SIZE = 17


def glyph(code, font, ascent):
    """The columns of one glyph: (width, rows) with HEIGHT - 1 rows of
    intensities; the glyph's advance gives its width (spacing included)."""
    from PIL import Image, ImageDraw
    char = bytes([code]).decode("cp1252")
    width = max(1, int(round(font.getlength(char))))
    image = Image.new("L", (width, HEIGHT - 1), 0)
    # One row above the accents; the descenders end above the blank last row.
    ImageDraw.Draw(image).text((0, 1 + ascent), char, font=font, fill=255, anchor="ls")
    data = image.tobytes()
    return width, [data[r * width:(r + 1) * width] for r in range(HEIGHT - 1)]


def make_font():
    font = canvas.load_font(POINT_SIZE, "DejaVuSans.ttf")
    ascent, _ = font.getmetrics()
    glyphs = [glyph(c, font, ascent) for c in CHARACTER_SET]
    width = sum(w + 1 for w, _ in glyphs)
    rows = [bytearray() for _ in range(HEIGHT + 1)]
    for w, data in glyphs:
        rows[0] += bytes(w) + b"\xff"  # the marker after each glyph
        for r in range(1, HEIGHT):
            rows[r] += bytes(data[r - 1]) + b"\0"
    rows[HEIGHT] = bytearray(width)
    indices = b"".join(bytes(r) for r in rows)
    palette = [(i, i, i) for i in range(256)]
    return imagefiles.pcx_indexed(width, HEIGHT + 1, indices, palette)
