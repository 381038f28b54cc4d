"""The "3ds" format for meshio: points and triangle cells, with the layer
and smoothing of each triangle as cell data under meshio's namespaced keys."""

import numpy as np
import meshio

from . import _arrays

LAYER_KEY = "3ds:layer"
SMOOTHING_KEY = "3ds:smoothing"


def read(filename):
    """points: the scene's distinct corner positions; cells: one "triangle"
    block; cell data: the 0-based layer of each triangle and its smoothing
    index (0 to 8) as the library reports it."""
    scene = _arrays.read(filename)
    corners = [layer.corners.reshape(-1, 3) for layer in scene.layers]
    all_corners = np.concatenate(corners) if corners else np.zeros((0, 3), np.float32)
    points, inverse = np.unique(all_corners, axis=0, return_inverse=True)
    cells = inverse.reshape(-1, 3).astype(np.int64)
    layer_of = np.concatenate([np.full(len(l.corners), k, np.int32) for k, l in enumerate(scene.layers)]
                              or [np.zeros(0, np.int32)])
    smoothing = np.concatenate([l.smoothing for l in scene.layers] or [np.zeros(0, np.int32)])
    return meshio.Mesh(points, [("triangle", cells)],
                       cell_data={LAYER_KEY: [layer_of], SMOOTHING_KEY: [smoothing]})


def write(filename, mesh):
    """Writes the mesh's triangle cells as layers: one per value of the
    "3ds:layer" cell data when there is one, each split at the writer's
    capacities by the library's own splitting ("layer3", "layer3.2", ...).
    Other cell types are refused."""
    others = sorted({block.type for block in mesh.cells if block.type != "triangle"})
    if others:
        raise ValueError(f"3DS files hold triangles only; this mesh also has {', '.join(others)} cells "
                         "(triangulate it first)")
    points = np.asarray(mesh.points, np.float64)
    if points.ndim != 2 or points.shape[1] not in (2, 3):
        raise ValueError(f"points must have shape (n, 3), not {points.shape}")
    if points.shape[1] == 2:
        points = np.hstack([points, np.zeros((len(points), 1))])
    blocks = [(i, b) for i, b in enumerate(mesh.cells) if b.type == "triangle"]
    triangles = np.concatenate([np.asarray(b.data, np.int64) for _, b in blocks]) if blocks \
        else np.zeros((0, 3), np.int64)
    if len(triangles) and (triangles.min() < 0 or triangles.max() >= len(points)):
        raise ValueError("a triangle names a point the mesh does not have")

    def cell_values(key):
        data = mesh.cell_data.get(key)
        if data is None:
            return None
        return np.concatenate([np.asarray(data[i]).reshape(-1) for i, _ in blocks]) if blocks \
            else np.zeros(0)

    layer_of = cell_values(LAYER_KEY)
    smoothing = cell_values(SMOOTHING_KEY)
    if layer_of is None:
        layer_of = np.zeros(len(triangles), np.int64)
    if smoothing is None:
        smoothing = np.zeros(len(triangles), np.int64)
    smoothing = np.asarray(smoothing, np.int64)
    if len(smoothing) and (smoothing.min() < 0 or smoothing.max() > 8):
        raise ValueError(f"{SMOOTHING_KEY} holds smoothing indices 0 to 8, as a read gives them")
    # Index s stands for smoothing group bit s - 1.
    bits = np.where(smoothing > 0, np.left_shift(1, np.maximum(smoothing, 1) - 1), 0).astype(np.int32)

    layers = []
    for value in dict.fromkeys(np.asarray(layer_of).tolist()):  # in order of first use
        chosen = np.nonzero(layer_of == value)[0]
        name = f"layer{int(value) if float(value).is_integer() else value}"
        layers.append(_arrays.ArrayLayer(name, corners=points[triangles[chosen]], smoothing=bits[chosen]))
    _arrays.write_split(filename, layers)


def register():
    meshio.register_format("3ds", [".3ds"], read, {"3ds": write})
