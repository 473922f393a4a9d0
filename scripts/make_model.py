#!/usr/bin/env python3
"""Writes a glTF model for the README's pictures and for trying the program: a torus whose
second half mirrors the first in the texture (a mirrored island: MikkTSpace gives it w = -1),
with the shipped normal map and colour map as its textures, no tangents in the file.
    scripts/make_model.py NORMAL_MAP.png COLOUR_MAP.png OUT.glb
The maps are PNG files (convert Textures/wall_bump.bmp wall_bump.png makes one)."""
import json
import math
import struct
import sys

normal_png, colour_png, out = sys.argv[1:4]
major, minor, slices, rings, repeat_s, repeat_t = 0.6, 0.25, 64, 24, 4, 2
positions, normals, uvs, indices = [], [], [], []
for j in range(rings + 1):
    t = j / rings
    v = 2 * math.pi * (0 if j == rings else t)
    for i in range(slices + 1):
        s = i / slices
        u = 2 * math.pi * (0 if i == slices else s)
        ring = major + minor * math.cos(v)
        # The program's frame (z up) written in glTF's: (x, y, z) at (-x, z, y).
        p = (ring * math.cos(u), ring * math.sin(u), minor * math.sin(v))
        n = (math.cos(v) * math.cos(u), math.cos(v) * math.sin(u), math.sin(v))
        positions += [-p[0], p[2], p[1]]
        normals += [-n[0], n[2], n[1]]
        texture_s = s * repeat_s
        if texture_s > repeat_s / 2:
            texture_s = repeat_s - texture_s  # the mirrored half
        uvs += [texture_s, 1 - t * repeat_t]
for j in range(rings):
    for i in range(slices):
        a = j * (slices + 1) + i
        b, c = a + 1, a + slices + 1
        indices += [a, b, c + 1, a, c + 1, c]

bin_ = bytearray()
views = []
def add(data):
    while len(bin_) % 4:
        bin_.append(0)
    views.append({"buffer": 0, "byteOffset": len(bin_), "byteLength": len(data)})
    bin_.extend(data)
    return len(views) - 1
def floats(values):
    return struct.pack("<%df" % len(values), *values)
count = len(positions) // 3
accessors = [
    {"bufferView": add(floats(positions)), "componentType": 5126, "count": count, "type": "VEC3",
     "min": [min(positions[k::3]) for k in range(3)], "max": [max(positions[k::3]) for k in range(3)]},
    {"bufferView": add(floats(normals)), "componentType": 5126, "count": count, "type": "VEC3"},
    {"bufferView": add(floats(uvs)), "componentType": 5126, "count": count, "type": "VEC2"},
    {"bufferView": add(struct.pack("<%dI" % len(indices), *indices)), "componentType": 5125,
     "count": len(indices), "type": "SCALAR"},
]
images = [{"bufferView": add(open(path, "rb").read()), "mimeType": "image/png"}
          for path in (normal_png, colour_png)]
document = {
    "asset": {"version": "2.0", "generator": "bumpdemo scripts/make_model.py"},
    "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0, "name": "torus"}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2},
                                "indices": 3, "material": 0}]}],
    "materials": [{"normalTexture": {"index": 0},
                   "pbrMetallicRoughness": {"baseColorTexture": {"index": 1}}}],
    "textures": [{"source": 0}, {"source": 1}], "images": images,
    "buffers": [{"byteLength": len(bin_)}], "bufferViews": views, "accessors": accessors,
}
text = json.dumps(document).encode()
text += b" " * (-len(text) % 4)
while len(bin_) % 4:
    bin_.append(0)
with open(out, "wb") as f:
    f.write(struct.pack("<4sII", b"glTF", 2, 12 + 8 + len(text) + 8 + len(bin_)))
    f.write(struct.pack("<I4s", len(text), b"JSON") + text)
    f.write(struct.pack("<I4s", len(bin_), b"BIN\0") + bin_)
