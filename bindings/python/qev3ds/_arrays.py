"""Whole scenes as numpy arrays, through the compiled loops of _native: one
Python call per layer, none per triangle."""

import ctypes
import os
from dataclasses import dataclass, field
from typing import List, Optional, Sequence, Tuple

import numpy as np

from . import _checks
from . import _convert
from . import _library
from . import _native
from ._errors import Qev3dsError
from ._library import library_lock

_selected = None


def _select_library():
    """Points the compiled loops at the library QEV3DS_LIBRARY names, if any."""
    global _selected
    path = _library.override_path()
    if path == _selected:
        return
    if path is None:
        _native.use_functions(None)
    else:
        lib = _library.library()
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
    exactly as the thirteen functions report it, but for colour components
    past a byte (256 for 1.0 in a file of float colours), which are clamped
    to 0 to 255. face_materials adds each
    face's material from the scene API (one more parse). Raises Qev3dsError
    with the read status 1 to 4."""
    fs_path = os.fsencode(path)
    with library_lock:
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
                colour = tuple(_checks.byte(c) for c in (r, g, b))
                layers.append(ArrayLayer(_text(name), colour, transparency, _text(texture),
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

def write(path, layers, split: bool = True) -> List[str]:
    """Writes layers to path as a 3DS file: a Scene as read returns it, or a
    sequence of layers. Each layer is an ArrayLayer, a qev3ds.legacy.Layer
    of Triangles, or any object or dict with name, colour, transparency,
    texture, corners ((n, 3, 3) or (n, 9), any real dtype) and optionally
    mapping and smoothing. Everything is checked before the file is created
    (ValueError naming the layer); a refusal while writing (Qev3dsError,
    file. A layer over a writer's capacity (limits.triangles,
    limits.textured_triangles, limits.vertices welded vertices) is split as
    the qev3ds tool splits it, into consecutive layers "name", "name.2", ...
    with names made unique (qev3ds::fit_layers); returns one sentence per
    layer split. split=False refuses such a layer instead: a ValueError, or
    Qev3dsError -3 for the vertices only the writer counts."""
    if isinstance(layers, Scene):
        layers = layers.layers
    notes: List[str] = []

    def fit(prepared):
        fitted, said = _convert.fit_layers(prepared)
        notes.extend(said)
        return fitted

    _write_prepared(*_checks.prepare_scene(path, layers, split=fit if split else None))
    return notes


def _write_prepared(fs_path: bytes, shown: str, prepared) -> None:
    with library_lock:
        _select_library()
        result = _native.write_open(fs_path)
        if result != 0:
            _native.write_end()
            raise Qev3dsError(result, shown)
        problem = None
        try:
            result = _native.write_layers([(p.name, p.transparency, *p.colour, p.texture) for p in prepared])
            if result != 0:
                problem = (result, "describing the layers")
            for k, p in enumerate(prepared, start=1):
                refused, at = _native.write_triangles(k, p.corners.shape[0], p.corners, p.mapping, p.smoothing)
                if refused != 0 and problem is None:
                    problem = (refused, f"layer {k} ({p.name.decode('latin-1')!r}) triangle {at}")
        except BaseException:
            # No writer left open for the next call, whichever API makes it,
            # and no half-written file.
            _native.write_end()
            _checks.discard(fs_path)
            raise
        status = _native.write_end()
    if problem is None and status != 0:
        problem = (status, "")
    if problem is not None:
        _checks.discard(fs_path)
        raise Qev3dsError(problem[0], shown, problem[1])
