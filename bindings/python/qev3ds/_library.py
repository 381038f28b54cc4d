"""The library the ctypes calls load, and the lock every call into the
library's process-wide writer and reader holds."""

import ctypes
import ctypes.util
import os
import sys
import threading

_lib = None

# The library keeps one writer and one reader per process, and both the
# per-triangle calls of qev3ds.legacy and the compiled loops of qev3ds.read
# and qev3ds.write reach the same ones: every use, from any thread, holds
# this lock.
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
