"""The lake scene of the sample tree: its textures and 3ds/LAKE01.3DS.

An island with a rock on a lake, lit by a low sun and a fill light, and a
camera that circles it for LAKE_FRAMES frames. The Text3D scene 3ds/lake.T3D
merges it and adds the water, the trees and the blobs; the box "Pool" only
bounds the water there and is never drawn.
"""
import math

import imagefiles
import threeds
from canvas import Canvas, mix

LAKE_FRAMES = 600  # 20 seconds at 30 frames a second


def noise(x, y, seed):
    """A smooth, tiling value pattern in [0, 1] from a few crossed sines."""
    v = 0.0
    for i, (fx, fy) in enumerate(((1, 2), (3, 1), (2, 5), (7, 3))):
        k = 2 * math.pi / 64
        v += math.sin((fx * x + fy * y) * k + seed * (i + 1)) / (i + 1)
    return 0.5 + v / 3.5


def water_texture():
    """64 x 64, tiling: teal water with brighter wave crests."""
    c = Canvas(64, 64)

    def shade(x, y):
        crest = noise(x, y, 0.7) ** 3
        return mix((20, 90, 120), (150, 215, 225), min(1.0, crest * 1.4))
    c.shade(shade)
    return c


def grass_texture():
    """64 x 64, tiling: meadow green with patches of moss."""
    c = Canvas(64, 64)

    def shade(x, y):
        return mix((50, 95, 35), (120, 165, 60), noise(x, y, 2.1))
    c.shade(shade)
    return c


def rock_texture():
    """64 x 64, tiling: grey granite with darker veins."""
    c = Canvas(64, 64)

    def shade(x, y):
        vein = abs(math.sin((x + 2 * y) * 2 * math.pi / 32 + 3 * noise(x, y, 4.0)))
        return mix((70, 68, 72), (175, 170, 165), 0.35 + 0.65 * vein * noise(x, y, 1.3))
    c.shade(shade)
    return c


def island(name, radius, height, rings, segments, material_name):
    """A low dome around the origin, its foot below the water (z = 0), with a
    bumpy rim; mapped from above, the texture repeating every 4 units."""
    vertices, mapping, faces = [(0.0, 0.0, height)], [(0.0, 0.0)], []
    for r in range(1, rings + 1):
        for s in range(segments):
            a = 2 * math.pi * s / segments
            t = r / rings
            rim = radius * t * (1 + 0.12 * math.sin(3 * a) + 0.06 * math.sin(7 * a + 1))
            z = height * (1 - t * t) - 1.5 * t ** 4
            x, y = rim * math.cos(a), rim * math.sin(a)
            vertices.append((x, y, z))
            mapping.append((x / 4, y / 4))
    for s in range(segments):
        faces.append((0, 1 + s, 1 + (s + 1) % segments))
    for r in range(1, rings):
        first, next_ring = 1 + (r - 1) * segments, 1 + r * segments
        for s in range(segments):
            a, b = first + s, first + (s + 1) % segments
            c, d = next_ring + s, next_ring + (s + 1) % segments
            faces += [(a, c, d), (a, d, b)]
    return threeds.mesh(name, vertices, faces, mapping, [(material_name, list(range(len(faces))))])


def lake_scene():
    materials = [
        threeds.material("Grass", (200, 220, 160), texture="lake_grass.png"),
        threeds.material("Rock", (210, 205, 200), texture="lake_rock.png"),
        threeds.material("Pool", (0, 0, 0)),
    ]
    objects = [
        island("Island", 11.0, 2.2, 8, 40, "Grass"),
        threeds.sphere("Rock", 1.6, 8, 14, "Rock"),
        threeds.box("Pool", 30.0, 30.0, 4.0, "Pool"),
        threeds.camera("LakeCam", (30, -10, 6), (0, 0, 2), near=0.5),
        threeds.light("Sun", (50, -35, 30)),
        threeds.light("Fill", (-45, 30, 25)),
    ]
    last = LAKE_FRAMES

    def frames(every):
        return list(range(0, last, every)) + [last]

    def camera_at(f):
        # Half a circle round the island, coming closer and lower midway.
        a = -0.5 + math.pi * 0.8 * f / last
        distance = 27 - 7 * math.sin(math.pi * f / last)
        return (distance * math.cos(a), distance * math.sin(a),
                7.5 - 3 * math.sin(math.pi * f / last))

    nodes = [
        threeds.node(0xB002, "Island", -1, 0, [threeds.track(0xB020, [(0, (0, 0, 0))]),
                                               threeds.track(0xB021, [(0, (0, 0, 0, 1))]),
                                               threeds.track(0xB022, [(0, (1, 1, 1))])]),
        threeds.node(0xB002, "Rock", -1, 1, [threeds.track(0xB020, [(0, (-5.5, 3.5, 1.4))]),
                                             threeds.track(0xB021, [(0, (0.4, 0.3, 1, 0.2))]),
                                             threeds.track(0xB022, [(0, (1.3, 1, 0.8))])]),
        threeds.node(0xB002, "Pool", -1, 2, [threeds.track(0xB020, [(0, (0, 0, 0))]),
                                             threeds.track(0xB021, [(0, (0, 0, 0, 1))]),
                                             threeds.track(0xB022, [(0, (1, 1, 1))])]),
        threeds.node(0xB003, "LakeCam", -1, 3,
                     [threeds.track(0xB020, [(f, camera_at(f)) for f in frames(30)]),
                      threeds.track(0xB023, [(0, (55.0,)), (last, (48.0,))]),
                      threeds.track(0xB024, [(0, (0.0,))])]),
        threeds.node(0xB004, "LakeCam", -1, 4, [threeds.track(0xB020, [(0, (0, 0, 2.5)),
                                                                       (last, (1, 1, 2))])]),
        threeds.node(0xB005, "Sun", -1, 5, [threeds.track(0xB020, [(0, (50, -35, 30))])]),
        threeds.node(0xB005, "Fill", -1, 6, [threeds.track(0xB020, [(0, (-45, 30, 25))])]),
    ]
    return threeds.file3ds(materials, objects, nodes, frames=last)


def lake(root, write):
    for name, picture in (("lake_water", water_texture()), ("lake_grass", grass_texture()),
                          ("lake_rock", rock_texture())):
        write(root, "textures/%s.png" % name,
              imagefiles.png_rgb(picture.width, picture.height, picture.rgb))
    write(root, "3ds/LAKE01.3DS", lake_scene())
