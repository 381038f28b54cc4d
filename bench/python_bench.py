"""The Python package against the C host on the same file, in one run:
writing the 50-layer grid scene of 1,000,000 triangles, and parsing it and
fetching every triangle. Run by scripts/bench-python; never a test.

    python bench/python_bench.py C_HOST_DIR [--layers 50] [--per-layer 20000] [--legacy]

C_HOST_DIR holds make_grid_scene and read_qev (build/bench/bench). Prints a
Markdown table; --legacy adds the per-triangle ctypes API for comparison.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import qev3ds
from qev3ds import legacy


def host_seconds(argv):
    out = subprocess.run(argv, check=True, capture_output=True, text=True).stdout
    return float(out.split()[0])


def best(runs, f):
    """The fastest of a few runs, each with the file in the page cache."""
    return min(f() for _ in range(runs))


def timed(f):
    start = time.perf_counter()
    f()
    return time.perf_counter() - start


def main():
    p = argparse.ArgumentParser()
    p.add_argument("hosts")
    p.add_argument("--layers", type=int, default=50)
    p.add_argument("--per-layer", type=int, default=20000)
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--legacy", action="store_true")
    a = p.parse_args()
    make = os.path.join(a.hosts, "make_grid_scene")
    read = os.path.join(a.hosts, "read_qev")
    with tempfile.TemporaryDirectory() as work:
        c_file = os.path.join(work, "c.3ds")
        py_file = os.path.join(work, "py.3ds")
        c_write = best(a.runs, lambda: host_seconds([make, c_file, str(a.layers), str(a.per_layer)]))
        c_read = best(a.runs, lambda: host_seconds([read, c_file, "--fetch"]))
        scene = qev3ds.read(c_file)
        py_read = best(a.runs, lambda: timed(lambda: qev3ds.read(c_file)))
        py_write = best(a.runs, lambda: timed(lambda: qev3ds.write(py_file, scene.layers)))
        # The same triangles, colours and names read back from both files
        # (the C host writes other edge flags, which the arrays do not carry).
        back = qev3ds.read(py_file)
        same = len(back.layers) == len(scene.layers) and all(
            x.name == y.name and x.colour == y.colour and np.array_equal(x.corners, y.corners)
            and np.array_equal(x.smoothing, y.smoothing) for x, y in zip(back.layers, scene.layers))
        triangles = sum(len(l.corners) for l in scene.layers)
        size = os.path.getsize(c_file) / 1e6
        print(f"{a.layers} layers, {triangles} triangles, {size:.0f} MB; best of {a.runs} runs; "
              f"numpy {np.__version__}, Python {sys.version.split()[0]}")
        print(f"files written by the C host and by qev3ds.write read back {'the same' if same else 'DIFFERENTLY'}")
        print()
        print("| | C host | qev3ds (numpy) | ratio |")
        print("|---|---|---|---|")
        print(f"| parse and fetch every triangle | {c_read:.3f} s | {py_read:.3f} s | {py_read / c_read:.2f}× |")
        print(f"| write (13 calls, welding) | {c_write:.3f} s | {py_write:.3f} s | {py_write / c_write:.2f}× |")
        if a.legacy:
            legacy_layers = legacy.read_scene(c_file)
            lr = timed(lambda: legacy.read_scene(c_file))
            lw = timed(lambda: legacy.write_scene(py_file, legacy_layers))
            print(f"| per-triangle `read_scene` / `write_scene` (ctypes) | | {lr:.2f} s / {lw:.2f} s | "
                  f"{lr / c_read:.0f}× / {lw / c_write:.0f}× |")
        if not same:
            sys.exit(1)


if __name__ == "__main__":
    main()
