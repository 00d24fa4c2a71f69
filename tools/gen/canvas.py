"""A small true-colour canvas for procedural pictures, and text masks drawn
from the DejaVu fonts of Debian's fonts-dejavu-core."""

import math

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c0, c1, t):
    """The colour t of the way from c0 to c1, each channel rounded and held in 0..255."""
    return tuple(max(0, min(255, int(round(lerp(a, b, t))))) for a, b in zip(c0, c1))


class Canvas:
    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width, self.height = width, height
        self.rgb = bytearray(bytes(colour) * (width * height))

    def get(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = 3 * (y * self.width + x)
            self.rgb[i:i + 3] = bytes(colour)

    def blend(self, x, y, colour, alpha):
        """Mixes colour over the pixel with alpha 0..1."""
        if 0 <= x < self.width and 0 <= y < self.height and alpha > 0:
            self.put(x, y, mix(self.get(x, y), colour, min(alpha, 1.0)))

    def shade(self, function):
        """Sets every pixel to function(x, y)."""
        out = bytearray()
        for y in range(self.height):
            for x in range(self.width):
                out += bytes(function(x, y))
        self.rgb = out

    def vertical_gradient(self, top, bottom):
        for y in range(self.height):
            row = bytes(mix(top, bottom, y / max(1, self.height - 1))) * self.width
            self.rgb[3 * y * self.width:3 * (y + 1) * self.width] = row

    def rect(self, left, top, right, bottom, colour):
        """Fills the inclusive rectangle."""
        left, top = max(0, left), max(0, top)
        right, bottom = min(self.width - 1, right), min(self.height - 1, bottom)
        if left > right:
            return
        row = bytes(colour) * (right - left + 1)
        for y in range(top, bottom + 1):
            i = 3 * (y * self.width + left)
            self.rgb[i:i + len(row)] = row

    def disc(self, cx, cy, radius, colour, edge=1.0, inner=None):
        """A disc with a soft edge; inner(dx, dy) may give each pixel its own colour."""
        for y in range(int(cy - radius - 2), int(cy + radius + 3)):
            for x in range(int(cx - radius - 2), int(cx + radius + 3)):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                a = (radius - d) / edge + 0.5
                if a > 0:
                    c = inner(x + 0.5 - cx, y + 0.5 - cy) if inner else colour
                    self.blend(x, y, c, a)

    def draw_mask(self, mask, left, top, colour):
        """Draws an intensity mask (width, height, bytes) in colour."""
        w, h, data = mask
        for y in range(h):
            for x in range(w):
                v = data[y * w + x]
                if v:
                    self.blend(left + x, top + y, colour, v / 255.0)

    def text(self, string, size, x, y, colour, face="DejaVuSans-Bold.ttf", centre=False,
             shadow=None):
        mask = text_mask(string, size, face)
        if centre:
            x -= mask[0] // 2
        if shadow:
            self.draw_mask(mask, x + 2, y + 2, shadow)
        self.draw_mask(mask, x, y, colour)
        return mask[0]


def load_font(size, face="DejaVuSans.ttf"):
    from PIL import ImageFont  # python3-pil: only the glyph rasteriser is used
    return ImageFont.truetype(FONT_DIR + face, size)


def text_mask(string, size, face="DejaVuSans-Bold.ttf"):
    """The anti-aliased mask of one line of text: (width, height, bytes)."""
    from PIL import Image, ImageDraw
    font = load_font(size, face)
    ascent, descent = font.getmetrics()
    width = max(1, int(math.ceil(font.getlength(string))) + 2)
    image = Image.new("L", (width, ascent + descent), 0)
    ImageDraw.Draw(image).text((0, 0), string, font=font, fill=255)
    return width, ascent + descent, image.tobytes()
