#!/usr/bin/env python3
"""Puts each program's --help text into README.md, as the code block after the line that
names it (a test checks that README.md shows the programs' own usage):
    scripts/readme_usage.py BUILD_DIR"""
import subprocess
import sys

build = sys.argv[1] if len(sys.argv) > 1 else "build"
readme = open("README.md").read()
for program, opening in (("bumpdemo", "    Usage: bumpdemo"), ("make_normal_map", "    usage: make_normal_map")):
    text = subprocess.run([f"{build}/{program}", "--help"], check=True, capture_output=True, text=True).stdout
    block = "".join(("    " + line if line else "") + "\n" for line in text.splitlines())
    start = readme.index(opening)
    end = start
    while True:  # the block runs to the first line that is neither indented nor empty
        nl = readme.index("\n", end) + 1
        line = readme[end:nl]
        if line.strip() and not line.startswith("    "):
            break
        end = nl
    # keep the blank line that ends the block
    readme = readme[:start] + block + "\n" + readme[end:].lstrip("\n")
open("README.md", "w").write(readme)
