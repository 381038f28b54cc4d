"""Whole scenes as numpy arrays, through the compiled loops of _native: one
Python call per layer, none per triangle."""

import ctypes
import os
import threading
from dataclasses import dataclass, field
from typing import List, Optional, Sequence, Tuple

import numpy as np

from . import _calls
from . import _native
from ._calls import Qev3dsError

MAX_LAYERS = 1400
MAX_TRIANGLES = 40000
MAX_TEXTURED_TRIANGLES = 13333  # three vertices of their own each
MAX_LAYER_NAME = 76  # bytes; "MAT" and a NUL follow it in an 80-byte field
MAX_TEXTURE_NAME = 79
MAX_SMOOTHING = 2 ** 31 - 1

# The library keeps one reader and one writer per process: one read and one
# write at a time, whatever the threads.
_read_lock = threading.Lock()
_write_lock = threading.Lock()
_selected = None


def _select_library():
    """Points the compiled loops at the library QEV3DS_LIBRARY names, if any."""
    global _selected
    path = _calls.override_path()
    if path == _selected:
        return
    if path is None:
        _native.use_functions(None)
    else:
        lib = _calls.library()
        names = ["QEV_FORM_3DS_FILENAME", "QEV_PUT_3DS_N_LAYER", "QEV_PUT_3DS_LAYER",
                 "QEV_PUT_3DS_N_TRI", "QEV_PUT_3DS_TRIANGLE", "QEV_PUT_3DS_TRIANGLE_END",
                 "QEV_PUT_3DS_END", "QEV_READ_3DS_FILENAME", "QEV_READ_3DS_N_LAYER",
                 "QEV_READ_3DS_LAYER", "QEV_READ_3DS_N_TRI", "QEV_READ_3DS_TRIANGLE",
                 "QEV_READ_3DS_END"]
        _native.use_functions([ctypes.cast(getattr(lib, n), ctypes.c_void_p).value for n in names])
    _selected = path


@dataclass
class ArrayLayer:
    """One layer: corners float32 (n, 3, 3), mapping float32 (n, 3, 2),
    smoothing int32 (n,). Read: the smoothing index 0 to 8 the library
    reports; written: the face's smoothing-group bits."""

    name: str
    colour: Tuple[int, int, int] = (200, 200, 200)
    transparency: int = 0
    texture: str = ""
    corners: np.ndarray = field(default_factory=lambda: np.zeros((0, 3, 3), np.float32))
    mapping: Optional[np.ndarray] = None
    smoothing: Optional[np.ndarray] = None
    # With read(..., face_materials=True): the names of the materials the
    # faces use, and per face the index of its own in that list.
    materials: Optional[List[str]] = None
    face_material: Optional[np.ndarray] = None


@dataclass
class Scene:
    layers: List[ArrayLayer]


def _text(s: bytes) -> str:
    return s.decode("latin-1")


def read(path, face_materials: bool = False) -> Scene:
    """The scene of the 3DS file at path, every layer with numpy arrays,
    exactly as the thirteen functions report it. face_materials adds each
    face's material from the scene API (one more parse). Raises Qev3dsError
    with the read status 1 to 4."""
    fs_path = os.fsencode(path)
    with _read_lock:
        _select_library()
        status, described = _native.read_open(fs_path)
        if status != 0:
            raise Qev3dsError(status, os.fsdecode(fs_path))
        layers = []
        try:
            for k, (name, transparency, r, g, b, texture, n) in enumerate(described, start=1):
                corners = np.empty((n, 3, 3), np.float32)
                smoothing = np.empty(n, np.int32)
                # The library gives an untextured layer's triangles six zeros.
                mapping = np.empty((n, 3, 2), np.float32) if texture else np.zeros((n, 3, 2), np.float32)
                _native.read_fill(k, n, corners, mapping if texture else None, smoothing)
                layers.append(ArrayLayer(_text(name), (r, g, b), transparency, _text(texture),
                                         corners, mapping, smoothing))
        finally:
            _native.read_end()
    if face_materials:
        status, meshes = _native.face_materials(fs_path)
        if status != 0 or len(meshes) != len(layers):
            raise Qev3dsError(status or 4, os.fsdecode(fs_path), "the file changed while read")
        for layer, (names, index) in zip(layers, meshes):
            layer.materials = [_text(n) for n in names]
            layer.face_material = np.frombuffer(index, np.int32).copy()
    return Scene(layers)


# ---- writing ---------------------------------------------------------------

@dataclass
class _Prepared:
    name: bytes
    colour: Tuple[int, int, int]
    transparency: int
    texture: bytes
    corners: np.ndarray  # float32 (n, 9), C order
    mapping: Optional[np.ndarray]  # float32 (n, 6) or None
    smoothing: np.ndarray  # int32 (n,)


def _field(layer, name, default=None):
    if isinstance(layer, dict):
        return layer.get(name, default)
    return getattr(layer, name, default)


def _real_array(value, what: str) -> np.ndarray:
    a = np.asarray(value)
    if a.dtype.kind not in "fiub":
        raise ValueError(f"{what} must hold real numbers, not {a.dtype}")
    return a


def _name_bytes(value, what: str, limit: int) -> bytes:
    if not isinstance(value, str):
        raise ValueError(f"{what} must be a str, not {type(value).__name__}")
    try:
        b = value.encode("latin-1")
    except UnicodeEncodeError:
        raise ValueError(f"{what} {value!r} has characters outside Latin-1") from None
    if b"\0" in b:
        raise ValueError(f"{what} {value!r} holds a NUL character")
    if len(b) > limit:
        raise ValueError(f"{what} {value!r} has {len(b)} characters; at most {limit}")
    return b


def _int(value, what: str, low: int, high: int) -> int:
    try:
        v = int(value)
    except (TypeError, ValueError, OverflowError):
        raise ValueError(f"{what} must be an integer, not {value!r}") from None
    if v != value or not low <= v <= high:
        raise ValueError(f"{what} must be an integer from {low} to {high}, not {value!r}")
    return v


def _triangles_of(legacy) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
    """Corners, mapping and smoothing of a Layer of Triangle objects."""
    tris = list(legacy)
    corners = np.array([t.corners for t in tris], np.float64).reshape(len(tris), 9)
    mapping = np.array([t.mapping for t in tris], np.float64).reshape(len(tris), 6)
    smoothing = np.array([t.smoothing for t in tris], np.int64)
    return corners, mapping, smoothing


def _prepare(layer, k: int) -> _Prepared:
    label = f"layer {k}"
    name = _name_bytes(_field(layer, "name", ""), f"{label} name", MAX_LAYER_NAME)
    label = f"layer {k} ({name.decode('latin-1')!r})"
    texture = _name_bytes(_field(layer, "texture", "") or "", f"{label} texture", MAX_TEXTURE_NAME)
    colour = _field(layer, "colour", (200, 200, 200))
    try:
        colour = tuple(colour)
    except TypeError:
        raise ValueError(f"{label} colour must be (r, g, b)") from None
    if len(colour) != 3:
        raise ValueError(f"{label} colour must be (r, g, b), not {colour!r}")
    # The library keeps 16 bits of each (what a read can give back); the low
    # 8 bits of a colour component reach the file.
    colour = tuple(_int(c, f"{label} colour", -32768, 65535) for c in colour)
    transparency = _int(_field(layer, "transparency", 0), f"{label} transparency", -32768, 65535)

    legacy = _field(layer, "triangles")
    if _field(layer, "corners") is None and legacy is not None:
        corners, mapping, smoothing = _triangles_of(legacy)
    else:
        corners = _field(layer, "corners")
        mapping = _field(layer, "mapping")
        smoothing = _field(layer, "smoothing")
        if corners is None:
            raise ValueError(f"{label} has no corners")
    corners = _real_array(corners, f"{label} corners")
    if corners.size == 0 and corners.ndim in (1, 2, 3):
        corners = corners.reshape(0, 9)
    if not (corners.ndim == 3 and corners.shape[1:] == (3, 3)) and not (corners.ndim == 2 and corners.shape[1] == 9):
        raise ValueError(f"{label} corners must have shape (n, 3, 3) or (n, 9), not {corners.shape}")
    n = corners.shape[0]
    corners = np.ascontiguousarray(corners, np.float32).reshape(n, 9)
    if not np.isfinite(corners).all():
        bad = int(np.nonzero(~np.isfinite(corners).all(axis=1))[0][0])
        raise ValueError(f"{label} triangle {bad + 1} has a corner that is not a finite number")
    limit = MAX_TEXTURED_TRIANGLES if texture else MAX_TRIANGLES
    if n > limit:
        kind = "a textured" if texture else "an untextured"
        raise ValueError(f"{label} has {n} triangles; {kind} layer holds at most {limit}")

    if mapping is not None and texture:
        mapping = _real_array(mapping, f"{label} mapping")
        if mapping.shape not in ((n, 3, 2), (n, 6)):
            raise ValueError(f"{label} mapping must have shape ({n}, 3, 2) or ({n}, 6), not {mapping.shape}")
        mapping = np.ascontiguousarray(mapping, np.float32).reshape(n, 6)
    else:
        mapping = None  # an untextured layer's mapping never reaches the file

    if smoothing is None:
        smoothing = np.zeros(n, np.int32)
    else:
        smoothing = _real_array(smoothing, f"{label} smoothing")
        if smoothing.shape != (n,):
            raise ValueError(f"{label} smoothing must have shape ({n},), not {smoothing.shape}")
        if smoothing.dtype.kind == "f" and not np.array_equal(smoothing, np.trunc(smoothing)):
            raise ValueError(f"{label} smoothing values must be integers")
        if n and (smoothing.min() < -2 ** 31 or smoothing.max() > MAX_SMOOTHING):
            raise ValueError(f"{label} smoothing values must fit 32 bits")
        smoothing = np.ascontiguousarray(smoothing, np.int32)
    return _Prepared(name, colour, transparency, texture, corners, mapping, smoothing)


def write(path, layers: Sequence) -> None:
    """Writes layers to path as a 3DS file. Each layer is an ArrayLayer, a
    Layer of Triangles, or any object or dict with name, colour,
    transparency, texture, corners ((n, 3, 3) or (n, 9), any real dtype) and
    optionally mapping and smoothing. Everything is checked before the file
    is created (ValueError naming the layer); a refusal while writing
    (Qev3dsError, for example a layer over 40,000 welded vertices) removes
    the file."""
    layers = list(layers)
    if len(layers) > MAX_LAYERS:
        raise ValueError(f"{len(layers)} layers; a 3DS file holds at most {MAX_LAYERS}")
    prepared = [_prepare(layer, k) for k, layer in enumerate(layers, start=1)]
    fs_path = os.fsencode(path)
    shown = os.fsdecode(fs_path)
    if len(fs_path) >= 1024:
        raise ValueError(f"path of {len(fs_path)} bytes; at most 1023")
    with _write_lock:
        _select_library()
        result = _native.write_open(fs_path)
        if result != 0:
            _native.write_end()
            raise Qev3dsError(result, shown)
        problem = None
        result = _native.write_layers([(p.name, p.transparency, *p.colour, p.texture) for p in prepared])
        if result != 0:
            problem = (result, "describing the layers")
        for k, p in enumerate(prepared, start=1):
            refused, at = _native.write_triangles(k, p.corners.shape[0], p.corners, p.mapping, p.smoothing)
            if refused != 0 and problem is None:
                problem = (refused, f"layer {k} ({p.name.decode('latin-1')!r}) triangle {at}")
        status = _native.write_end()
    if problem is None and status != 0:
        problem = (status, "")
    if problem is not None:
        try:
            os.remove(fs_path)
        except OSError:
            pass
        raise Qev3dsError(problem[0], shown, problem[1])
