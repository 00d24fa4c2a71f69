#!/usr/bin/env python3
"""Writes a 3DS file that holds a camera and a lamp and nothing else, for a
Text3D scene to merge: the camera "Cam" circles the origin at a distance of
RADIUS units, HEIGHT above the ground, looking at the origin, once in FRAMES
frames; the lamp "Lamp" stands above and behind it.

    python3 orbit3ds.py data/3ds/ORBIT.3DS

It uses the repository's 3DS chunk writer, tools/gen/threeds.py.
"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "tools", "gen"))
import threeds  # noqa: E402

FRAMES = 300
RADIUS = 20.0
HEIGHT = 8.0
TARGET = (0.0, 0.0, 0.0)
FIELD_OF_VIEW = 45.0  # degrees
LAMP = (-30.0, -40.0, 40.0)


def orbit(frame):
    angle = 2 * math.pi * frame / FRAMES
    return (RADIUS * math.cos(angle), RADIUS * math.sin(angle), HEIGHT)


# Node kinds of the keyframer and its tracks, by their chunk numbers.
CAMERA_NODE, TARGET_NODE, OMNI_NODE = 0xB003, 0xB004, 0xB005
POSITION, FOV, ROLL = 0xB020, 0xB023, 0xB024

objects = [
    threeds.camera("Cam", orbit(0), TARGET),
    threeds.light("Lamp", LAMP),
]
# A key every ten frames; the player draws a smooth curve through them.
path = [(frame, orbit(frame)) for frame in range(0, FRAMES + 1, 10)]
nodes = [
    threeds.node(CAMERA_NODE, "Cam", -1, 0, [threeds.track(POSITION, path),
                                            threeds.track(FOV, [(0, (FIELD_OF_VIEW,))]),
                                            threeds.track(ROLL, [(0, (0.0,))])]),
    threeds.node(TARGET_NODE, "Cam", -1, 1, [threeds.track(POSITION, [(0, TARGET)])]),
    threeds.node(OMNI_NODE, "Lamp", -1, 2, [threeds.track(POSITION, [(0, LAMP)])]),
]

with open(sys.argv[1], "wb") as out:
    out.write(threeds.file3ds((), objects, nodes, frames=FRAMES))
