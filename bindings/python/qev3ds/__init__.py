"""Write triangle meshes into 3DS files and read them back through the
QEV_3DS library, which this package carries in its extension module.

    import qev3ds
    scene = qev3ds.read("model.3ds")      # layers with numpy arrays
    for layer in scene.layers:
        print(layer.name, layer.colour, layer.corners.shape)
    qev3ds.write("out.3ds", scene.layers)

Importing the package registers the "3ds" format with meshio when meshio is
installed. The per-triangle Layer/Triangle/read_scene/write_scene API works
alongside. QEV3DS_LIBRARY names another build of the library to call (the
same thirteen functions), for both APIs.
"""

from ._arrays import ArrayLayer, Scene, read, write
from ._calls import Layer, Qev3dsError, Triangle, library, read_scene, write_scene

__all__ = ["ArrayLayer", "Scene", "read", "write", "Layer", "Triangle", "Qev3dsError",
           "read_scene", "write_scene", "library"]
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
