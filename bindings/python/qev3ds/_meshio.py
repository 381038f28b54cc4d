"""The "3ds" format for meshio: points and triangle cells, with the layer,
smoothing and mapping of each triangle as cell data under meshio's
namespaced keys, and each layer's name, colour, transparency and texture
as field data."""

import numpy as np
import meshio

from . import _arrays

LAYER_KEY = "3ds:layer"
SMOOTHING_KEY = "3ds:smoothing"
MAPPING_KEY = "3ds:mapping"  # cell data: (u, v) of the three corners, zeros untextured
# Field data: one row per layer, in the order of the "3ds:layer" values.
COLOUR_KEY = "3ds:colour"
TRANSPARENCY_KEY = "3ds:transparency"
TEXTURE_KEY = "3ds:texture"
_RESERVED = {LAYER_KEY, SMOOTHING_KEY, MAPPING_KEY, COLOUR_KEY, TRANSPARENCY_KEY, TEXTURE_KEY}
# A layer's name is a field data entry name: [layer, 2], a named group of
# two-dimensional cells as meshio's Gmsh format names its physical groups.
_SURFACE = 2


def _layer_names(names):
    """Field data keys for the layer names: unique, none of ours."""
    keys, seen = [], set(_RESERVED)
    for name in names:
        key, n = name, 2
        while key in seen:
            key, n = f"{name}.{n}", n + 1
        seen.add(key)
        keys.append(key)
    return keys


def read(filename):
    """points: the scene's distinct corner positions; cells: one "triangle"
    block; cell data: the 0-based layer of each triangle, its smoothing
    index (0 to 8) as the library reports it and its mapping; field data:
    each layer's name (made unique) as [layer, 2], and the layers' colours,
    transparencies and textures."""
    scene = _arrays.read(filename)
    corners = [layer.corners.reshape(-1, 3) for layer in scene.layers]
    all_corners = np.concatenate(corners) if corners else np.zeros((0, 3), np.float32)
    points, inverse = np.unique(all_corners, axis=0, return_inverse=True)
    cells = inverse.reshape(-1, 3).astype(np.int64)
    layer_of = np.concatenate([np.full(len(l.corners), k, np.int32) for k, l in enumerate(scene.layers)]
                              or [np.zeros(0, np.int32)])
    smoothing = np.concatenate([l.smoothing for l in scene.layers] or [np.zeros(0, np.int32)])
    mapping = np.concatenate([l.mapping.reshape(-1, 6) for l in scene.layers] or [np.zeros((0, 6), np.float32)])
    layers = scene.layers
    field_data = {key: np.array([k, _SURFACE]) for k, key in enumerate(_layer_names([l.name for l in layers]))}
    field_data[COLOUR_KEY] = np.array([l.colour for l in layers], np.int32).reshape(-1, 3)
    field_data[TRANSPARENCY_KEY] = np.array([l.transparency for l in layers], np.int32)
    field_data[TEXTURE_KEY] = np.array([l.texture for l in layers], str)
    return meshio.Mesh(points, [("triangle", cells)],
                       cell_data={LAYER_KEY: [layer_of], SMOOTHING_KEY: [smoothing], MAPPING_KEY: [mapping]},
                       field_data=field_data)


def _layer_properties(field_data):
    """Per layer number: name, colour, transparency and texture, as far as
    the field data gives them."""
    names = {}
    for key, value in field_data.items():
        value = np.asarray(value)
        if key not in _RESERVED and value.shape == (2,) and value[1] == _SURFACE:
            names[int(value[0])] = key

    def row(key):
        return list(field_data[key]) if key in field_data else []

    return names, row(COLOUR_KEY), row(TRANSPARENCY_KEY), row(TEXTURE_KEY)


def write(filename, mesh):
    """Writes the mesh's triangle cells as layers: one per value of the
    "3ds:layer" cell data when there is one, named, coloured and textured as
    the field data says ("layer3" in grey without), each split at the
    writer's capacities by the library's own splitting ("layer3",
    "layer3.2", ...). Other cell types are refused."""
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

    mapping = cell_values(MAPPING_KEY)
    if mapping is not None:
        mapping = np.asarray(mapping, np.float64).reshape(len(triangles), 6)

    names, colours, transparencies, textures = _layer_properties(mesh.field_data)
    layers = []
    for value in dict.fromkeys(np.asarray(layer_of).tolist()):  # in order of first use
        chosen = np.nonzero(layer_of == value)[0]
        k = int(value) if float(value).is_integer() else None
        layer = _arrays.ArrayLayer(names.get(k, f"layer{value if k is None else k}"),
                                   corners=points[triangles[chosen]], smoothing=bits[chosen])
        if k is not None and 0 <= k < len(colours):
            layer.colour = tuple(int(c) for c in colours[k])
        if k is not None and 0 <= k < len(transparencies):
            layer.transparency = int(transparencies[k])
        if k is not None and 0 <= k < len(textures):
            layer.texture = str(textures[k])
            if mapping is not None:
                layer.mapping = mapping[chosen]
        layers.append(layer)
    _arrays.write(filename, layers)


def register():
    meshio.register_format("3ds", [".3ds"], read, {"3ds": write})
