#!/usr/bin/env python3
"""Plots of time against triangles (log-log) from the benchmarks' JSON, drawn by gnuplot
(pngcairo): loading and tangent generation next to the reference's, each renderer's frame
and own CPU work, and the start-up to the first frame.

    bench/plots.py BENCH_DIR    reads BENCH_DIR/scaling.json and tangents.json, writes
                                BENCH_DIR/plot-*.png (and the .dat files gnuplot reads)
"""
import json
import os
import subprocess
import sys

SHAPES = ("sphere", "torus")


def write_series(directory, name, points):
    """points: (triangles, value) pairs; a .dat file gnuplot reads, sorted by triangles."""
    path = os.path.join(directory, name + ".dat")
    with open(path, "w") as f:
        for x, y in sorted(points):
            f.write("%d %.6g\n" % (x, y))
    return path


def plot(directory, name, title, ylabel, series):
    """series: (data file, legend, colour, dash type) lines on log-log axes."""
    lines = ", ".join(
        "'%s' using 1:2 with linespoints lw 2 pt 7 ps 0.6 lc rgb '%s' dt %d title '%s'"
        % (path, colour, dash, legend) for path, legend, colour, dash in series)
    script = "\n".join([
        "set terminal pngcairo size 760,540 font 'sans,10'",
        "set output '%s'" % os.path.join(directory, "plot-%s.png" % name),
        'set title "%s"' % title,
        "set logscale xy",
        "set xlabel 'triangles'",
        "set ylabel '%s'" % ylabel,
        "set format x '10^{%L}'",
        "set grid xtics ytics mxtics mytics lc rgb '#dddddd'",
        "set key top left box opaque samplen 3 spacing 1.1",
        "set xrange [5e3:4e6]",
        "plot " + lines,
    ])
    subprocess.run(["gnuplot"], input=script, text=True, check=True)


def main():
    directory = sys.argv[1]
    with open(os.path.join(directory, "scaling.json")) as f:
        scaling = json.load(f)
    tangents = {"sizes": []}
    if os.path.exists(os.path.join(directory, "tangents.json")):
        with open(os.path.join(directory, "tangents.json")) as f:
            tangents = json.load(f)

    # Loading (MikkTSpace's tangents made, or TANGENT read) and the generators alone.
    series = []
    colours = {"mikk": "#1f77b4", "file": "#2ca02c", "ours": "#ff7f0e", "reference": "#d62728"}
    for shape in SHAPES:
        dash = 1 if shape == "sphere" else 2
        for key, legend, tangents_in_file in (("mikk", "load, MikkTSpace", False),
                                              ("file", "load, TANGENT", True)):
            points = [(r["triangles"], r["first_ms"]) for r in scaling["load"]
                      if r["mesh"] == shape and r["tangents_in_file"] == tangents_in_file]
            if points:
                series.append((write_series(directory, "load-%s-%s" % (key, shape), points),
                               "%s (%s)" % (legend, shape), colours[key], dash))
        for key, legend, field in (("ours", "tangents, ours", "ours_cpu_s"),
                                   ("reference", "tangents, reference (node)", "reference_cpu_s")):
            points = [(r["triangles"], 1e3 * r[field]) for r in tangents["sizes"]
                      if r["mesh"] == shape]
            if points:
                series.append((write_series(directory, "tangents-%s-%s" % (key, shape), points),
                               "%s (%s)" % (legend, shape), colours[key], dash))
    plot(directory, "load", "Loading a .glb (its first load) and generating tangents",
         "milliseconds", series)

    # Each renderer: the frame, and the program's own CPU work per frame.
    colours = {("stages", "diffuse"): "#1f77b4", ("stages", "specular"): "#17becf",
               ("shaders", "diffuse"): "#d62728", ("shaders", "specular"): "#ff7f0e"}
    for name, title, field, ylabel, scale in (
            ("frame", "A frame of the main loop on llvmpipe", "ms_per_frame", "milliseconds", 1),
            ("cpu", "The program's own CPU work per frame (GL on no-ops)", "own_us",
             "microseconds", 1)):
        series = []
        for (renderer, mode), colour in colours.items():
            for shape in SHAPES:
                points = [(r["triangles"], scale * r[field]) for r in scaling["render"]
                          if r["mesh"] == shape and r["renderer"] == renderer and r["mode"] == mode]
                if points:
                    series.append((write_series(directory, "%s-%s-%s-%s" % (name, renderer, mode,
                                                                             shape), points),
                                   "%s, %s (%s)" % (renderer, mode, shape), colour,
                                   1 if shape == "sphere" else 2))
        plot(directory, name, title, ylabel, series)

    # The start-up to the first frame, each renderer.
    series = []
    for renderer, colour in (("stages", "#1f77b4"), ("shaders", "#d62728")):
        points = [(r["triangles"], r["first_frame_ms"]) for r in scaling["startup"]
                  if r["renderer"] == renderer]
        if points:
            series.append((write_series(directory, "startup-%s" % renderer, points),
                           "%s (sphere)" % renderer, colour, 1))
    plot(directory, "startup", "Start-up to the first frame of a model (--model FILE)",
         "milliseconds", series)


if __name__ == "__main__":
    main()
