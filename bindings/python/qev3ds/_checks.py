"""Every layer checked and converted before a file is created, the same way
for qev3ds.write and write_scene: what the library would refuse, truncate
or wrap silently is a ValueError naming the layer (and the triangle)."""

import os
from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple

import numpy as np

from . import _native

# The capacities as the C++ API states them (qev3ds::limits).
_LIMITS = _native.limits()
MAX_LAYERS = _LIMITS["layers"]
MAX_TRIANGLES = _LIMITS["triangles"]
MAX_TEXTURED_TRIANGLES = _LIMITS["textured_triangles"]  # three vertices of their own each
MAX_LAYER_NAME = _LIMITS["layer_name"]  # bytes; "MAT" and a NUL follow it in an 80-byte field
MAX_TEXTURE_NAME = _LIMITS["texture_name"]
MAX_SMOOTHING = 2 ** 31 - 1
MAX_PATH = 1023


@dataclass
class Prepared:
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


def byte(component: int) -> int:
    """A colour component as read, clamped to a byte: a file of float
    colours gives 256 for 1.0 (and more, or less than 0, past it)."""
    return max(0, min(255, component))


def _int(value, what: str, low: int, high: int) -> int:
    try:
        v = int(value)
    except (TypeError, ValueError, OverflowError):
        raise ValueError(f"{what} must be an integer, not {value!r}") from None
    if v != value or not low <= v <= high:
        raise ValueError(f"{what} must be an integer from {low} to {high}, not {value!r}")
    return v


def _check_count(n: int, textured: bool, label: str) -> None:
    # From the length alone: a copy of a huge (say broadcast) input would
    # cost far more than the refusal.
    limit = MAX_TEXTURED_TRIANGLES if textured else MAX_TRIANGLES
    if n > limit:
        kind = "a textured" if textured else "an untextured"
        raise ValueError(f"{label} has {n} triangles; {kind} layer holds at most {limit}")


def _stack(values: list, shape: Tuple[int, ...], what: str, form: str, label: str) -> np.ndarray:
    """One field of every Triangle as one (n, *shape) array; else the first
    triangle whose field is not `shape` real numbers."""
    if not values:
        return np.zeros((0,) + shape)
    try:
        a = np.asarray(values)
        if a.dtype.kind in "fiub" and a.shape[1:] == shape:
            return a
    except (TypeError, ValueError):  # ragged: found below
        pass
    for t, value in enumerate(values, start=1):
        try:
            a = np.asarray(value)
        except (TypeError, ValueError):
            a = None
        if a is None or a.dtype.kind not in "fiub" or a.shape != shape:
            raise ValueError(f"{label} triangle {t} {what} must be {form}, not {value!r}")
    raise ValueError(f"{label} {what} cannot be read as numbers")


def _triangles_of(legacy, textured: bool, label: str, counted: bool) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
    """Corners, mapping and smoothing of a Layer of Triangle objects."""
    tris = list(legacy)
    if counted:
        _check_count(len(tris), textured, label)
    corners = _stack([_field(t, "corners") for t in tris], (3, 3), "corners", "three (x, y, z)", label)
    mapping = None  # an untextured layer's mapping never reaches the file
    if textured:
        zeros = ((0.0, 0.0),) * 3
        mapping = _stack([_field(t, "mapping", zeros) for t in tris], (3, 2), "mapping", "three (u, v)", label)
    smoothing = _stack([_field(t, "smoothing", 0) for t in tris], (), "smoothing", "an integer", label)
    return corners, mapping, smoothing


def _prepare(layer, k: int, counted: bool) -> Prepared:
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
    # A file holds a byte per component and a percentage: anything else
    # would reach it wrapped (300 as 44, -1 as 255).
    colour = tuple(_int(c, f"{label} colour", 0, 255) for c in colour)
    transparency = _int(_field(layer, "transparency", 0), f"{label} transparency", 0, 100)

    legacy = _field(layer, "triangles")
    if _field(layer, "corners") is None and legacy is not None:
        corners, mapping, smoothing = _triangles_of(legacy, bool(texture), label, counted)
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
    if counted:
        _check_count(n, bool(texture), label)
    elif n > MAX_LAYERS * (MAX_TEXTURED_TRIANGLES if texture else MAX_TRIANGLES):
        raise ValueError(f"{label} has {n} triangles; split into layers, a 3DS file holds fewer")
    with np.errstate(over="ignore"):  # beyond float32: infinite, refused next
        corners = np.ascontiguousarray(corners, np.float32).reshape(n, 9)
    if not np.isfinite(corners).all():
        bad = int(np.nonzero(~np.isfinite(corners).all(axis=1))[0][0])
        raise ValueError(f"{label} triangle {bad + 1} has a corner that is not a finite number")

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
    return Prepared(name, colour, transparency, texture, corners, mapping, smoothing)


def prepare_scene(path, layers: Sequence, split=None) -> Tuple[bytes, str, List[Prepared]]:
    """The path as bytes and as shown in messages, and every layer checked
    and converted; ValueError before anything is written. split, when given,
    takes the checked layers (of any length) and returns them within the
    triangle capacities."""
    layers = list(layers)
    if split is None and len(layers) > MAX_LAYERS:
        raise ValueError(f"{len(layers)} layers; a 3DS file holds at most {MAX_LAYERS}")
    prepared = [_prepare(layer, k, split is None) for k, layer in enumerate(layers, start=1)]
    if split is not None:
        prepared = split(prepared)
        if len(prepared) > MAX_LAYERS:
            raise ValueError(f"{len(prepared)} layers once split; a 3DS file holds at most {MAX_LAYERS}")
    fs_path = os.fsencode(path)
    if len(fs_path) > MAX_PATH:
        raise ValueError(f"path of {len(fs_path)} bytes; at most {MAX_PATH}")
    return fs_path, os.fsdecode(fs_path), prepared


def discard(fs_path: bytes) -> None:
    """Removes a file the writer left unfinished or incomplete."""
    try:
        os.remove(fs_path)
    except OSError:
        pass
