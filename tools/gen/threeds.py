"""3DS files: a chunk tree of materials, meshes, lights, cameras and keyframer nodes.

chunk(id, payload, *children) lays out one chunk with its length computed
(length= writes a given one instead). The helpers below build the chunks the
player reads; `python3 threeds.py --seeds DIR` writes a few small files of every
kind into DIR (the fuzz target's seeds).
"""
import argparse
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
