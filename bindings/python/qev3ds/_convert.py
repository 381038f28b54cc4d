"""Conversions between 3DS, OBJ, glTF, GLB and STL files, the library's
capacities, and layers split to fit them: the C++ API of the library
(qev3ds::convert_file, qev3ds::limits, qev3ds::fit_layers) through the
extension module."""

import collections
import math
import os
from dataclasses import dataclass, field
from typing import List

import numpy as np

from . import _checks
from . import _native
from ._errors import Qev3dsError

# What one file and one layer hold, as the C++ API states them:
# layers, triangles, vertices, textured_triangles, layer_name,
# texture_name, name_kept, mesh_items.
_LIMITS = _native.limits()
Limits = collections.namedtuple("Limits", list(_LIMITS))
limits = Limits(**_LIMITS)


@dataclass
class ConvertReport:
    """What convert did: status 0 when it wrote the output (message says
    what it wrote), else the reason in message; warnings list what did not
    carry over or changed on the way, notes what was done to fit the output
    (layers split)."""

    status: int
    message: str
    warnings: List[str] = field(default_factory=list)
    notes: List[str] = field(default_factory=list)

    @property
    def ok(self) -> bool:
        return self.status == 0


def convert(src, dst, *, layers: bool = False, textures=None, up: str = "y",
            scale: float = 1.0) -> ConvertReport:
    """Converts the file src into dst, each a .3ds, .obj, .gltf, .glb or
    .stl file by its extension. layers=True writes a 3DS output as the
    thirteen writing functions would (one material per layer, layers split
    at their capacities, corners welded); the default keeps every mesh,
    material and vertex as it is. textures: a folder, or a list of folders,
    searched for textures after src's own folder. up: the axis pointing up
    in OBJ files read and written, "y" (glTF is always Y-up, 3DS and STL
    Z-up) or "z". scale: every coordinate is multiplied by it once, a
    positive finite number (0.001: millimetres to metres). Returns the report;
    raises Qev3dsError carrying it (as .report) when the conversion failed,
    for example status 4 for an OBJ that cannot be read, 14 for a 3DS input
    that is not a 3DS file."""
    if textures is None:
        folders = []
    elif isinstance(textures, (str, bytes, os.PathLike)):
        folders = [os.fsencode(textures)]
    else:
        folders = [os.fsencode(t) for t in textures]
    if up not in ("y", "z"):
        raise ValueError(f"up must be 'y' or 'z', not {up!r}")
    scale = float(scale)
    if not (math.isfinite(scale) and scale > 0):
        raise ValueError(f"scale must be a positive finite number, not {scale}")
    fs_src, fs_dst = os.fsencode(src), os.fsencode(dst)
    for what, value in [("src", fs_src), ("dst", fs_dst)] + [("a texture folder", f) for f in folders]:
        if b"\0" in value:
            raise ValueError(f"{what} holds a NUL character")
    report = ConvertReport(*_native.convert(fs_src, fs_dst, bool(layers), folders, up, scale))
    if not report.ok:
        raise Qev3dsError(report.status, os.fsdecode(fs_src), report=report)
    return report


def fit_layers(prepared):
    """Checked layers (_checks.Prepared) with every one over a writer's
    capacity split by the library's own splitting (qev3ds::fit_layers:
    consecutive runs of triangles named "name", "name.2", ...), and one
    sentence per layer split."""
    fitted, notes = _native.fit_layers([
        (p.name, p.transparency, *p.colour, p.texture, p.corners.shape[0], p.corners, p.mapping, p.smoothing)
        for p in prepared])
    layers = [_checks.Prepared(name, (r, g, b), transparency, texture,
                               np.frombuffer(corners, np.float32).reshape(-1, 9),
                               None if mapping is None else np.frombuffer(mapping, np.float32).reshape(-1, 6),
                               np.frombuffer(smoothing, np.int32))
              for name, transparency, r, g, b, texture, corners, mapping, smoothing in fitted]
    return layers, notes
