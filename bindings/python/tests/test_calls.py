"""The per-triangle API (Layer, Triangle, read_scene, write_scene) as it was,
against the installed package, and safe beside qev3ds.write in other
threads."""

import threading
import unittest

import numpy as np

import qev3ds
from support import TempDirCase


class RoundTrip(TempDirCase):
    def test_layers_come_back_with_their_values(self):
        square = [qev3ds.Triangle(((0, 0, 0), (1, 0, 0), (1, 1, 0)), smoothing=1),
                  qev3ds.Triangle(((0, 0, 0), (1, 1, 0), (0, 1, 0)), smoothing=4)]
        decal = [qev3ds.Triangle(((0, 0, 2), (2, 0, 2), (0, 2, 2)),
                                 mapping=((0, 0), (1, 0), (0, 1)))]
        written = [qev3ds.Layer("Floor", (200, 100, 50), 10, "", square),
                   qev3ds.Layer("Decal", (10, 20, 30), 40, "decal.png", decal),
                   qev3ds.Layer("Black", (0, 0, 0), 0, "", square[:1])]
        qev3ds.write_scene(self.path("scene.3ds"), written)
        read = qev3ds.read_scene(self.path("scene.3ds"))
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
        with self.assertRaises(qev3ds.Qev3dsError) as missing:
            qev3ds.read_scene(self.path("missing.3ds"))
        self.assertEqual(missing.exception.status, 1)
        with open(self.path("junk.3ds"), "wb") as f:
            f.write(b"not a 3ds file")
        with self.assertRaises(qev3ds.Qev3dsError) as junk:
            qev3ds.read_scene(self.path("junk.3ds"))
        self.assertEqual(junk.exception.status, 4)
        with self.assertRaises(qev3ds.Qev3dsError) as cannot:
            qev3ds.write_scene(self.path("no/such/dir/x.3ds"), [])
        self.assertEqual(cannot.exception.status, -6)

    def test_refused_data_is_an_error(self):
        too_long = qev3ds.Layer("n" * 77, triangles=[qev3ds.Triangle(((0, 0, 0), (1, 0, 0), (0, 1, 0)))])
        with self.assertRaises(qev3ds.Qev3dsError) as refused:
            qev3ds.write_scene(self.path("long.3ds"), [too_long])
        self.assertEqual(refused.exception.status, -8)


class BesideTheArrayApi(TempDirCase):
    def test_threads_mixing_both_apis_each_get_their_own_file(self):
        # One thread writes per triangle and reads arrays, the other the
        # reverse: the library's single writer and reader are shared by both.
        n = 300
        corners = np.arange(n * 9, dtype=np.float32).reshape(n, 3, 3)
        errors = []

        def per_triangle(path, z):
            layer = qev3ds.Layer("calls", triangles=[
                qev3ds.Triangle(tuple(map(tuple, c))) for c in (corners + z).tolist()])
            for _ in range(25):
                qev3ds.write_scene(path, [layer])
                (read,) = qev3ds.read(path).layers
                assert read.name == "calls", read.name
                np.testing.assert_array_equal(read.corners, corners + z)

        def arrays(path, z):
            for _ in range(25):
                qev3ds.write(path, [qev3ds.ArrayLayer("arrays", corners=corners + z)])
                (read,) = qev3ds.read_scene(path)
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
