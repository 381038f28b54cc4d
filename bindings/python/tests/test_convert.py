"""qev3ds.convert, qev3ds.limits and qev3ds.status_text: the C++ API of the
library through the extension module."""

import os
import struct
import unittest

import numpy as np

import qev3ds
from support import TempDirCase


class Convert(TempDirCase):
    def test_a_written_scene_converts_and_comes_back(self):
        rng = np.random.default_rng(3)
        source = self.path("s.3ds")
        qev3ds.write(source, [qev3ds.ArrayLayer("Hull", (200, 10, 10), 0, "", rng.normal(size=(40, 3, 3))),
                              qev3ds.ArrayLayer("Deck", (10, 200, 10), 0, "", rng.normal(size=(7, 3, 3)))])
        for ext in ("glb", "obj"):
            with self.subTest(ext):
                out = self.path(f"s.{ext}")
                report = qev3ds.convert(source, out)
                self.assertTrue(report.ok)
                self.assertEqual(report.status, 0)
                self.assertIsInstance(report.warnings, list)
                self.assertIsInstance(report.notes, list)
                self.assertIn(out, report.message)
                # Back to 3DS as the thirteen functions write it: every
                # triangle, in its layer, where it was (within the rounding
                # of a glTF mesh placed in its object's frame).
                back = self.path(f"back-{ext}.3ds")
                self.assertTrue(qev3ds.convert(out, back, layers=True).ok)
                layers = {l.name: l.corners for l in qev3ds.read(back).layers}
                for layer in qev3ds.read(source).layers:
                    self.assertIn(layer.name, layers)
                    np.testing.assert_allclose(layers[layer.name], layer.corners, atol=1e-5)

    def test_losses_are_warnings_and_float_colours_full_bytes(self):
        def chunk(cid, body=b"", *children):
            data = body + b"".join(children)
            return struct.pack("<HI", cid, 6 + len(data)) + data

        # A material of diffuse float colour (1.0, 0.5, 0) and a textured
        # mesh of one triangle; its texture is not there.
        material = chunk(0xAFFF, b"", chunk(0xA000, b"M\0"),
                         chunk(0xA020, b"", chunk(0x0010, struct.pack("<3f", 1.0, 0.5, 0.0))),
                         chunk(0xA200, b"", chunk(0xA300, b"gone.png\0")))
        mesh = chunk(0x4000, b"L\0", chunk(0x4100, b"",
                     chunk(0x4110, struct.pack("<H9f", 3, 0, 0, 0, 1, 0, 0, 0, 1, 0)),
                     chunk(0x4140, struct.pack("<H6f", 3, 0, 0, 1, 0, 0, 1)),
                     chunk(0x4120, struct.pack("<5H", 1, 0, 1, 2, 0), chunk(0x4130, b"M\0" + struct.pack("<2H", 1, 0)))))
        source = self.path("float.3ds")
        with open(source, "wb") as f:
            f.write(chunk(0x4D4D, b"", chunk(0x3D3D, b"", material, mesh)))
        with open(self.path("lines.obj"), "w") as f:
            f.write("mtllib none.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\nf 1 2 3\n")
        cases = [  # source, output, a warning that must be among the report's
            ("float.3ds", "f.gltf", "gone.png"),
            ("lines.obj", "l.glb", "none.mtl"),
        ]
        for name, out, warned in cases:
            with self.subTest(name):
                report = qev3ds.convert(self.path(name), self.path(out))
                self.assertTrue(any(warned in w for w in report.warnings), report.warnings)
        self.assertEqual(qev3ds.read(source).layers[0].colour, (255, 128, 0))
        from qev3ds import legacy
        self.assertEqual(legacy.read_scene(source)[0].colour, (255, 128, 0))

    def test_up_and_scale_reach_the_library(self):
        source = self.path("s.3ds")
        qev3ds.write(source, [qev3ds.ArrayLayer("Hull", (200, 10, 10), 0, "", np.array([[[1, 2, 3], [4, 5, 6], [7, 8, 10]]]))])
        for up, first in [("y", "v 2 6 -4"), ("z", "v 2 4 6")]:
            with self.subTest(up):
                out, back = self.path(f"{up}.obj"), self.path(f"{up}.3ds")
                qev3ds.convert(source, out, up=up, scale=2)
                with open(out) as f:
                    self.assertIn(first + "\n", f.read())
                qev3ds.convert(out, back, up=up, scale=0.5, layers=True)
                np.testing.assert_allclose(qev3ds.read(back).layers[0].corners,
                                           qev3ds.read(source).layers[0].corners, atol=1e-6)
        for bad in [dict(up="x"), dict(scale=0), dict(scale=float("nan"))]:
            with self.subTest(**bad), self.assertRaises(ValueError):
                qev3ds.convert(source, self.path("bad.obj"), **bad)

    def test_failures_raise_with_the_report(self):
        with open(self.path("junk.3ds"), "wb") as f:
            f.write(b"\x4d\x4d" + b"\xff" * 20)
        for source, status in [("junk.3ds", 14), ("missing.obj", 4)]:
            with self.subTest(source):
                out = self.path("out.glb")
                with self.assertRaises(qev3ds.Qev3dsError) as failed:
                    qev3ds.convert(self.path(source), out)
                self.assertEqual(failed.exception.status, status)
                self.assertFalse(failed.exception.report.ok)
                self.assertIn(source, str(failed.exception))
                self.assertFalse(os.path.exists(out))


class FromTheLibrary(unittest.TestCase):
    def test_limits_and_status_texts(self):
        # As qev_3ds_scene.hpp states them, each under its own name.
        self.assertEqual(qev3ds.limits._asdict(), {
            "layers": 1400, "triangles": 40000, "vertices": 40000, "textured_triangles": 13333,
            "layer_name": 76, "texture_name": 79, "name_kept": 49, "mesh_items": 65535})
        texts = {s: qev3ds.status_text(s) for s in range(-9, 5)}
        self.assertEqual(texts[4], "not a 3DS file, or damaged")
        self.assertEqual(texts[-3], "over the writer's capacities")
        self.assertEqual(len(set(texts.values())), len(texts))  # one sentence each
        self.assertEqual(qev3ds.status_text(99), "unknown status")
        self.assertIn(texts[-6], str(qev3ds.Qev3dsError(-6, "x.3ds")))


if __name__ == "__main__":
    unittest.main()
