"""3DS files: a chunk tree of materials, meshes, lights, cameras and keyframer nodes.

chunk(id, payload, *children) lays out one chunk with its length computed
(length= writes a given one instead). The helpers below build the chunks the
player reads; `python3 threeds.py --seeds DIR` writes a few small files of every
kind into DIR (the fuzz target's seeds). space_scene() is the sample tree's 3D
scene (generate.py writes it with its textures).
"""
import argparse
import math
import os
import struct


def chunk(ident, payload=b"", *children, length=None):
    body = payload + b"".join(children)
    return struct.pack("<HI", ident, len(body) + 6 if length is None else length) + body


def text(s):
    return s.encode("latin-1") + b"\0"


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


def byte_color(ident, r, g, b):
    return chunk(ident, b"", chunk(0x0011, bytes((r, g, b))), chunk(0x0012, bytes((r, g, b))))


def float_color(ident, r, g, b):
    return chunk(ident, b"", chunk(0x0010, floats(r, g, b)))


def percent(ident, value):
    return chunk(ident, b"", chunk(0x0030, struct.pack("<h", value)))


def texture_map(ident, file_name, amount=100, uscale=1.0, vscale=1.0):
    return chunk(ident, b"", chunk(0x0030, struct.pack("<h", amount)),
                 chunk(0xA300, text(file_name)), chunk(0xA354, floats(uscale)),
                 chunk(0xA356, floats(vscale)))


def material(name, diffuse=(200, 200, 200), transparency=0, shading=3, texture=None,
             two_sided=False, additive=False):
    parts = [chunk(0xA000, text(name)), byte_color(0xA010, *diffuse),
             byte_color(0xA020, *diffuse), byte_color(0xA030, 255, 255, 255),
             percent(0xA050, transparency), chunk(0xA100, struct.pack("<H", shading))]
    if texture:
        parts.append(texture_map(0xA200, texture))
    # Flag chunks hold no data: a reader sees them only with a chunk after them.
    if two_sided:
        parts.append(chunk(0xA081))
    if additive:
        parts.append(chunk(0xA083))
    parts.append(percent(0xA084, 0))
    return chunk(0xAFFF, b"", *parts)


def mesh(name, vertices, faces, mapping=None, groups=(), flags=None):
    """vertices: (x, y, z); faces: (a, b, c); groups: (material name, [face indices])."""
    parts = [chunk(0x4110, struct.pack("<H", len(vertices)) +
                   b"".join(floats(*v) for v in vertices))]
    if mapping is not None:
        parts.append(chunk(0x4140, struct.pack("<H", len(mapping)) +
                           b"".join(floats(*uv) for uv in mapping)))
    parts.append(chunk(0x4160, floats(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)))
    face_bytes = struct.pack("<H", len(faces)) + b"".join(
        struct.pack("<4H", a, b, c, flags[i] if flags else 7) for i, (a, b, c) in enumerate(faces))
    group_chunks = [chunk(0x4130, text(m) + struct.pack("<H", len(ix)) +
                          struct.pack("<%dH" % len(ix), *ix)) for m, ix in groups]
    parts.append(chunk(0x4120, face_bytes, *group_chunks))
    return chunk(0x4000, text(name), chunk(0x4100, b"", *parts))


def camera(name, position, target, near=1.0, far=1000.0):
    return chunk(0x4000, text(name),
                 chunk(0x4700, floats(*position, *target, 0.0, 45.0), chunk(0x4720, floats(near, far))))


def light(name, position, spot_target=None):
    children = [chunk(0x0010, floats(1, 1, 1))]
    if spot_target is not None:
        children.append(chunk(0x4610, floats(*spot_target, 30.0, 45.0)))
    return chunk(0x4000, text(name), chunk(0x4600, floats(*position), *children))


def track(ident, keys, flags=0):
    """keys: (frame, value floats) with no TCB data."""
    body = struct.pack("<H8xHH", flags, len(keys), 0)
    for frame, value in keys:
        body += struct.pack("<hHH", frame, 0, 0) + floats(*value)
    return chunk(ident, body)


def node(kind, name, hierarchy, node_id, tracks=(), pivot=None, instance=None):
    parts = [chunk(0xB030, struct.pack("<h", node_id)),
             chunk(0xB010, text(name) + struct.pack("<HHh", 0, 0, hierarchy))]
    if instance:
        parts.append(chunk(0xB011, text(instance)))
    if pivot:
        parts.append(chunk(0xB013, floats(*pivot)))
    return chunk(kind, b"", *parts, *tracks)


def keyframer(frames, nodes, name="SCENE"):
    return chunk(0xB000, b"", chunk(0xB00A, struct.pack("<h", 5) + text(name) +
                                    struct.pack("<I", frames)), *nodes)


def file3ds(materials=(), objects=(), nodes=None, frames=100):
    editor = chunk(0x3D3D, b"", chunk(0x3D3E, struct.pack("<I", 3)),
                   chunk(0x0100, floats(1.0)), *materials, *objects)
    parts = [chunk(0x0002, struct.pack("<I", 3)), editor]
    if nodes is not None:
        parts.append(keyframer(frames, nodes))
    return chunk(0x4D4D, b"", *parts)


def cube(name, size=1.0, groups=()):
    s = size
    vertices = [((i >> 2 & 1) * s, (i >> 1 & 1) * s, (i & 1) * s) for i in range(8)]
    faces = [(0, 1, 3), (0, 3, 2), (4, 6, 7), (4, 7, 5), (0, 4, 5), (0, 5, 1),
             (2, 3, 7), (2, 7, 6), (0, 2, 6), (0, 6, 4), (1, 5, 7), (1, 7, 3)]
    mapping = [((i >> 2 & 1), (i & 1)) for i in range(8)]
    return mesh(name, vertices, faces, mapping, groups)


def seeds():
    """Small files of every kind the reader handles."""
    red = material("Red", (255, 0, 0), shading=2)
    glass = material("Glass", (100, 150, 255), transparency=50, texture="glass.tga",
                     two_sided=True, additive=True)
    box = cube("Box", 2.0, [("Red", list(range(6))), ("Glass", list(range(6, 12)))])
    wrapped = mesh("Band", [(0, 0, 0), (1, 0, 0), (0, 1, 0)], [(0, 1, 2)],
                   [(0.1, 0), (0.95, 0), (0.9, 1)], flags=[0x0808])
    nodes = [
        node(0xB002, "Box", -1, 0, [track(0xB020, [(0, (0, 0, 0)), (50, (5, 0, 0))], flags=3),
                                    track(0xB021, [(0, (0, 0, 0, 1)), (50, (1.57, 0, 0, 1))]),
                                    track(0xB022, [(0, (1, 1, 1))])], pivot=(1, 1, 1)),
        node(0xB002, "$$$DUMMY", 0, 1, instance="Helper"),
        node(0xB002, "Band", 1, 2, [track(0xB029, [(0, ()), (20, ())])]),
        node(0xB003, "Cam", -1, 3, [track(0xB020, [(0, (0, -10, 0))]), track(0xB023, [(0, (45,))])]),
        node(0xB004, "Cam", -1, 4, [track(0xB020, [(0, (0, 0, 0))])]),
        node(0xB007, "Spot", -1, 5, [track(0xB020, [(0, (0, 0, 10))]), track(0xB027, [(0, (30,))])]),
        node(0xB006, "Spot", -1, 6, [track(0xB020, [(0, (0, 0, 0))])]),
        node(0xB005, "Omni", -1, 7, [track(0xB020, [(0, (5, 5, 5))])]),
    ]
    full = file3ds([red, glass], [box, wrapped, camera("Cam", (0, -10, 0), (0, 0, 0)),
                                  light("Spot", (0, 0, 10), (0, 0, 0)), light("Omni", (5, 5, 5))],
                   nodes)
    return {
        "seed-full.3ds": full,
        "seed-materials-only.3ds": file3ds([red, glass], [box]),
        "seed-float-colours.3ds": file3ds([chunk(0xAFFF, b"", chunk(0xA000, text("F")),
                                                 float_color(0xA020, 0.5, 0.25, 1.0),
                                                 chunk(0xA050, b"", chunk(0x0031, floats(50))))]),
        "seed-no-keyframer.3ds": file3ds([], [wrapped]),
    }


def sphere(name, radius, rows, columns, material_name):
    """A UV sphere around the origin; its seam column is doubled so that the
    texture wraps once."""
    vertices, mapping, faces = [], [], []
    for r in range(rows + 1):
        phi = math.pi * r / rows
        for c in range(columns + 1):
            theta = 2 * math.pi * c / columns
            vertices.append((radius * math.sin(phi) * math.cos(theta),
                             radius * math.sin(phi) * math.sin(theta), radius * math.cos(phi)))
            mapping.append((c / columns, 1 - r / rows))
    for r in range(rows):
        for c in range(columns):
            a = r * (columns + 1) + c
            d = a + columns + 1
            if r < rows - 1:
                faces.append((a, d, d + 1))
            if r > 0:
                faces.append((a, d + 1, a + 1))
    return mesh(name, vertices, faces, mapping, [(material_name, list(range(len(faces))))])


def annulus(name, inner, outer, segments, material_name):
    """A flat ring in the xy plane, mapped radially (u) and around (v)."""
    vertices, mapping, faces = [], [], []
    for c in range(segments + 1):
        theta = 2 * math.pi * c / segments
        for radius, u in ((inner, 0.0), (outer, 1.0)):
            vertices.append((radius * math.cos(theta), radius * math.sin(theta), 0.0))
            mapping.append((u, c / segments * 8))
    for c in range(segments):
        a = 2 * c
        faces += [(a, a + 1, a + 3), (a, a + 3, a + 2)]
    return mesh(name, vertices, faces, mapping, [(material_name, list(range(len(faces))))])


def box(name, sx, sy, sz, material_name):
    """A box centred on the origin, each side mapped whole."""
    vertices, mapping, faces = [], [], []
    # Per side: the fixed axis, its sign, and the two axes that span it
    # (counter-clockwise seen from outside).
    for axis, sign, (u_axis, v_axis) in ((0, 1, (1, 2)), (0, -1, (2, 1)), (1, 1, (2, 0)),
                                         (1, -1, (0, 2)), (2, 1, (0, 1)), (2, -1, (1, 0))):
        base = len(vertices)
        for u, v in ((0, 0), (1, 0), (1, 1), (0, 1)):
            p = [0.0, 0.0, 0.0]
            p[axis] = sign
            p[u_axis] = u * 2 - 1
            p[v_axis] = v * 2 - 1
            vertices.append((p[0] * sx, p[1] * sy, p[2] * sz))
            mapping.append((u, v))
        faces += [(base, base + 1, base + 2), (base, base + 2, base + 3)]
    return mesh(name, vertices, faces, mapping, [(material_name, list(range(len(faces))))])


SPACE_FRAMES = 900  # 30 seconds at 30 frames a second


def space_scene():
    """A planet with a half-transparent ring, a moon on its orbit and a turning
    station, lit by a sun and a fill light, seen from a camera that flies
    around them for SPACE_FRAMES frames. Texture names are those generate.py
    writes under textures/."""
    materials = [
        material("Planet", (230, 200, 170), texture="space_planet.png"),
        material("Ring", (200, 220, 255), transparency=55, texture="space_ring.png",
                 two_sided=True),
        material("Moon", (200, 200, 200), texture="space_moon.png"),
        material("Hull", (220, 220, 230), texture="space_hull.png"),
        material("Glow", (255, 180, 60), shading=1),
    ]
    objects = [
        sphere("Planet", 6.0, 24, 48, "Planet"),
        annulus("Ring", 8.0, 12.5, 64, "Ring"),
        sphere("Moon", 1.5, 12, 24, "Moon"),
        box("Station", 2.5, 1.0, 0.6, "Hull"),
        box("Core", 0.5, 0.5, 1.6, "Glow"),
        camera("Camera01", (40, 0, 10), (0, 0, 0), near=1.0),
        light("Sun", (60, -40, 35)),
        light("Fill", (-40, -55, 45)),
    ]
    last = SPACE_FRAMES
    step = 45

    def frames(every=step):
        return list(range(0, last, every)) + [last]

    def turn(every, angle, axis=(0, 0, 1)):
        # Rotation keys are relative: each turns by angle from the key before.
        return [(f, (0.0 if f == 0 else angle, *axis)) for f in frames(every)]

    def orbit(f, radius, height, turns, phase=0.0):
        a = phase + 2 * math.pi * turns * f / last
        return (radius * math.cos(a), radius * math.sin(a), height * math.sin(2 * a))

    def camera_at(f):
        a = 2 * math.pi * 0.85 * f / last - 0.3
        distance = 34 - 10 * math.sin(math.pi * f / last)
        return (distance * math.cos(a), distance * math.sin(a),
                6 + 9 * math.sin(2 * math.pi * f / last))

    # A node's hierarchy value is its parent's node id, the ids counting the
    # nodes in file order, as 3DS writers lay them out.
    nodes = [
        node(0xB002, "Planet", -1, 0, [track(0xB020, [(0, (0, 0, 0))]),
                                       track(0xB021, turn(90, 0.25)),
                                       track(0xB022, [(0, (1, 1, 1))])]),
        node(0xB002, "Ring", -1, 1, [track(0xB020, [(0, (0, 0, 0))]),
                                    track(0xB021, [(0, (0.35, 1, 0, 0))]),
                                    track(0xB022, [(0, (1, 1, 1))])]),
        node(0xB002, "Moon", -1, 2, [track(0xB020, [(f, orbit(f, 20, 2, 1.5)) for f in frames(30)]),
                                     track(0xB021, turn(90, 0.4)),
                                     track(0xB022, [(0, (1, 1, 1))])]),
        node(0xB002, "Station", -1, 3,
             [track(0xB020, [(f, orbit(f, 15.5, 2.5, -1.25, 1.0)) for f in frames(30)]),
              track(0xB021, turn(30, 0.35, (0.3, 0.2, 0.93))),
              track(0xB022, [(0, (1, 1, 1))])]),
        node(0xB002, "Core", 3, 4, [track(0xB020, [(0, (0, 0, 0))]),
                                    track(0xB021, [(0, (0, 0, 0, 1))]),
                                    track(0xB022, [(0, (1, 1, 1))])]),
        node(0xB003, "Camera01", -1, 5, [track(0xB020, [(f, camera_at(f)) for f in frames(30)]),
                                         track(0xB023, [(0, (50.0,)), (last // 2, (38.0,)),
                                                        (last, (50.0,))]),
                                         track(0xB024, [(0, (0.0,)), (last // 2, (8.0,)),
                                                        (last, (0.0,))])]),
        node(0xB004, "Camera01", -1, 6,
             [track(0xB020, [(f, orbit(f, 3, 1, 0.5)) for f in frames(90)])]),
        node(0xB005, "Sun", -1, 7, [track(0xB020, [(0, (60, -40, 35))])]),
        node(0xB005, "Fill", -1, 8, [track(0xB020, [(0, (-40, -55, 45))])]),
    ]
    return file3ds(materials, objects, nodes, frames=SPACE_FRAMES)


JELLY_FRAMES = 360  # 12 seconds at 30 frames a second


def jelly_scene():
    """A finely divided banded ball at the origin, seen from the front by a
    still camera and lit by a light above and to the left of it, for
    JELLY_FRAMES frames: a mesh for deformers to work on."""
    materials = [material("Jelly", (230, 200, 170), texture="space_planet.png")]
    objects = [
        sphere("Blob", 6.0, 40, 80, "Jelly"),
        camera("Camera01", (0, -30, 0), (0, 0, 0), near=1.0),
        light("Lamp", (-30, -40, 30)),
    ]
    still = [track(0xB021, [(0, (0, 0, 0, 1))]), track(0xB022, [(0, (1, 1, 1))])]
    nodes = [
        node(0xB002, "Blob", -1, 0, [track(0xB020, [(0, (0, 0, 0))]), *still]),
        node(0xB003, "Camera01", -1, 1, [track(0xB020, [(0, (0, -30, 0))]),
                                         track(0xB023, [(0, (40.0,))]),
                                         track(0xB024, [(0, (0.0,))])]),
        node(0xB004, "Camera01", -1, 2, [track(0xB020, [(0, (0, 0, 0))])]),
        node(0xB005, "Lamp", -1, 3, [track(0xB020, [(0, (-30, -40, 30))])]),
    ]
    return file3ds(materials, objects, nodes, frames=JELLY_FRAMES)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seeds", required=True, help="folder for the seed files")
    args = parser.parse_args()
    os.makedirs(args.seeds, exist_ok=True)
    for name, data in seeds().items():
        with open(os.path.join(args.seeds, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
