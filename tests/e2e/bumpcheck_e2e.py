"""bumpcheck as a user and a pipeline meet it: the real program on real files.

A height map written here (bumps, a 24-bit BMP) is turned into a normal map by the real
make_normal_map; that map, damaged here (green inverted, blue zeroed), and the grey height
map itself are checked. Covered: the text lines and the JSON lines (parsed back), exit
codes 0, 1, 2 and 3 and which outweighs which, a missing file, a directory, a file the user
may not read (the program run as nobody), a file the image reader refuses, a bad command
line and --help. Models: glTF files written here (the wall quad as a .glb, with its
tangents as MikkTSpace makes them or with w turned round, with a normal texture and no
tangents; a .gltf beside its buffer), told apart from images by content, their findings
and "tangents" figures, and files the loader refuses.

    bumpcheck_e2e.py BUMPCHECK MAKE_NORMAL_MAP
"""
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

BUMPCHECK = MAKE_NORMAL_MAP = ""
SIZE = 96


def bmp(width, height, rows):
    """A 24-bit bottom-up BMP; rows are bottom first, each a list of (r, g, b)."""
    pixels = b"".join(bytes(c for r, g, b in row for c in (b, g, r)) for row in rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def write(path, data):
    with open(path, "wb") as file:
        file.write(data)


def read_bmp(path):
    """The rows of a 24-bit BMP that make_normal_map wrote (unpadded, bottom first)."""
    with open(path, "rb") as file:
        data = file.read()
    offset, width, height = struct.unpack_from("<I", data, 10)[0], *struct.unpack_from("<ii", data, 18)
    rows = []
    for y in range(height):
        at = offset + 3 * width * y
        rows.append([(data[at + 3 * x + 2], data[at + 3 * x + 1], data[at + 3 * x])
                     for x in range(width)])
    return width, height, rows


def png(width, height, rows):
    """An 8-bit RGB PNG; rows are top first, each a list of (r, g, b)."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def wall_gltf(tangent_w=None, normal_png=None):
    """The wall quad in glTF's frame (y up, normal +y, texture u along -x): its JSON and its
    buffer. With tangent_w, TANGENT (-1, 0, 0, w) at every vertex; with normal_png, a
    material whose normal texture is that image, held in the buffer."""
    floats = lambda values: struct.pack(f"<{len(values)}f", *values)
    arrays = [("POSITION", "VEC3", floats([1, 0, -1, -1, 0, -1, -1, 0, 1, 1, 0, 1])),
              ("NORMAL", "VEC3", floats([0, 1, 0] * 4)),
              ("TEXCOORD_0", "VEC2", floats([0, 1, 1, 1, 1, 0, 0, 0]))]
    if tangent_w is not None:
        arrays.append(("TANGENT", "VEC4", floats([-1, 0, 0, tangent_w] * 4)))
    document = {"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
                "nodes": [{"mesh": 0}], "accessors": [], "bufferViews": []}
    buffer = b""

    def view(data):
        nonlocal buffer
        buffer += b"\0" * (-len(buffer) % 4)
        document["bufferViews"].append({"buffer": 0, "byteOffset": len(buffer),
                                        "byteLength": len(data)})
        buffer += data
        return len(document["bufferViews"]) - 1

    attributes = {}
    for name, kind, data in arrays:
        document["accessors"].append({"bufferView": view(data), "componentType": 5126,
                                      "count": 4, "type": kind})
        attributes[name] = len(document["accessors"]) - 1
    document["accessors"].append({"bufferView": view(struct.pack("<6H", 0, 1, 2, 0, 2, 3)),
                                  "componentType": 5123, "count": 6, "type": "SCALAR"})
    primitive = {"attributes": attributes, "indices": len(document["accessors"]) - 1}
    if normal_png is not None:
        document["images"] = [{"bufferView": view(normal_png), "mimeType": "image/png"}]
        document["textures"] = [{"source": 0}]
        document["materials"] = [{"normalTexture": {"index": 0}}]
        primitive["material"] = 0
    document["meshes"] = [{"primitives": [primitive]}]
    document["buffers"] = [{"byteLength": len(buffer)}]
    return document, buffer


def glb(document, buffer):
    text = json.dumps(document).encode()
    text += b" " * (-len(text) % 4)
    buffer += b"\0" * (-len(buffer) % 4)
    body = (struct.pack("<I4s", len(text), b"JSON") + text
            + struct.pack("<I4s", len(buffer), b"BIN\0") + buffer)
    return struct.pack("<4sII", b"glTF", 2, 12 + len(body)) + body


def run(*args, as_nobody=False):
    command = [BUMPCHECK, *args]
    if as_nobody:
        command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", *command]
    return subprocess.run(command, capture_output=True, text=True, timeout=60)


class Bumpcheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="bumpcheck-")
        os.chmod(cls.dir, 0o755)  # nobody reaches the files, and reads those it may
        heights = [[0] * SIZE for _ in range(SIZE)]
        for cx, cy, r in ((20, 30, 9), (60, 25, 12), (45, 70, 10), (80, 80, 7), (15, 75, 6)):
            for y in range(SIZE):
                for x in range(SIZE):
                    heights[y][x] += math.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * r * r))
        top = max(max(row) for row in heights)
        grey = [[(round(255 * h / top),) * 3 for h in row] for row in heights]
        cls.heights = cls.path("heights.bmp")
        write(cls.heights, bmp(SIZE, SIZE, grey))
        cls.clean = cls.path("clean.bmp")
        subprocess.run([MAKE_NORMAL_MAP, "--strength", "6", cls.clean, cls.heights], check=True,
                       capture_output=True, timeout=60)
        width, height, rows = read_bmp(cls.clean)
        cls.flipped = cls.path("green down.bmp")
        write(cls.flipped, bmp(width, height, [[(r, 255 - g, b) for r, g, b in row] for row in rows]))
        cls.two_channel = cls.path("bc5.bmp")
        write(cls.two_channel, bmp(width, height, [[(r, g, 0) for r, g, b in row] for row in rows]))
        cls.not_an_image = cls.path("notes.png")
        write(cls.not_an_image, b"not an image\n")
        cls.secret = cls.path("secret.bmp")
        shutil.copy(cls.clean, cls.secret)
        os.chmod(cls.secret, 0o600)
        for path in (cls.clean, cls.flipped, cls.two_channel, cls.heights, cls.not_an_image):
            os.chmod(path, 0o644)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    @classmethod
    def path(cls, name):
        return os.path.join(cls.dir, name)

    def test_text_lines_and_exit_codes_0_and_3(self):
        result = run(self.clean)
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (0, f"{self.clean}: ok (no findings)\n", ""))
        result = run(self.clean, self.flipped, self.two_channel, self.heights)
        self.assertEqual(result.returncode, 3, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual([line.split(": ")[:2] for line in lines], [
            [self.clean, "ok (no findings)"],
            [self.flipped, "warning green-down"],
            [self.two_channel, "warning two-channel"],
            [self.heights, "error height-map"],
        ], result.stdout)
        # Each line says what was measured and what to do.
        self.assertIn("--flip-green", lines[1])
        self.assertIn("sqrt(1 - x^2 - y^2)", lines[2])
        self.assertIn("--height-map", lines[3])

    def test_json_lines_parse_back_with_their_figures(self):
        result = run("--json", self.clean, self.flipped, self.heights)
        self.assertEqual(result.returncode, 3, result.stderr)
        objects = [json.loads(line) for line in result.stdout.splitlines()]
        self.assertEqual([(o["file"], o["kind"], [f["code"] for f in o["findings"]]) for o in objects], [
            (self.clean, "image", []),
            (self.flipped, "image", ["green-down"]),
            (self.heights, "image", ["height-map"]),
        ])
        green = objects[1]["findings"][0]
        self.assertEqual(green["severity"], "warning")
        self.assertGreater(green["curl_as_read"], 2 * green["curl_green_inverted"])
        self.assertGreater(green["squares"], 100)
        self.assertEqual(objects[2]["findings"][0]["grey_share"], 1)
        for finding in objects[1]["findings"] + objects[2]["findings"]:
            self.assertTrue(finding["message"])
            for name, value in finding.items():
                if name not in ("code", "severity", "message"):
                    self.assertIsInstance(value, (int, float), name)

    def test_file_names_json_must_escape(self):
        odd = self.path('a "quoted" \\ name\t\u00e9.bmp')
        shutil.copy(self.flipped, odd)
        result = run("--json", "--", odd)
        self.assertEqual(json.loads(result.stdout)["file"], odd)
        self.assertEqual(result.returncode, 3)
        # A name that is no UTF-8 (the byte 0xFF) still makes valid JSON.
        raw = os.path.join(os.fsencode(self.dir), b"\xff.bmp")
        shutil.copy(self.clean, raw)
        result = subprocess.run([os.fsencode(BUMPCHECK), b"--json", raw], capture_output=True,
                                timeout=60)
        self.assertEqual(json.loads(result.stdout.decode("utf-8"))["file"],
                         os.path.join(self.dir, "\ufffd.bmp"))

    def test_files_that_cannot_be_read_exit_1(self):
        cases = [
            (self.path("missing.bmp"), "missing"),
            (self.dir, "a directory"),
            (self.not_an_image, "refused: Unsupported image format"),
        ]
        for path, reason in cases:
            with self.subTest(path=path):
                result = run(path)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stdout, "")
                self.assertIn(f"bumpcheck: {path}: {reason}", result.stderr)
                parsed = json.loads(run("--json", path).stdout)
                self.assertEqual(parsed["file"], path)
                self.assertTrue(parsed["error"].startswith(reason), parsed)
        # An unreadable file among others: the others are still checked, and 1 outweighs 3.
        result = run(self.flipped, self.path("missing.bmp"), self.clean)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(len(result.stdout.splitlines()), 2)

    def test_a_file_the_user_may_not_read(self):
        result = run(self.secret, as_nobody=True)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn(f"{self.secret}: not readable", result.stderr)
        # The same user reads the others: the refusal is the file's, not the program's.
        self.assertEqual(run(self.clean, as_nobody=True).returncode, 0)

    def test_models_by_content_with_their_tangents(self):
        clean = self.path("wall.glb")
        write(clean, glb(*wall_gltf(tangent_w=1)))
        turned = self.path("turned w.glb")
        write(turned, glb(*wall_gltf(tangent_w=-1)))
        # Told apart by content: a .glb under an image's name is read as a model.
        textured = self.path("textured.png")
        write(textured, glb(*wall_gltf(normal_png=png(8, 8, [[(128, 128, 255)] * 8] * 8))))
        result = run("--json", clean, turned, textured, self.clean)
        self.assertEqual(result.returncode, 3, result.stderr)
        objects = [json.loads(line) for line in result.stdout.splitlines()]
        self.assertEqual([(o["file"], o["kind"]) for o in objects], [
            (clean, "model"), (turned, "model"), (textured, "model"), (self.clean, "image")])
        self.assertEqual(objects[0]["findings"], [])
        self.assertEqual(objects[0]["tangents"]["corners"], 6)
        self.assertEqual(objects[0]["tangents"]["over_1deg"], 0)
        self.assertLess(objects[0]["tangents"]["largest_deg"], 0.01)
        self.assertEqual(objects[0]["tangents"]["handedness_differs"], 0)
        # w turned round: every corner of the other handedness.
        self.assertEqual([f["code"] for f in objects[1]["findings"]], ["tangents-differ"])
        differ = objects[1]["findings"][0]
        self.assertEqual((differ["severity"], differ["where"]),
                         ("warning", "mesh 0 primitive 0 (node 0)"))
        self.assertEqual(objects[1]["tangents"]["handedness_differs"], 6)
        self.assertEqual(differ["handedness_differs"], 6)
        # No TANGENT: MikkTSpace's, said as an info; no "tangents" figures; a flat map and no
        # seams tell nothing of the frame.
        codes = {f["code"]: f for f in objects[2]["findings"]}
        self.assertNotIn("tangents", objects[2])
        self.assertEqual(codes["tangents-generated"]["severity"], "info")
        self.assertEqual(codes["baked-frame-unknown"]["seam_edges"], 0)
        self.assertEqual(codes["baked-frame-unknown"]["where"],
                         "normal texture of mesh 0 primitive 0 (node 0)")
        self.assertTrue(all(f["severity"] == "info" for f in objects[2]["findings"]))
        # Text: one line per finding, naming where.
        result = run(clean, turned)
        self.assertEqual(result.returncode, 3)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], f"{clean}: ok (no findings)")
        self.assertTrue(lines[1].startswith(
            f"{turned}: warning tangents-differ (mesh 0 primitive 0 (node 0)): "), lines[1])
        self.assertEqual(run(clean, textured).returncode, 0)

    def test_models_the_loader_refuses_exit_1(self):
        document, buffer = wall_gltf(tangent_w=1)
        beside = self.path("beside.gltf")
        write(self.path("beside.bin"), buffer)
        document["buffers"][0]["uri"] = "beside.bin"
        write(beside, json.dumps(document).encode())
        missing = self.path("missing buffer.gltf")
        document["buffers"][0]["uri"] = "gone.bin"
        write(missing, json.dumps(document).encode())
        old = self.path("old.gltf")
        write(old, b'{"asset": {"version": "1.0"}}')
        # The .gltf reads its buffer from its folder.
        result = run("--json", beside)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(json.loads(result.stdout)["tangents"]["corners"], 6)
        cases = [(missing, 'refused: the file "gone.bin" it names is missing'),
                 (old, 'refused: it is glTF "1.0"; glTF 2.0 files are read')]
        for path, reason in cases:
            with self.subTest(path=path):
                result = run(path)
                self.assertEqual((result.returncode, result.stdout), (1, ""))
                self.assertEqual(result.stderr, f"bumpcheck: {path}: {reason}\n")
                self.assertEqual(json.loads(run("--json", path).stdout),
                                 {"file": path, "error": reason})
        # A refused model among faults: 1 outweighs 3, and the others are still checked.
        turned = self.path("turned.glb")
        write(turned, glb(*wall_gltf(tangent_w=-1)))
        result = run(turned, old, beside)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(len(result.stdout.splitlines()), 2)

    def test_bad_command_lines_exit_2_and_help_0(self):
        for args in ([], ["--jsn", self.clean], ["--json"]):
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, "")
                self.assertIn("usage: bumpcheck [--json] FILE...", result.stderr)
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        self.assertTrue(result.stdout.startswith("usage: bumpcheck [--json] FILE...\n"))


if __name__ == "__main__":
    BUMPCHECK, MAKE_NORMAL_MAP = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
