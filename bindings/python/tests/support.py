"""What the tests share: temporary folders and the C hosts that the test
command builds (QEV3DS_C_HOSTS names their folder)."""

import os
import struct
import subprocess
import tempfile
import unittest

import numpy as np


class TempDirCase(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self._dir.name, name)


def c_host(name):
    """The path of a C host program, or None when the tests run without them."""
    folder = os.environ.get("QEV3DS_C_HOSTS")
    if not folder:
        return None
    path = os.path.join(folder, name)
    return path if os.path.exists(path) else None


def c_host_read(dump, path, out):
    """What a C host reads of path through the thirteen functions: a list of
    (name, transparency, colour, texture, corners, mapping, smoothing)."""
    subprocess.run([dump, path, out], check=True)
    with open(out, "rb") as f:
        data = f.read()
    at = 0

    def i32():
        nonlocal at
        (v,) = struct.unpack_from("<i", data, at)
        at += 4
        return v

    def text():
        nonlocal at
        n = i32()
        s = data[at:at + n].decode("latin-1")
        at += n
        return s

    layers = []
    for _ in range(i32()):
        name = text()
        transparency, r, g, b = i32(), i32(), i32(), i32()
        texture = text()
        n = i32()
        record = np.dtype([("corners", "<f4", (3, 3)), ("mapping", "<f4", (3, 2)), ("smoothing", "<i4")])
        rows = np.frombuffer(data, record, n, at)
        at += n * record.itemsize
        layers.append((name, transparency, (r, g, b), texture, rows["corners"], rows["mapping"],
                       rows["smoothing"]))
    return layers
