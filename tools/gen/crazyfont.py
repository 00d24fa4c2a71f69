"""A crazy font for the scrolly command: the default character set of the
font description files, one cell per character from left to right, each cell
ended by a magenta pixel in row 0, glyphs in a warm gradient on black (the
default background, which becomes transparent)."""

import canvas
import imagefiles

# The default character set, as Latin-1 bytes.
CHARACTER_SET = (b"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!\"$%&/:()[]{}?\xdf\\\xc4\xd6\xdc"
                 b"#'*+~.,;-_<>| ")
SEPARATOR = (255, 0, 255)


def make_font(size=28, top=(255, 236, 150), bottom=(240, 110, 20)):
    """The font picture as a Canvas: row 0 holds only the separators."""
    masks = [canvas.text_mask(bytes([c]).decode("latin-1"), size) for c in CHARACTER_SET]
    height = max(h for _, h, _ in masks) + 1
    width = sum(w + 2 for w, _, _ in masks)
    c = canvas.Canvas(width, height)
    x = 0
    for w, h, mask in masks:
        for y in range(h):
            colour = canvas.mix(top, bottom, y / max(1, h - 1))
            for i in range(w):
                value = mask[y * w + i]
                if value:
                    c.put(x + i, y + 1, canvas.mix((0, 0, 0), colour, value / 255))
        # One column that is not part of the glyph, then the separator.
        c.put(x + w + 1, 0, SEPARATOR)
        x += w + 2
    return c


def font_files(name):
    """(picture PNG bytes, description text) for fonts/<name>.png and fonts/<name>.dsc."""
    c = make_font()
    description = 'font "%s.png" { }; // the default sets and colours\n' % name
    return imagefiles.png_rgb(c.width, c.height, c.rgb), description.encode("ascii")
