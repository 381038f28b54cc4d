"""The "3ds" format registered with meshio on import."""

import os
import unittest

import meshio
import numpy as np

import qev3ds
from support import TempDirCase


class MeshioFormat(TempDirCase):
    def test_read_gives_welded_points_triangles_and_cell_data(self):
        path = self.path("s.3ds")
        a = np.array([[[0, 0, 0], [1, 0, 0], [1, 1, 0]], [[0, 0, 0], [1, 1, 0], [0, 1, 0]]], np.float32)
        qev3ds.write(path, [qev3ds.ArrayLayer("A", corners=a, smoothing=[1, 1]),
                            qev3ds.ArrayLayer("B", corners=a[:1] + 5, smoothing=[4])])
        mesh = meshio.read(path)
        self.assertEqual(len(mesh.points), 4 + 3)  # shared corners once
        triangles = mesh.cells_dict["triangle"]
        np.testing.assert_array_equal(mesh.points[triangles[:2]], a)
        np.testing.assert_array_equal(mesh.cell_data["3ds:layer"][0], [0, 0, 1])
        np.testing.assert_array_equal(mesh.cell_data["3ds:smoothing"][0], [1, 1, 3])

    def test_write_splits_by_layer_and_by_capacity(self):
        # A strip of 60,000 triangles over 60,002 points in two layers.
        n = 30001
        points = np.stack([np.repeat(np.arange(n), 2), np.tile([0, 1], n), np.zeros(2 * n)], axis=1)
        i = np.arange(n - 1) * 2
        cells = np.concatenate([np.stack([i, i + 2, i + 1], 1), np.stack([i + 1, i + 2, i + 3], 1)])
        layer = np.r_[np.zeros(n - 1, int), np.ones(n - 1, int)]
        mesh = meshio.Mesh(points, [("triangle", cells)], cell_data={"3ds:layer": [layer]})
        path = self.path("strip.3ds")
        meshio.write(path, mesh)
        scene = qev3ds.read(path)
        self.assertEqual([l.name for l in scene.layers], ["layer0", "layer0.2", "layer1", "layer1.2"])
        back = np.concatenate([l.corners for l in scene.layers])
        np.testing.assert_array_equal(back, points[cells].astype(np.float32))

    def test_layers_keep_their_names_colours_transparency_and_textures(self):
        a = np.array([[[0, 0, 0], [1, 0, 0], [1, 1, 0]], [[0, 0, 0], [1, 1, 0], [0, 1, 0]]], np.float32)
        uv = np.array([[[0, 0], [1, 0], [1, 1]], [[0, 0], [1, 1], [0, 1]]], np.float32)
        layers = [  # name, colour, transparency, texture
            ("Hull", (255, 0, 0), 0, ""),
            ("Black", (0, 0, 0), 100, ""),
            ("Deck wood", (10, 200, 30), 25, "WOOD.JPG"),
            ("Glass", (1, 2, 3), 1, "a b.png"),
        ]
        source = self.path("s.3ds")
        qev3ds.write(source, [qev3ds.ArrayLayer(n, c, t, x, a + k, uv if x else None)
                              for k, (n, c, t, x) in enumerate(layers)])
        mesh = meshio.read(source)
        back = self.path("back.3ds")
        meshio.write(back, mesh)
        # As read from the source (black reads as grey 180 through the
        # thirteen functions), and every mapping as written.
        read, first = qev3ds.read(back).layers, qev3ds.read(source).layers
        self.assertEqual([(l.name, l.colour, l.transparency, l.texture) for l in read],
                         [(l.name, l.colour, l.transparency, l.texture) for l in first])
        self.assertEqual([l.name for l in read], [n for n, _, _, _ in layers])
        self.assertEqual(read[2].colour, (10, 200, 30))
        for layer, (_, _, _, texture) in zip(read, layers):
            np.testing.assert_array_equal(layer.mapping, uv if texture else np.zeros_like(uv))

    def test_other_cell_types_are_refused(self):
        mesh = meshio.Mesh(np.zeros((4, 3)), [("quad", np.array([[0, 1, 2, 3]]))])
        with self.assertRaises(ValueError) as refused:
            meshio.write(self.path("q.3ds"), mesh)
        self.assertIn("quad", str(refused.exception))
        self.assertFalse(os.path.exists(self.path("q.3ds")))


if __name__ == "__main__":
    unittest.main()
