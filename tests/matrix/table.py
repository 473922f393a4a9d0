#!/usr/bin/env python3
"""Prints the picture matrix's results (BUILD_DIR/matrix/IMPL/result.json, written by the
matrix_* tests) as the README's Markdown table: per implementation and model, the pictures
that pass, and the largest share of unmatched pixels of any picture.
    table.py BUILD_DIR"""
import json
import os
import sys

ROWS = [("llvmpipe-offscreen", "llvmpipe, SDL offscreen (exact)"),
        ("llvmpipe-x11", "llvmpipe, Xvfb window"),
        ("softpipe", "softpipe, Xvfb window"),
        ("zink", "zink over lavapipe (kopper), Xvfb window"),
        ("wine64", "Windows build, 64-bit, Wine"),
        ("wine32", "Windows build, 32-bit, Wine"),
        ("webgl2-chromium", "WebGL 2, Chromium (SwiftShader), the browser build")]

print("| GL | wall | sphere | torus | window shows it | most unmatched |")
print("|---|---|---|---|---|---|")
for impl, label in ROWS:
    path = os.path.join(sys.argv[1], "matrix", impl, "result.json")
    skipped = os.path.join(sys.argv[1], "matrix", impl, "skipped")
    if not os.path.exists(path):
        reason = open(skipped).read().strip() if os.path.exists(skipped) else "not run"
        print("| %s | %s | | | | |" % (label, reason))
        continue
    pictures = json.load(open(path))["pictures"]
    if not pictures:
        print("| %s | no pictures | | | | |" % label)
        continue
    cells = []
    for model in ("wall", "sphere", "torus"):
        mine = [p for p in pictures if p["name"].startswith(model + "-")]
        cells.append("%d/%d pass" % (sum(p["pass"] for p in mine), len(mine)))
    shown = [p for p in pictures if p["name"].startswith("presented-")]
    cells.append(("pass" if all(p["pass"] for p in shown) else "FAIL") if shown else "-")
    worst = max(pictures, key=lambda p: p["share"])
    cells.append("%.3f %% (%s)" % (100 * worst["share"], worst["name"]))
    print("| %s | %s |" % (label, " | ".join(cells)))
