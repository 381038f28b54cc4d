"""qev3ds.read and qev3ds.write: the arrays hold exactly what a C host reads,
every input shape and dtype the API takes, and every mistake refused before
a file is written."""

import os
import threading
import unittest

import numpy as np

import qev3ds
from qev3ds import legacy
from support import TempDirCase, c_host, c_host_read


def square(z=0.0):
    return np.array([[[0, 0, z], [1, 0, z], [1, 1, z]], [[0, 0, z], [1, 1, z], [0, 1, z]]], np.float32)


class ReadAsTheCHostReads(TempDirCase):
    @unittest.skipUnless(c_host("c_host_grid") and c_host("c_host_dump"), "needs QEV3DS_C_HOSTS")
    def test_grid_scene_value_for_value(self):
        # The benchmark's scene, smaller: written by the C host, then read by
        # both; then a textured scene written from Python.
        import subprocess
        grid = self.path("grid.3ds")
        subprocess.run([c_host("c_host_grid"), grid, "5", "3001"], check=True, capture_output=True)
        tex = self.path("tex.3ds")
        rng = np.random.default_rng(7)
        qev3ds.write(tex, [qev3ds.ArrayLayer("T", (1, 2, 3), 30, "t.png",
                                             rng.normal(size=(500, 3, 3)), rng.random((500, 3, 2)),
                                             rng.integers(0, 2 ** 20, 500)),
                           qev3ds.ArrayLayer("Black", (0, 0, 0), 0, "", square())])
        for path in (grid, tex):
            ours = qev3ds.read(path).layers
            theirs = c_host_read(c_host("c_host_dump"), path, self.path("dump.bin"))
            self.assertEqual(len(ours), len(theirs))
            for layer, (name, transparency, colour, texture, corners, mapping, smoothing) in zip(ours, theirs):
                self.assertEqual((layer.name, layer.transparency, layer.colour, layer.texture),
                                 (name, transparency, colour, texture))
                self.assertEqual(layer.corners.dtype, np.float32)
                self.assertEqual(layer.corners.shape, (len(corners), 3, 3))
                np.testing.assert_array_equal(layer.corners, corners)
                np.testing.assert_array_equal(layer.mapping, mapping)
                np.testing.assert_array_equal(layer.smoothing, smoothing)
                self.assertEqual(layer.smoothing.dtype, np.int32)

    def test_round_trip_keeps_what_the_library_keeps(self):
        path = self.path("r.3ds")
        uv = np.array([[[0, 0], [1, 0], [1, 1]], [[0, 0], [1, 1], [0, 1]]], np.float32)
        qev3ds.write(path, [qev3ds.ArrayLayer("Floor", (200, 100, 50), 10, "", square(), None, [1, 4]),
                            qev3ds.ArrayLayer("Decal", (10, 20, 30), 40, "decal.png", square(2), uv)])
        floor, decal = qev3ds.read(path).layers
        self.assertEqual((floor.name, floor.colour, floor.transparency, floor.texture),
                         ("Floor", (200, 100, 50), 10, ""))
        np.testing.assert_array_equal(floor.corners, square())
        np.testing.assert_array_equal(floor.smoothing, [1, 3])  # the highest group bit, 1-based
        np.testing.assert_array_equal(floor.mapping, np.zeros((2, 3, 2)))  # untextured: zeros
        np.testing.assert_array_equal(decal.mapping, uv)
        self.assertEqual(decal.texture, "decal.png")

    def test_read_failures_carry_the_status_and_the_path(self):
        with self.assertRaises(qev3ds.Qev3dsError) as missing:
            qev3ds.read(self.path("missing.3ds"))
        self.assertEqual(missing.exception.status, 1)
        self.assertIn("missing.3ds", str(missing.exception))
        with open(self.path("junk.3ds"), "wb") as f:
            f.write(b"\x4d\x4d" + b"\xff" * 20)
        with self.assertRaises(qev3ds.Qev3dsError) as junk:
            qev3ds.read(self.path("junk.3ds"))
        self.assertEqual(junk.exception.status, 4)

    def test_each_face_material_from_the_scene_api(self):
        # A file whose mesh has two face groups, built by hand.
        import struct

        def chunk(cid, payload=b"", *kids):
            body = payload + b"".join(kids)
            return struct.pack("<HI", cid, 6 + len(body)) + body

        def material(name, rgb):
            return chunk(0xAFFF, b"", chunk(0xA000, name + b"\0"),
                         chunk(0xA020, b"", chunk(0x11, bytes(rgb)), chunk(0x12, bytes(rgb))))

        points = struct.pack("<H9f", 3, 0, 0, 0, 1, 0, 0, 0, 1, 0)
        faces = struct.pack("<H8H", 2, 0, 1, 2, 7, 0, 2, 1, 7)
        group = lambda n, ix: chunk(0x4130, n + b"\0" + struct.pack("<H", len(ix)) + b"".join(struct.pack("<H", i) for i in ix))
        mesh = chunk(0x4100, b"", chunk(0x4110, points), chunk(0x4120, faces, group(b"eye", [1]), group(b"fur", [0])))
        data = chunk(0x4D4D, b"", chunk(2, struct.pack("<I", 3)),
                     chunk(0x3D3D, b"", material(b"eye", (1, 2, 3)), material(b"fur", (4, 5, 6)),
                           chunk(0x4000, b"Cat\0", mesh)))
        with open(self.path("cat.3ds"), "wb") as f:
            f.write(data)
        plain = qev3ds.read(self.path("cat.3ds"))
        self.assertIsNone(plain.layers[0].materials)
        cat = qev3ds.read(self.path("cat.3ds"), face_materials=True).layers[0]
        self.assertEqual(cat.colour, (1, 2, 3))  # the layer: its first group's material
        self.assertEqual([cat.materials[i] for i in cat.face_material], ["fur", "eye"])


class WriteTakesWhatUsersHave(TempDirCase):
    def test_shapes_dtypes_and_objects(self):
        flat = square().reshape(2, 9)
        cases = [
            ("ArrayLayer (n, 3, 3)", qev3ds.ArrayLayer("A", corners=square())),
            ("(n, 9) float64", {"name": "A", "corners": flat.astype(np.float64)}),
            ("nested lists of ints", {"name": "A", "corners": flat.astype(int).tolist()}),
            ("float16", {"name": "A", "corners": square().astype(np.float16)}),
            ("a legacy Layer", legacy.Layer("A", triangles=[
                legacy.Triangle(tuple(map(tuple, t))) for t in square().tolist()])),
            ("Fortran order", {"name": "A", "corners": np.asfortranarray(flat)}),
            ("a strided view", {"name": "A", "corners": np.repeat(flat, 2, axis=0)[::2]}),
        ]
        for what, layer in cases:
            with self.subTest(what):
                qev3ds.write(self.path("w.3ds"), [layer])
                np.testing.assert_array_equal(qev3ds.read(self.path("w.3ds")).layers[0].corners, square())

    def test_read_layers_write_back(self):
        first, second = self.path("a.3ds"), self.path("b.3ds")
        qev3ds.write(first, [qev3ds.ArrayLayer("A", (1, 2, 3), 5, "", square(), None, [1, 2])])
        scene = qev3ds.read(first)
        # What read returns is what write takes (it once raised TypeError).
        for what in (scene.layers, scene):
            qev3ds.write(second, what)
            with open(first, "rb") as f1, open(second, "rb") as f2:
                self.assertEqual(f1.read(), f2.read())

    def test_mistakes_are_refused_before_anything_is_written(self):
        good = square()
        nan = good.copy()
        nan[1, 2, 0] = np.nan
        cases = [
            ("wrong shape", [{"name": "A", "corners": np.zeros((2, 3, 2))}], "shape"),
            ("not real numbers", [{"name": "A", "corners": np.array([["a"] * 9])}], "real numbers"),
            ("complex", [{"name": "A", "corners": np.zeros((1, 9), complex)}], "real numbers"),
            ("non-finite corner", [{"name": "A", "corners": nan}], "triangle 2"),
            ("infinite corner", [{"name": "A", "corners": np.full((1, 9), np.inf)}], "finite"),
            ("long name", [{"name": "n" * 77, "corners": good}], "at most 76"),
            ("long texture", [{"name": "A", "texture": "t" * 80, "corners": good}], "at most 79"),
            ("NUL in a name", [{"name": "a\0b", "corners": good}], "NUL"),
            ("non-Latin-1 name", [{"name": "\u4e00", "corners": good}], "Latin-1"),
            ("colour of two", [{"name": "A", "colour": (1, 2), "corners": good}], "(r, g, b)"),
            ("colour not integral", [{"name": "A", "colour": (1.5, 2, 3), "corners": good}], "integer"),
            # Once wrapped into the file's byte: 300 as 44, -1 as 255.
            ("colour over a byte", [{"name": "A", "colour": (300, 0, 0), "corners": good}], "0 to 255, not 300"),
            ("colour below 0", [{"name": "A", "colour": (0, -1, 0), "corners": good}], "0 to 255, not -1"),
            ("transparency over 100", [{"name": "A", "transparency": 101, "corners": good}], "0 to 100"),
            ("transparency below 0", [{"name": "A", "transparency": -1, "corners": good}], "0 to 100"),
            ("smoothing shape", [{"name": "A", "corners": good, "smoothing": [1]}], "smoothing"),
            ("smoothing too big", [{"name": "A", "corners": good, "smoothing": [2 ** 40, 0]}], "32 bits"),
            ("mapping shape", [{"name": "A", "texture": "t", "corners": good, "mapping": np.zeros((2, 2))}], "mapping"),
            ("too many triangles", [{"name": "A", "corners": np.zeros((40001, 9))}], "40000"),
            ("too many textured", [{"name": "A", "texture": "t", "corners": np.zeros((13334, 9))}], "13333"),
            # Refused from its shape: a copy would take gigabytes.
            ("huge broadcast view", [{"name": "A", "corners": np.broadcast_to(good[0], (2 * 10 ** 8, 3, 3))}],
             "200000000 triangles"),
            ("too many layers", [{"name": "A", "corners": good}] * 1401, "1400"),
            ("second layer bad", [{"name": "A", "corners": good}, {"name": "B", "corners": nan}], "layer 2 ('B')"),
        ]
        for what, layers, message in cases:
            with self.subTest(what):
                path = self.path("refused.3ds")
                with self.assertRaises(ValueError) as refused:
                    qev3ds.write(path, layers, split=False)
                self.assertIn(message, str(refused.exception))
                self.assertFalse(os.path.exists(path))

    def test_a_refusal_while_writing_leaves_no_file(self):
        # 40,000 triangles over 120,000 distinct corners: more vertices than
        # an untextured layer holds, which only the writer can tell.
        corners = np.arange(40000 * 9, dtype=np.float32).reshape(40000, 9)
        path = self.path("big.3ds")
        with self.assertRaises(qev3ds.Qev3dsError) as refused:
            qev3ds.write(path, [{"name": "Big", "corners": corners}], split=False)
        self.assertEqual(refused.exception.status, -3)
        self.assertIn("'Big'", str(refused.exception))
        self.assertFalse(os.path.exists(path))
        with self.assertRaises(qev3ds.Qev3dsError) as cannot:
            qev3ds.write(self.path("no/such/dir/x.3ds"), [])
        self.assertEqual(cannot.exception.status, -6)

    def test_layers_over_a_capacity_are_split_as_the_tool_splits_them(self):
        spread = np.arange(40000 * 9, dtype=np.float32).reshape(40000, 3, 3)  # 120,000 vertices
        cases = [
            ("triangles", {"name": "A", "corners": np.zeros((40001, 3, 3))}, ["A", "A.2"]),
            ("textured", {"name": "T", "texture": "t.png", "corners": np.zeros((13334, 3, 3))}, ["T", "T.2"]),
            ("vertices", {"name": "V", "corners": spread}, ["V", "V.2", "V.3", "V.4"]),
            ("within", {"name": "W", "corners": np.zeros((40000, 3, 3))}, ["W"]),
        ]
        for what, layer, names in cases:
            with self.subTest(what):
                path = self.path("split.3ds")
                notes = qev3ds.write(path, [layer])
                self.assertEqual(len(notes), len(names) > 1)
                back = qev3ds.read(path).layers
                self.assertEqual([l.name for l in back], names)
                np.testing.assert_array_equal(np.concatenate([l.corners for l in back]),
                                              np.asarray(layer["corners"], np.float32))

    def test_threads_take_turns(self):
        errors = []

        def work(i):
            try:
                path = self.path(f"t{i}.3ds")
                for _ in range(20):
                    qev3ds.write(path, [qev3ds.ArrayLayer(f"L{i}", corners=square(i))])
                    layer = qev3ds.read(path).layers[0]
                    assert layer.name == f"L{i}" and layer.corners[0, 0, 2] == i
            except Exception as e:  # reported below
                errors.append(e)

        threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])


if __name__ == "__main__":
    unittest.main()


class AnotherLibrary(TempDirCase):
    @unittest.skipUnless(os.environ.get("QEV3DS_TEST_LIBRARY"), "needs QEV3DS_TEST_LIBRARY")
    def test_qev3ds_library_selects_the_library_both_apis_call(self):
        import subprocess
        import sys
        library = os.environ["QEV3DS_TEST_LIBRARY"]
        script = (
            "import sys, numpy as np, qev3ds, qev3ds.legacy, qev3ds._arrays as a\n"
            "qev3ds.write(sys.argv[1], [qev3ds.ArrayLayer('L', corners=np.zeros((1, 9)))])\n"
            "assert qev3ds.read(sys.argv[1]).layers[0].name == 'L'\n"
            "assert a._selected == sys.argv[2], a._selected\n"
            "assert qev3ds.legacy.library()._name == sys.argv[2]\n")
        env = dict(os.environ, QEV3DS_LIBRARY=library)
        subprocess.run([sys.executable, "-c", script, self.path("l.3ds"), library], check=True, env=env)
        bad = dict(os.environ, QEV3DS_LIBRARY=self.path("missing.so"))
        failed = subprocess.run([sys.executable, "-c", script, self.path("l.3ds"), "x"], env=bad,
                                capture_output=True, text=True)
        self.assertNotEqual(failed.returncode, 0)
        self.assertIn("missing.so", failed.stderr)
