"""The per-triangle API of qev3ds.legacy (Layer, Triangle, read_scene,
write_scene), against the installed package: checked as qev3ds.write
checks, and safe beside qev3ds.write in other threads."""

import math
import os
import threading
import unittest

import numpy as np

import qev3ds
from qev3ds import legacy
from support import TempDirCase

TRI = legacy.Triangle(((0, 0, 0), (1, 0, 0), (0, 1, 0)))


class RoundTrip(TempDirCase):
    def test_layers_come_back_with_their_values(self):
        square = [legacy.Triangle(((0, 0, 0), (1, 0, 0), (1, 1, 0)), smoothing=1),
                  legacy.Triangle(((0, 0, 0), (1, 1, 0), (0, 1, 0)), smoothing=4)]
        decal = [legacy.Triangle(((0, 0, 2), (2, 0, 2), (0, 2, 2)),
                                 mapping=((0, 0), (1, 0), (0, 1)))]
        written = [legacy.Layer("Floor", (200, 100, 50), 10, "", square),
                   legacy.Layer("Decal", (10, 20, 30), 40, "decal.png", decal),
                   legacy.Layer("Black", (0, 0, 0), 0, "", square[:1])]
        legacy.write_scene(self.path("scene.3ds"), written)
        read = legacy.read_scene(self.path("scene.3ds"))
        self.assertEqual([l.name for l in read], ["Floor", "Decal", "Black"])
        self.assertEqual(read[0].colour, (200, 100, 50))
        self.assertEqual(read[2].colour, (180, 180, 180))  # black reads back as grey
        self.assertEqual(read[1].transparency, 40)
        self.assertEqual(read[1].texture, "decal.png")
        self.assertEqual(read[0].triangles[1].corners, ((0, 0, 0), (1, 1, 0), (0, 1, 0)))
        self.assertEqual([t.smoothing for t in read[0].triangles], [1, 3])
        self.assertEqual(read[1].triangles[0].mapping, ((0, 0), (1, 0), (0, 1)))
        self.assertEqual(read[0].triangles[0].mapping, ((0, 0), (0, 0), (0, 0)))

    def test_failures_raise_with_the_status(self):
        with self.assertRaises(legacy.Qev3dsError) as missing:
            legacy.read_scene(self.path("missing.3ds"))
        self.assertEqual(missing.exception.status, 1)
        with open(self.path("junk.3ds"), "wb") as f:
            f.write(b"not a 3ds file")
        with self.assertRaises(legacy.Qev3dsError) as junk:
            legacy.read_scene(self.path("junk.3ds"))
        self.assertEqual(junk.exception.status, 4)
        with self.assertRaises(legacy.Qev3dsError) as cannot:
            legacy.write_scene(self.path("no/such/dir/x.3ds"), [])
        self.assertEqual(cannot.exception.status, -6)

    def test_hostile_scenes_are_refused_and_leave_no_file_nor_open_writer(self):
        def layer(*triangles, **fields):
            return legacy.Layer(fields.pop("name", "L"), triangles=list(triangles) or [TRI], **fields)

        def tri(corners=TRI.corners, **fields):
            return legacy.Triangle(corners, **fields)

        # 13,334 triangles of distinct corners: more welded vertices than an
        # untextured layer holds, which only the writer can tell.
        spread = [tri(((3 * i, 0, 0), (3 * i + 1, 0, 0), (3 * i + 2, 0, 0))) for i in range(13334)]
        cases = [
            ("NaN corner", [layer(TRI, tri(((0, 0, 0), (1, math.nan, 0), (0, 1, 0))))], "triangle 2"),
            ("infinite corner", [layer(tri(((0, 0, math.inf), (1, 0, 0), (0, 1, 0))))], "finite"),
            ("corner beyond float32", [layer(tri(((0, 0, 1e39), (1, 0, 0), (0, 1, 0))))], "finite"),
            ("NUL in a name", [layer(name="a\0b")], "NUL"),
            ("NUL in a texture", [layer(texture="t\0.png")], "NUL"),
            ("long name", [layer(name="n" * 77)], "at most 76"),
            ("smoothing over 32 bits", [layer(tri(smoothing=2 ** 40))], "32 bits"),
            ("smoothing not integral", [layer(tri(smoothing=1.5))], "integers"),
            ("two corners", [layer(TRI, tri(((0, 0, 0), (1, 0, 0))))], "triangle 2 corners"),
            ("four corners", [layer(tri(TRI.corners + ((1, 1, 1),)))], "corners"),
            ("corner of two numbers", [layer(tri(((0, 0), (1, 0, 0), (0, 1, 0))))], "corners"),
            ("corner not a number", [layer(tri(((0, 0, "a"), (1, 0, 0), (0, 1, 0))))], "corners"),
            ("mapping of two pairs", [layer(tri(mapping=((0, 0), (1, 0))), texture="t.png")], "mapping"),
            ("colour over 16 bits", [layer(colour=(70000, 0, 0))], "colour"),
            ("colour of two", [layer(colour=(1, 2))], "(r, g, b)"),
            ("transparency over 16 bits", [layer(transparency=70000)], "transparency"),
            ("too many triangles", [layer(*[TRI] * 40001)], "40000"),
            ("second layer bad", [layer(), layer(tri(smoothing=None), name="B")], "layer 2 ('B')"),
            ("refused by the writer", [layer(*spread)], None),
        ]
        for what, layers, message in cases:
            with self.subTest(what):
                path = self.path("refused.3ds")
                with self.assertRaises((ValueError, legacy.Qev3dsError)) as refused:
                    legacy.write_scene(path, layers)
                if message is None:
                    self.assertEqual(getattr(refused.exception, "status", None), -3)
                else:
                    self.assertIsInstance(refused.exception, ValueError)
                    self.assertIn(message, str(refused.exception))
                self.assertFalse(os.path.exists(path))
                self.assertEqual(legacy.library().QEV_PUT_3DS_END(None), -5)  # no file open

    def test_scene_files_are_those_of_qev3ds_write(self):
        layers = [legacy.Layer("Floor", (200, 100, 50), 10, "", [TRI, legacy.Triangle(
                      ((0, 0, 1), (1, 0, 1), (0, 1, 1)), ((0.5, 0.5), (1, 0), (0, 1)), smoothing=6)]),
                  legacy.Layer("Decal", (10, 20, 30), 40, "decal.png", [legacy.Triangle(
                      ((0, 0, 2), (2, 0, 2), (0, 2, 2)), ((0, 0), (1, 0), (0, 1)), smoothing=-1)])]
        legacy.write_scene(self.path("calls.3ds"), layers)
        qev3ds.write(self.path("arrays.3ds"), layers)
        with open(self.path("calls.3ds"), "rb") as a, open(self.path("arrays.3ds"), "rb") as b:
            self.assertEqual(a.read(), b.read())


class BesideTheArrayApi(TempDirCase):
    def test_threads_mixing_both_apis_each_get_their_own_file(self):
        # One thread writes per triangle and reads arrays, the other the
        # reverse: the library's single writer and reader are shared by both.
        n = 300
        corners = np.arange(n * 9, dtype=np.float32).reshape(n, 3, 3)
        errors = []

        def per_triangle(path, z):
            layer = legacy.Layer("calls", triangles=[
                legacy.Triangle(tuple(map(tuple, c))) for c in (corners + z).tolist()])
            for _ in range(25):
                legacy.write_scene(path, [layer])
                (read,) = qev3ds.read(path).layers
                assert read.name == "calls", read.name
                np.testing.assert_array_equal(read.corners, corners + z)

        def arrays(path, z):
            for _ in range(25):
                qev3ds.write(path, [qev3ds.ArrayLayer("arrays", corners=corners + z)])
                (read,) = legacy.read_scene(path)
                assert read.name == "arrays", read.name
                np.testing.assert_array_equal([t.corners for t in read.triangles], corners + z)

        def run(work, *args):
            try:
                work(*args)
            except Exception as e:  # reported below
                errors.append(e)

        threads = [threading.Thread(target=run, args=(per_triangle, self.path("calls.3ds"), 0.5)),
                   threading.Thread(target=run, args=(arrays, self.path("arrays.3ds"), -0.25))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])


if __name__ == "__main__":
    unittest.main()
