"""The per-triangle API of before: Layer, Triangle, read_scene and
write_scene call the thirteen functions through ctypes, one Python call per
triangle. A scene is checked as qev3ds.write checks it, before its file is
created. qev3ds.read and qev3ds.write do the same with numpy arrays, one
Python call per layer.

    from qev3ds import legacy
    layer = legacy.Layer("Floor", colour=(200, 180, 160), triangles=[
        legacy.Triangle(corners=((0, 0, 0), (1, 0, 0), (0, 1, 0)))])
    legacy.write_scene("floor.3ds", [layer])
    for layer in legacy.read_scene("floor.3ds"):
        print(layer.name, len(layer.triangles))

library() loads the library through the QEV3DS_LIBRARY environment
variable, next to this package, from the package's own extension module
(which carries the library and exports the thirteen functions), or from the
system's library path.
"""

import ctypes
import os
from dataclasses import dataclass, field
from typing import List, Sequence, Tuple

from . import _checks
from ._errors import Qev3dsError
from ._library import library, library_lock

__all__ = ["Layer", "Triangle", "Qev3dsError", "write_scene", "read_scene", "library"]

Vec3 = Tuple[float, float, float]
Vec2 = Tuple[float, float]


@dataclass
class Triangle:
    """Three corners (x, y, z), three mapping pairs (u, v) and a smoothing
    value: group bits when writing, the highest group 1 to 8 (0 for none)
    when reading."""

    corners: Tuple[Vec3, Vec3, Vec3]
    mapping: Tuple[Vec2, Vec2, Vec2] = ((0.0, 0.0), (0.0, 0.0), (0.0, 0.0))
    smoothing: int = 0


@dataclass
class Layer:
    """One mesh with its own material: colour 0 to 255 per component,
    transparency in percent, a texture file name (empty when untextured)."""

    name: str
    colour: Tuple[int, int, int] = (200, 200, 200)
    transparency: int = 0
    texture: str = ""
    triangles: List[Triangle] = field(default_factory=list)


def _i32(v: int) -> ctypes.c_int32:
    return ctypes.c_int32(v)


def write_scene(path: str, layers: Sequence[Layer]) -> None:
    """Writes layers to path. Everything is checked as qev3ds.write checks
    it before the file is created (ValueError naming the layer and
    triangle); Qev3dsError when the file cannot be written or the library
    refused part of the scene, which removes the file."""
    fs_path, shown, prepared = _checks.prepare_scene(path, layers)
    ref = ctypes.byref
    with library_lock:
        lib = library()
        result = lib.QEV_FORM_3DS_FILENAME(fs_path)
        if result != 0:
            lib.QEV_PUT_3DS_END(None)
            raise Qev3dsError(result, shown)
        try:
            refused = _put_layers(lib, prepared)
        except BaseException:
            # No writer left open for the next call, whichever API makes it,
            # and no half-written file.
            lib.QEV_PUT_3DS_END(None)
            _checks.discard(fs_path)
            raise
        status = ctypes.c_int32(0)
        lib.QEV_PUT_3DS_END(ref(status))
    if status.value != 0 or refused:
        _checks.discard(fs_path)
        raise Qev3dsError(refused or status.value, shown)


def _put_layers(lib, prepared) -> int:
    """Hands checked layers to the open writer; 0 or its first refusal."""
    ref = ctypes.byref
    refused = lib.QEV_PUT_3DS_N_LAYER(ref(_i32(len(prepared))))
    for k, p in enumerate(prepared, start=1):
        r, g, b = p.colour
        result = lib.QEV_PUT_3DS_LAYER(ref(_i32(k)), p.name, ref(_i32(p.transparency)),
                                       ref(_i32(r)), ref(_i32(g)), ref(_i32(b)), p.texture)
        refused = refused or result
    edges = (ctypes.c_int32 * 3)(1, 1, 1)
    no_mapping = (ctypes.c_float * 6)()
    for k, p in enumerate(prepared, start=1):
        n = p.corners.shape[0]
        lib.QEV_PUT_3DS_N_TRI(ref(_i32(k)), ref(_i32(n)))
        corners = ((ctypes.c_float * 9) * n).from_buffer_copy(p.corners)
        mapping = ((ctypes.c_float * 6) * n).from_buffer_copy(p.mapping) if p.mapping is not None else None
        for t in range(1, n + 1):
            staged = lib.QEV_PUT_3DS_TRIANGLE(ref(_i32(k)), ref(_i32(t)), ref(_i32(int(p.smoothing[t - 1]))),
                                              corners[t - 1], edges,
                                              no_mapping if mapping is None else mapping[t - 1])
            if staged != t and not refused:
                refused = staged if staged < 0 else -8
        lib.QEV_PUT_3DS_TRIANGLE_END()
    return refused


def read_scene(path: str) -> List[Layer]:
    """The layers of the 3DS file at path. Raises Qev3dsError with the read
    status (1 to 4) when the file cannot be read."""
    with library_lock:
        lib = library()
        status = ctypes.c_int32(0)
        lib.QEV_READ_3DS_FILENAME(os.fsencode(path), ctypes.byref(status))
        if status.value != 0:
            raise Qev3dsError(status.value, path)
        try:
            return _fetch_layers(lib)
        finally:
            lib.QEV_READ_3DS_END()


def _fetch_layers(lib) -> List[Layer]:
    ref = ctypes.byref
    count = ctypes.c_int32(0)
    lib.QEV_READ_3DS_N_LAYER(ref(count))
    layers = []
    name = ctypes.create_string_buffer(64)
    texture = ctypes.create_string_buffer(64)
    transparency, red, green, blue, n = (ctypes.c_int32() for _ in range(5))
    corners = (ctypes.c_float * 9)()
    mapping = (ctypes.c_float * 6)()
    smoothing = ctypes.c_int32()
    for k in range(1, count.value + 1):
        kk = _i32(k)
        lib.QEV_READ_3DS_LAYER(ref(kk), name, ref(transparency), ref(red), ref(green), ref(blue), texture)
        lib.QEV_READ_3DS_N_TRI(ref(kk), ref(n))
        colour = tuple(_checks.byte(c.value) for c in (red, green, blue))
        layer = Layer(name.value.decode("latin-1"), colour,
                      transparency.value, texture.value.decode("latin-1"))
        for t in range(1, n.value + 1):
            lib.QEV_READ_3DS_TRIANGLE(ref(kk), ref(_i32(t)), ref(smoothing), corners, mapping)
            c, m = list(corners), list(mapping)
            layer.triangles.append(Triangle(
                corners=(tuple(c[0:3]), tuple(c[3:6]), tuple(c[6:9])),
                mapping=(tuple(m[0:2]), tuple(m[2:4]), tuple(m[4:6])),
                smoothing=smoothing.value))
        layers.append(layer)
    return layers
