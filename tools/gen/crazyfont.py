"""A crazy font for the scrolly command: the default character set of the
font description files, one cell per character from left to right, each cell
ended by a magenta pixel in row 0, glyphs in a warm gradient inside a dark
outline (so that they read over warm pictures too) on black (the default
background, which becomes transparent)."""

import canvas
import imagefiles

# The default character set, as Latin-1 bytes.
CHARACTER_SET = (b"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!\"$%&/:()[]{}?\xdf\\\xc4\xd6\xdc"
                 b"#'*+~.,;-_<>| ")
SEPARATOR = (255, 0, 255)


def grow(w, h, mask, border):
    """The mask widened by border pixels on every side, as (width, height,
    coverage): each pixel takes the largest value within the border's reach."""
    gw, gh = w + 2 * border, h + 2 * border
    reach = [(dx, dy) for dy in range(-border, border + 1) for dx in range(-border, border + 1)
             if dx * dx + dy * dy <= border * border + 1]
    out = bytearray(gw * gh)
    for y in range(h):
        for x in range(w):
            value = mask[y * w + x]
            if value:
                for dx, dy in reach:
                    i = (y + border + dy) * gw + x + border + dx
                    out[i] = max(out[i], value)
    return gw, gh, out


def make_font(size=28, top=(255, 236, 150), bottom=(240, 110, 20), outline=(48, 20, 0),
              border=2):
    """The font picture as a Canvas: row 0 holds only the separators."""
    masks = [canvas.text_mask(bytes([c]).decode("latin-1"), size) for c in CHARACTER_SET]
    grown = [grow(w, h, mask, border) for w, h, mask in masks]
    height = max(h for _, h, _ in grown) + 1
    width = sum(w + 2 for w, _, _ in grown)
    c = canvas.Canvas(width, height)
    x = 0
    for (w, h, mask), (gw, gh, halo) in zip(masks, grown):
        for y in range(gh):
            gy = y - border
            colour = canvas.mix(top, bottom, min(1.0, max(0.0, gy / max(1, h - 1))))
            for i in range(gw):
                edge = halo[y * gw + i]
                if not edge:
                    continue
                gx = i - border
                value = mask[gy * w + gx] if 0 <= gx < w and 0 <= gy < h else 0
                shade = canvas.mix((0, 0, 0), outline, edge / 255)
                c.put(x + i, y + 1, canvas.mix(shade, colour, value / 255))
        # One column that is not part of the glyph, then the separator.
        c.put(x + gw + 1, 0, SEPARATOR)
        x += gw + 2
    return c


def font_files(name):
    """(picture PNG bytes, description text) for fonts/<name>.png and fonts/<name>.dsc."""
    c = make_font()
    description = 'font "%s.png" { }; // the default sets and colours\n' % name
    return imagefiles.png_rgb(c.width, c.height, c.rgb), description.encode("ascii")
