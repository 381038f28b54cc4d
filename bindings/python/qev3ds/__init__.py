"""Write triangle meshes into 3DS files, read them back and convert between
3DS, OBJ, glTF, GLB and STL, through the QEV_3DS library, which this
package carries in its extension module.

    import qev3ds
    scene = qev3ds.read("model.3ds")      # layers with numpy arrays
    for layer in scene.layers:
        print(layer.name, layer.colour, layer.corners.shape)
    qev3ds.write("out.3ds", scene)
    report = qev3ds.convert("model.3ds", "model.glb")
    print(report.message, report.warnings)
    print(qev3ds.limits.triangles, qev3ds.status_text(-3))

Importing the package registers the "3ds" format with meshio when meshio is
installed. The per-triangle API of before (Layer, Triangle, read_scene,
write_scene) is qev3ds.legacy. QEV3DS_LIBRARY names another build of the
library to call (the same thirteen functions) for read, write and
qev3ds.legacy.
"""

from ._arrays import ArrayLayer, Scene, read, write
from ._convert import ConvertReport, Limits, convert, limits
from ._errors import Qev3dsError, status_text

__all__ = ["ArrayLayer", "Scene", "read", "write", "convert", "ConvertReport", "Limits", "limits",
           "status_text", "Qev3dsError"]
try:  # the installed distribution's version, which the build took from CMake
    from importlib.metadata import version as _version

    __version__ = _version("qev3ds")
except Exception:  # not installed (imported from the source folder)
    __version__ = "unknown"

try:
    from . import _meshio
except ImportError:  # meshio is optional
    pass
else:
    _meshio.register()
