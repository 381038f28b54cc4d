"""Builds qev3ds._native with the project's own CMake: the target
qev3ds_native of bindings/python/CMakeLists.txt, which links the library's
objects and QEV_3DS::convert with the flags every other product of the
project gets. The installed package needs no library of its own.

Environment: QEV3DS_SANITIZE=1 builds the module with AddressSanitizer and
UndefinedBehaviorSanitizer (the test command's --sanitize);
QEV3DS_CMAKE_ARGS adds arguments to the configure step;
CMAKE_BUILD_PARALLEL_LEVEL sets the build's jobs (2 unless set)."""

import glob
import os
import re
import shlex
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))


def cmake_version():
    """The version the project states once, in its CMakeLists.txt."""
    try:
        with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
            found = re.search(r"project\(QEV_3DS VERSION ([0-9.]+)", f.read())
    except OSError:
        found = None
    if not found:
        sys.exit("qev3ds: build from bindings/python inside the QEV_3DS source tree "
                 "(the project's CMakeLists.txt is two folders up)")
    return found.group(1)


class CMakeBuild(build_ext):
    """Configures the project with QEV_PYTHON=ON, builds the module's target
    and copies the module to where setuptools installs it from."""

    def build_extension(self, ext):
        sanitize = os.environ.get("QEV3DS_SANITIZE") == "1"
        config = "RelWithDebInfo" if sanitize else "Release"
        build = os.path.join(os.path.abspath(self.build_temp), "cmake")
        configure = ["cmake", "-S", ROOT, "-B", build, f"-DCMAKE_BUILD_TYPE={config}",
                     "-DQEV_BUILD_TESTS=OFF", "-DQEV_BUILD_TOOLS=OFF", "-DQEV_BUILD_EXAMPLES=OFF",
                     "-DQEV_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
                     f"-DQEV_SANITIZE={'ON' if sanitize else 'OFF'}"]
        configure += shlex.split(os.environ.get("QEV3DS_CMAKE_ARGS", ""))
        env = dict(os.environ)
        env.setdefault("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        try:
            subprocess.run(configure, check=True, env=env)
            subprocess.run(["cmake", "--build", build, "--config", config, "--target", "qev3ds_native"],
                           check=True, env=env)
        except FileNotFoundError:
            sys.exit("qev3ds: building the extension needs CMake (Debian: cmake)")
        except subprocess.CalledProcessError as e:
            sys.exit(f"qev3ds: the CMake build of the extension failed ({e.returncode})")
        built = [p for p in glob.glob(os.path.join(build, "python", "qev3ds", "**", "_native*"), recursive=True)
                 if p.endswith((".so", ".pyd", ".dylib"))]
        if len(built) != 1:
            sys.exit(f"qev3ds: expected one built module, found {built or 'none'}")
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built[0], target)


setup(version=cmake_version(),
      ext_modules=[Extension("qev3ds._native", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
