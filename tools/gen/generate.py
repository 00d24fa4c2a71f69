#!/usr/bin/env python3
"""Makes the generated part of the sample data tree.

    generate.py --data DIR --launcher DIR

DIR of --data receives the demos' pictures, samples and module (beside the
hand-written catalogue files of the repository's data/); DIR of --launcher the
launcher's own files, which the build packs into viewer.dat.  The output is the
same, byte for byte, on every run."""

import argparse
import math
import os
import sys

import canvas
import crazyfont
import fontgen
import imagefiles
import lake
import sound
import threeds
from canvas import Canvas, mix


def write(root, relative, data):
    path = os.path.join(root, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


# ---- launcher ---------------------------------------------------------------

def desktop():
    """Night-blue gradient with soft rings and the product name."""
    c = Canvas(640, 480)

    def shade(x, y):
        t = y / 479
        base = mix((10, 20, 60), (0, 90, 110), t)
        ring = 0.5 + 0.5 * math.cos(math.hypot(x - 520, y - 380) / 18.0)
        return mix(base, (40, 140, 170), 0.18 * ring * (1 - t * 0.5))
    c.shade(shade)
    c.text("VOXA2", 72, 24, 12, (120, 200, 230), shadow=(0, 10, 30))
    return c


def panel(width, height, top, bottom, stripe):
    """A window background: gradient with thin diagonal lines and a frame."""
    c = Canvas(width, height)

    def shade(x, y):
        colour = mix(top, bottom, y / (height - 1))
        return mix(colour, stripe, 0.25) if (x + y) % 16 == 0 else colour
    c.shade(shade)
    for i in range(2):
        c.rect(i, i, width - 1 - i, i, stripe)
        c.rect(i, height - 1 - i, width - 1 - i, height - 1 - i, stripe)
        c.rect(i, i, i, height - 1 - i, stripe)
        c.rect(width - 1 - i, i, width - 1 - i, height - 1 - i, stripe)
    return c


def gradient_indexed(width, height, top, bottom):
    """An 8-bit picture: a 256-step vertical gradient with a brighter band."""
    palette = [mix(top, bottom, i / 255) for i in range(256)]
    indices = bytearray()
    for y in range(height):
        level = int(255 * y / (height - 1))
        for x in range(width):
            band = 24 if abs(x - y * width // height) < 6 else 0
            indices.append(min(255, level + band))
    return imagefiles.pcx_indexed(width, height, indices, palette)


# The arrow of the mouse cursor on a 16-unit grid, tip at (0, 0).
ARROW = [(0, 0), (0, 13), (3.5, 10), (6, 15.5), (8, 14.5), (5.7, 9.3), (10.5, 9.3)]


def inside(polygon, x, y):
    result = False
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            result = not result
    return result


def cursor(size):
    """A white arrow with a dark rim; index 0 (black) is transparent."""
    scale = 16.0 / size
    filled = [[inside(ARROW, (x + 0.5) * scale, (y + 0.5) * scale) for x in range(size)]
              for y in range(size)]
    if not filled[0][0]:
        filled[0][0] = True  # the hot spot is always part of the arrow
    indices = bytearray()
    for y in range(size):
        for x in range(size):
            if not filled[y][x]:
                indices.append(0)
                continue
            edge = any(not (0 <= x + dx < size and 0 <= y + dy < size and filled[y + dy][x + dx])
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            indices.append(1 if edge or size <= 8 and (x == 0 or y == 0) else 2)
    palette = [(0, 0, 0), (48, 48, 56), (250, 250, 250)]
    return imagefiles.pcx_indexed(size, size, indices, palette)


def loading(title, top, bottom):
    """A loading screen: gradient, a progress-bar look and a line of text."""
    c = Canvas(320, 240)
    c.vertical_gradient(top, bottom)
    c.text(title, 22, 160, 84, (255, 255, 255), centre=True, shadow=(0, 0, 0))
    c.rect(60, 140, 259, 151, (20, 20, 30))
    for x in range(62, 258, 8):
        c.rect(x, 142, x + 5, 149, mix((90, 170, 255), (255, 210, 90), (x - 62) / 196))
    return c


def launcher(root):
    d = desktop()
    write(root, "GUI/pictures/desktop.png", imagefiles.png_rgb(d.width, d.height, d.rgb))
    m = panel(556, 374, (30, 36, 60), (12, 14, 26), (70, 90, 140))
    write(root, "GUI/pictures/mainback.pcx", imagefiles.pcx_truecolour(m.width, m.height, m.rgb))
    s = panel(460, 330, (40, 30, 50), (16, 12, 22), (120, 90, 150))
    write(root, "GUI/pictures/setupback.tga", imagefiles.tga_rle(s.width, s.height, s.rgb))
    write(root, "GUI/pictures/infoback.pcx",
          gradient_indexed(460, 330, (20, 46, 40), (6, 14, 12)))
    for size in (8, 12, 16, 24, 32, 40, 48, 64):
        write(root, "GUI/mouse/default/standard%02d.pcx" % size, cursor(size))
    write(root, "fonts/Arial.pcx", fontgen.make_font())
    ld = loading("Loading...", (0, 0, 0), (20, 40, 90))
    write(root, "pictures/loading.pcx", imagefiles.pcx_truecolour(ld.width, ld.height, ld.rgb))


# ---- demos ------------------------------------------------------------------

def sky():
    """Sunset: sky gradient, the sun, two ranges of hills and a title."""
    c = Canvas(320, 240)

    def shade(x, y):
        t = y / 239
        colour = mix((30, 20, 90), (250, 120, 60), t) if t < 0.7 else mix(
            (250, 120, 60), (255, 200, 120), (t - 0.7) / 0.3)
        d = math.hypot(x - 160, y - 150)
        if d < 40:
            colour = mix(colour, (255, 240, 170), min(1.0, (40 - d) / 2))
        for height, amplitude, freq, hill in ((165, 14, 0.045, (70, 30, 70)),
                                              (190, 10, 0.07, (30, 12, 36))):
            if y > height + amplitude * math.sin(x * freq + height):
                colour = hill
        return colour
    c.shade(shade)
    c.text("VOXA2 SHOWCASE", 26, 160, 24, (255, 250, 235), centre=True, shadow=(40, 10, 40))
    return c


BADGE_BROWN = (64, 32, 0)
BADGE_AMBER = (255, 176, 0)


def badge():
    """80 x 60: a 4-pixel brown frame round an amber field with a row of
    brown squares near the bottom; the centre stays plain amber."""
    c = Canvas(80, 60, BADGE_BROWN)
    c.rect(4, 4, 75, 55, BADGE_AMBER)
    for x in range(8, 72, 8):
        c.rect(x, 44, x + 3, 47, BADGE_BROWN)
    return c


def still_scene():
    """A still life: a checkered floor in perspective under a pale sky, with
    three shaded spheres."""
    c = Canvas(640, 480)
    horizon = 250

    def shade(x, y):
        if y < horizon:
            return mix((150, 190, 230), (230, 235, 240), y / horizon)
        depth = 40.0 / (y - horizon + 1)
        u = (x - 320) * depth / 8.0
        v = depth * 12.0
        dark = (int(math.floor(u)) + int(math.floor(v))) & 1
        fog = min(1.0, depth / 1.5)
        return mix((60, 50, 45) if dark else (225, 215, 190), (215, 225, 235), fog)
    c.shade(shade)
    for cx, cy, r, colour in ((200, 330, 70, (200, 40, 40)), (380, 300, 55, (40, 120, 200)),
                              (500, 350, 45, (60, 170, 80))):
        c.disc(cx + 20, cy + r - 8, r * 0.9, (40, 40, 40), edge=8.0)  # shadow on the floor

        def lit(dx, dy, r=r, colour=colour):
            nx, ny = dx / r, dy / r
            nz = math.sqrt(max(0.0, 1 - nx * nx - ny * ny))
            light = max(0.0, min(1.0, -nx * 0.4 - ny * 0.5 + nz * 0.77))
            base = mix((0, 0, 0), colour, 0.25 + 0.75 * light)
            return mix(base, (255, 255, 255), light ** 24)
        c.disc(cx, cy, r, colour, inner=lit)
    return c


def demos(root):
    s = sky()
    write(root, "pictures/showcase_sky.png", imagefiles.png_rgb(s.width, s.height, s.rgb))
    b = badge()
    write(root, "pictures/showcase_badge.tga", imagefiles.tga_rle(b.width, b.height, b.rgb))
    st = still_scene()
    write(root, "pictures/still_scene.png", imagefiles.png_rgb(st.width, st.height, st.rgb))
    ld = loading("Still life", (40, 40, 40), (120, 110, 90))
    write(root, "pictures/still_loading.pcx",
          imagefiles.pcx_truecolour(ld.width, ld.height, ld.rgb))
    write(root, "samples/showcase_chime.wav", sound.wav(sound.chime(), sound.SAMPLE_RATE, 16))
    write(root, "samples/showcase_thump.wav", sound.wav(sound.thump(), sound.SAMPLE_RATE, 8))
    write(root, "music/showcase.mod", sound.module())


# ---- the effects demo ------------------------------------------------------

def tile():
    """256 x 256, seamless: a plasma of warm and cool colours with a grid of
    rings, for the rotozoomer and the wobble."""
    c = Canvas(256, 256)
    k = 2 * math.pi / 256

    def shade(x, y):
        v = (math.sin(x * k * 2) + math.sin(y * k * 3) + math.sin((x + y) * k * 2)) / 3
        colour = mix((20, 30, 120), (255, 140, 40), 0.5 + 0.5 * v)
        ring = math.cos(math.hypot((x % 64) - 32, (y % 64) - 32) / 3.0)
        return mix(colour, (255, 255, 255), 0.3 * max(0.0, ring) ** 4)
    c.shade(shade)
    return c


def ball():
    """64 x 64: a lit sphere on black, for the sprites."""
    c = Canvas(64, 64)

    def lit(dx, dy):
        nx, ny = dx / 30, dy / 30
        nz = math.sqrt(max(0.0, 1 - nx * nx - ny * ny))
        light = max(0.0, min(1.0, -nx * 0.4 - ny * 0.5 + nz * 0.77))
        return mix(mix((0, 0, 0), (80, 200, 255), 0.2 + 0.8 * light), (255, 255, 255),
                   light ** 16)
    c.disc(32, 32, 30, (80, 200, 255), inner=lit)
    return c


def logo():
    """256 x 128: the name on a dark plate, for logo_rot3d."""
    c = Canvas(256, 128)
    c.vertical_gradient((60, 20, 90), (10, 5, 30))
    c.text("VOXA2", 56, 128, 30, (255, 220, 120), centre=True, shadow=(0, 0, 0))
    return c


def slide(hue, title):
    c = Canvas(320, 240)
    c.vertical_gradient(mix(hue, (255, 255, 255), 0.3), mix(hue, (0, 0, 0), 0.6))
    c.text(title, 40, 160, 96, (255, 255, 255), centre=True, shadow=(0, 0, 0))
    return c


def effects(root):
    t = tile()
    write(root, "textures/effects_tile.png", imagefiles.png_rgb(t.width, t.height, t.rgb))
    b = ball()
    write(root, "textures/effects_ball.tga", imagefiles.tga_rle(b.width, b.height, b.rgb))
    lg = logo()
    write(root, "textures/effects_logo.png", imagefiles.png_rgb(lg.width, lg.height, lg.rgb))
    for number, (hue, title) in enumerate((((200, 60, 40), "One"), ((40, 140, 60), "Two"),
                                          ((40, 70, 200), "Three")), 1):
        sl = slide(hue, title)
        write(root, "pictures/effects_slide%i.png" % number,
              imagefiles.png_rgb(sl.width, sl.height, sl.rgb))
    png, dsc = crazyfont.font_files("effects_font")
    write(root, "fonts/effects_font.png", png)
    write(root, "fonts/effects_font.dsc", dsc)


# ---- the pixel effects demo -------------------------------------------------

def gray_text(lines, width, height, size, top, gap):
    """width x height gray bytes: the lines of text centred one below the other,
    white with soft edges on 0 (0 lets the background through)."""
    out = bytearray(width * height)
    y = top
    for line in lines:
        w, h, mask = canvas.text_mask(line, size)
        left = (width - w) // 2
        for my in range(h):
            for mx in range(w):
                v = mask[my * w + mx]
                if v and 0 <= left + mx < width and 0 <= y + my < height:
                    out[(y + my) * width + left + mx] = v
        y += h + gap
    return out


def gray_shade(width, height, function):
    return bytearray(max(0, min(255, int(function(x, y)))) for y in range(height)
                     for x in range(width))


def bump_text():
    """320 x 800: the scroller's text, rising through the 200-row window."""
    return gray_text(["VOXA2", "BUMP", "SCROLLER", "in software", "320 x 200"], 320, 800,
                     44, 220, 60)


def bump_light():
    """256 x 256: a round light, brightest in the middle."""
    return gray_shade(256, 256, lambda x, y: 255 * max(0.0, 1 - math.hypot(x - 128, y - 128)
                                                       / 128) ** 1.5)


def bump_background():
    """320 x 200: low, rounded hills for the light to play on."""
    return gray_shade(320, 200, lambda x, y: 48 + 20 * math.sin(x / 9.0) * math.cos(y / 7.0))


def morph_ring():
    """256 x 256: a ring of radius 100, brightest on its right side (255 at
    (228, 128)), on black."""
    def shade(x, y):
        d = math.hypot(x - 128, y - 128)
        if abs(d - 100) > 4:
            return 0
        return 160 + 95 * (x - 128) / max(d, 1)
    return gray_shade(256, 256, shade)


def morph_star():
    """256 x 256: a filled five-pointed star of radius 110, its grays rising
    from the middle outward, on black."""
    points = []
    for i in range(10):
        radius = 110 if i % 2 == 0 else 45
        angle = -math.pi / 2 + i * math.pi / 5
        points.append((128 + radius * math.cos(angle), 128 + radius * math.sin(angle)))

    def shade(x, y):
        if not inside(points, x + 0.5, y + 0.5):
            return 0
        return 120 + 135 * min(1.0, math.hypot(x - 128, y - 128) / 110)
    return gray_shade(256, 256, shade)


def pixel_effects(root):
    write(root, "pictures/pixels_bumptext.pcx", imagefiles.pcx_gray(320, 800, bump_text()))
    write(root, "pictures/pixels_light.pcx", imagefiles.pcx_gray(256, 256, bump_light()))
    write(root, "pictures/pixels_bumpback.pcx", imagefiles.pcx_gray(320, 200, bump_background()))
    write(root, "morphs/pixels_ring.pcx", imagefiles.pcx_gray(256, 256, morph_ring()))
    write(root, "morphs/pixels_star.pcx", imagefiles.pcx_gray(256, 256, morph_star()))
    sl = slide((180, 120, 30), "Pixels")
    write(root, "pictures/pixels_end.png", imagefiles.png_rgb(sl.width, sl.height, sl.rgb))


# ---- the 3D scene ------------------------------------------------------------

def planet_texture():
    """256 x 128, wrapping left to right: the bands of a gas giant with a storm."""
    c = Canvas(256, 128)
    k = 2 * math.pi / 256

    def shade(x, y):
        v = y / 127
        wave = 0.02 * math.sin(x * k * 3) + 0.008 * math.sin(x * k * 7 + v * 9)
        band = 0.5 + 0.5 * math.sin((v + wave) * math.pi * 13)
        colour = mix((120, 70, 40), (235, 205, 160), band)
        storm = math.hypot(((x - 170 + 128) % 256 - 128) / 22.0, (y - 80) / 9.0)
        return mix(colour, (190, 60, 40), max(0.0, 1 - storm) ** 0.7)
    c.shade(shade)
    return c


def ring_texture():
    """64 x 64: the ring's stripes across (u runs from the inner to the outer edge)."""
    c = Canvas(64, 64)

    def shade(x, y):
        u = x / 63
        stripes = 0.55 + 0.25 * math.sin(u * 40) + 0.2 * math.sin(u * 97 + 1.3)
        gap = 0.25 if 0.58 < u < 0.64 else 1.0
        return mix((40, 40, 60), (225, 215, 195), max(0.0, min(1.0, stripes)) * gap)
    c.shade(shade)
    return c


def moon_texture():
    """128 x 64: grey rock with craters at fixed places."""
    c = Canvas(128, 64)
    craters, seed = [], 12345
    for _ in range(40):
        seed = (seed * 1103515245 + 12345) % 2 ** 31
        x, y = seed % 128, (seed >> 8) % 64
        craters.append((x, y, 2 + (seed >> 16) % 7))

    def shade(x, y):
        level = 0.55 + 0.1 * math.sin(x * 0.21) * math.sin(y * 0.33)
        for cx, cy, r in craters:
            d = math.hypot(((x - cx + 64) % 128) - 64, y - cy) / r
            if d < 1:
                level += -0.25 * (1 - d) if d < 0.8 else 0.2
        level = max(0.0, min(1.0, level))
        return mix((30, 30, 34), (210, 210, 205), level)
    c.shade(shade)
    return c


def hull_texture():
    """128 x 128: plates with seams and a row of lit windows."""
    c = Canvas(128, 128)

    def shade(x, y):
        plate = ((x // 32) * 7 + (y // 32) * 3) % 5
        colour = mix((120, 125, 135), (190, 195, 205), plate / 4)
        if x % 32 in (0, 31) or y % 32 in (0, 31):
            colour = (60, 62, 70)
        if 56 <= y < 72 and x % 16 in range(4, 12):
            colour = (255, 230, 140)
        return colour
    c.shade(shade)
    return c


# The sky box's faces in its order (ft, rt, bk, lf, dn, up): the corners that
# texture coordinates (0, 0), (1, 0) and (0, 1) land on, on the cube from -1
# to 1 around the eye.
SKY_FACES = (
    ("ft", (1, 1, 1), (-1, 1, 1), (1, 1, -1)),
    ("rt", (1, -1, 1), (1, 1, 1), (1, -1, -1)),
    ("bk", (-1, -1, 1), (1, -1, 1), (-1, -1, -1)),
    ("lf", (-1, 1, 1), (-1, -1, 1), (-1, 1, -1)),
    ("dn", (1, -1, -1), (1, 1, -1), (-1, -1, -1)),
    ("up", (-1, -1, 1), (-1, 1, 1), (1, -1, 1)),
)
SKY_SIZE = 256


def sky_point(face, u, v):
    """The point of the cube that a face's texture coordinates (u, v) show."""
    _, c0, c1, c3 = face
    return tuple(c0[i] + u * (c1[i] - c0[i]) + v * (c3[i] - c0[i]) for i in range(3))


def nebula(d):
    """The glow of the sky in the unit direction d: a band of dust across the
    sky, brighter and redder in one part of it, over a deep blue."""
    n = (0.3, 0.55, 0.78)  # the band's pole
    across = d[0] * n[0] + d[1] * n[1] + d[2] * n[2]
    band = math.exp(-(across / 0.28) ** 2)
    along = math.atan2(d[1], d[0])
    clouds = 0.55 + 0.25 * math.sin(along * 3 + d[2] * 4) + 0.2 * math.sin(along * 7 - d[2] * 9 + 1)
    core = math.exp(-((d[0] + 0.7) ** 2 + (d[1] - 0.5) ** 2 + (d[2] - 0.3) ** 2) / 0.3)
    level = band * clouds
    colour = mix((4, 6, 18), (40, 45, 90), level)
    return mix(colour, (110, 40, 80), 0.7 * core * band)


def sky_faces():
    """The six faces of the space sky box, SKY_SIZE square: the nebula worked
    out on a coarse grid of directions and smoothed up, so that the faces meet
    without a seam, and stars at fixed random directions of the whole sky."""
    from PIL import Image  # python3-pil
    grid = 33
    faces = []
    for face in SKY_FACES:
        coarse = Image.new("RGB", (grid, grid))
        for j in range(grid):
            for i in range(grid):
                p = sky_point(face, i / (grid - 1), j / (grid - 1))
                r = math.sqrt(sum(c * c for c in p))
                coarse.putpixel((i, j), nebula(tuple(c / r for c in p)))
        # Texel centres at (i + 0.5) / SKY_SIZE: the coarse grid's ends on the edges.
        big = coarse.resize((SKY_SIZE, SKY_SIZE), Image.BILINEAR)
        c = Canvas(SKY_SIZE, SKY_SIZE)
        c.rgb = bytearray(big.tobytes())
        faces.append(c)
    seed = 4242
    for _ in range(2600):
        values = []
        for _ in range(4):
            seed = (seed * 1103515245 + 12345) % 2 ** 31
            values.append((seed >> 8) / float(2 ** 23))
        z = 2 * values[0] - 1
        a = 2 * math.pi * values[1]
        d = (math.sqrt(1 - z * z) * math.cos(a), math.sqrt(1 - z * z) * math.sin(a), z)
        axis = max(range(3), key=lambda k: abs(d[k]))
        p = tuple(c / abs(d[axis]) for c in d)
        for index, face in enumerate(SKY_FACES):
            _, c0, c1, c3 = face
            # The face's plane: the coordinate its corners share.
            if c0[axis] == c1[axis] == c3[axis] == (1 if d[axis] > 0 else -1):
                e1 = [c1[k] - c0[k] for k in range(3)]
                e3 = [c3[k] - c0[k] for k in range(3)]
                q = [p[k] - c0[k] for k in range(3)]
                u = sum(q[k] * e1[k] for k in range(3)) / 4
                v = sum(q[k] * e3[k] for k in range(3)) / 4
                bright = 0.25 + 0.75 * values[2] ** 6
                tint = mix((255, 220, 180), (190, 210, 255), values[3])
                radius = 0.6 + 1.1 * bright
                faces[index].disc(u * SKY_SIZE, v * SKY_SIZE, radius, mix((0, 0, 0), tint, bright),
                                  edge=0.8)
                break
    return [(face[0], picture) for face, picture in zip(SKY_FACES, faces)]


def glow(size, falloff, ring=None):
    """A square of black with a soft white glow in the middle, or with a soft
    ring at the given fraction of the half width."""
    c = Canvas(size, size)
    half = size / 2

    def shade(x, y):
        d = math.hypot(x + 0.5 - half, y + 0.5 - half) / half
        if ring is None:
            level = math.exp(-d * d * falloff) * max(0.0, 1 - d)
        else:
            level = math.exp(-((d - ring) * falloff) ** 2)
        return mix((0, 0, 0), (255, 255, 255), level)
    c.shade(shade)
    return c


def space(root):
    for name, picture in (("space_planet", planet_texture()), ("space_ring", ring_texture()),
                          ("space_moon", moon_texture()), ("space_hull", hull_texture())):
        write(root, "textures/%s.png" % name,
              imagefiles.png_rgb(picture.width, picture.height, picture.rgb))
    write(root, "3ds/SPACE01.3DS", threeds.space_scene())
    # The sky box, the sun's flares and the fireworks' sparks of 3ds\spacefx.
    pictures = [("space_sky_" + suffix, picture) for suffix, picture in sky_faces()]
    pictures += [("space_glow", glow(128, 6)), ("space_halo", glow(128, 14, ring=0.8)),
                 ("space_ghost", glow(64, 0.5)), ("space_spark", glow(32, 3))]
    for name, picture in pictures:
        write(root, "textures/%s.png" % name,
              imagefiles.png_rgb(picture.width, picture.height, picture.rgb))
    write(root, "3ds/JELLY01.3DS", threeds.jelly_scene())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", required=True)
    parser.add_argument("--launcher", required=True)
    args = parser.parse_args()
    try:
        import PIL  # noqa: F401
    except ImportError:
        sys.exit("generate.py: python3-pil is missing (run tools/install-deps.sh)")
    launcher(args.launcher)
    demos(args.data)
    effects(args.data)
    pixel_effects(args.data)
    space(args.data)
    lake.lake(args.data, write)


if __name__ == "__main__":
    main()
