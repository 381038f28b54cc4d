"""The thirteen functions through ctypes, one Python call per triangle:
Layer, Triangle, read_scene and write_scene. A scene is checked as
qev3ds.write checks it, before its file is created.

    import qev3ds
    layer = qev3ds.Layer("Floor", colour=(200, 180, 160), triangles=[
        qev3ds.Triangle(corners=((0, 0, 0), (1, 0, 0), (0, 1, 0)))])
    qev3ds.write_scene("floor.3ds", [layer])
    for layer in qev3ds.read_scene("floor.3ds"):
        print(layer.name, len(layer.triangles))

The library is found through the QEV3DS_LIBRARY environment variable, next
to this package, in the package's own extension module (which carries the
library), or on the system's library path.
"""

import ctypes
import ctypes.util
import os
import sys
import threading
from dataclasses import dataclass, field
from typing import List, Sequence, Tuple

from . import _checks

__all__ = ["Layer", "Triangle", "Qev3dsError", "write_scene", "read_scene", "library",
           "override_path", "library_lock"]

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


class Qev3dsError(Exception):
    """A failed call; status is the library's result (read statuses 1 to 4,
    or a negative refusal code)."""

    READ_STATUS = {1: "cannot open the file", 2: "cannot position in the file",
                   3: "cannot take the file position", 4: "not a 3DS file, or damaged"}
    REFUSAL = {-1: "a required pointer was null", -2: "a number outside its table",
               -3: "over the writer's capacities", -4: "a string longer than its field",
               -5: "no output file is open", -6: "the file cannot be created",
               -7: "writing the file failed", -8: "some data was refused"}

    def __init__(self, status: int, path: str, detail: str = ""):
        self.status = status
        self.path = path
        meaning = self.READ_STATUS.get(status) or self.REFUSAL.get(status, "failed")
        where = f"{detail}: " if detail else ""
        super().__init__(f"{path}: {where}{meaning} (status {status})")


_lib = None

# The library keeps one writer and one reader per process, and both APIs of
# this package (these ctypes calls and the compiled loops of _arrays) reach
# the same ones: every use of either, from any thread, holds this lock.
library_lock = threading.Lock()


def override_path():
    """The library that QEV3DS_LIBRARY names, or None."""
    return os.environ.get("QEV3DS_LIBRARY") or None


def _candidates():
    env = override_path()
    if env:
        yield env
    here = os.path.dirname(os.path.abspath(__file__))
    names = ["QEV_3DS.dll"] if sys.platform == "win32" else ["libQEV_3DS.so", "libQEV_3DS.dylib"]
    for name in names:
        yield os.path.join(here, name)
    try:
        from . import _native  # the extension module exports the thirteen functions
        yield _native.__file__
    except ImportError:
        pass
    found = ctypes.util.find_library("QEV_3DS")
    if found:
        yield found


def library() -> ctypes.CDLL:
    """The loaded QEV_3DS library, with its thirteen functions declared."""
    global _lib
    if _lib is not None:
        return _lib
    errors = []
    for path in _candidates():
        try:
            lib = ctypes.CDLL(path)
            break
        except OSError as e:
            errors.append(f"{path}: {e}")
    else:
        raise OSError("QEV_3DS library not found; set QEV3DS_LIBRARY. " + "; ".join(errors))
    i32p = ctypes.POINTER(ctypes.c_int32)
    f32p = ctypes.POINTER(ctypes.c_float)
    signatures = {
        "QEV_FORM_3DS_FILENAME": [ctypes.c_char_p],
        "QEV_PUT_3DS_N_LAYER": [i32p],
        "QEV_PUT_3DS_LAYER": [i32p, ctypes.c_char_p, i32p, i32p, i32p, i32p, ctypes.c_char_p],
        "QEV_PUT_3DS_N_TRI": [i32p, i32p],
        "QEV_PUT_3DS_TRIANGLE": [i32p, i32p, i32p, f32p, i32p, f32p],
        "QEV_PUT_3DS_TRIANGLE_END": [],
        "QEV_PUT_3DS_END": [i32p],
        "QEV_READ_3DS_FILENAME": [ctypes.c_char_p, i32p],
        "QEV_READ_3DS_N_LAYER": [i32p],
        "QEV_READ_3DS_LAYER": [i32p, ctypes.c_char_p, i32p, i32p, i32p, i32p, ctypes.c_char_p],
        "QEV_READ_3DS_N_TRI": [i32p, i32p],
        "QEV_READ_3DS_TRIANGLE": [i32p, i32p, i32p, f32p, f32p],
        "QEV_READ_3DS_END": [],
    }
    for name, args in signatures.items():
        fn = getattr(lib, name)
        fn.argtypes = args
        fn.restype = ctypes.c_int32
    _lib = lib
    return lib


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
        layer = Layer(name.value.decode("latin-1"), (red.value, green.value, blue.value),
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
