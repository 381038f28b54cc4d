"""Builds qev3ds._native: the package's compiled loops together with the
QEV_3DS library itself, compiled from the sources of this repository, so the
installed package needs no library of its own."""

import os
import re
import shutil
import sys

from setuptools import Extension, setup

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
LIBRARY_DIRS = ["format", "interface", "platform", "reader", "writer"]


def cmake_version():
    """The version the project states once, in its CMakeLists.txt."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        found = re.search(r"project\(QEV_3DS VERSION ([0-9.]+)", f.read())
    if not found:
        sys.exit("qev3ds: no version in the project's CMakeLists.txt")
    return found.group(1)


# setuptools takes sources by paths relative to this folder, so the
# library's folders are copied in beside the build.
COPY = os.path.join("build", "qev_src")


def library_sources():
    if not os.path.exists(os.path.join(ROOT, "interface", "qev_3ds.h")):
        sys.exit("qev3ds: build from bindings/python inside the QEV_3DS source tree "
                 "(the library's sources are two folders up)")
    sources = []
    for folder in LIBRARY_DIRS:
        target = os.path.join(HERE, COPY, folder)
        shutil.rmtree(target, ignore_errors=True)
        shutil.copytree(os.path.join(ROOT, folder), target)
        for name in sorted(os.listdir(target)):
            if name.endswith(".cpp") and name != "fault_injection.cpp":
                sources.append(os.path.join(COPY, folder, name))
    return sources


# QEV3DS_SANITIZE=1 builds the module with AddressSanitizer and
# UndefinedBehaviorSanitizer, for the test command only.
sanitize = os.environ.get("QEV3DS_SANITIZE") == "1"
flags = ["-std=c++17", "-fvisibility=hidden", "-ffp-contract=off", "-Wall", "-Wextra"]
link = []
if sys.platform == "win32":
    flags = ["/std:c++17", "/fp:precise"]
if sanitize:
    flags += ["-fsanitize=address,undefined", "-fno-omit-frame-pointer", "-O1", "-g"]
    link += ["-fsanitize=address,undefined"]

native = Extension(
    "qev3ds._native",
    sources=[os.path.join("src", "native.cpp")] + library_sources(),
    include_dirs=[COPY, os.path.join(COPY, "interface")],
    # The thirteen functions keep their exported names, so ctypes can load
    # them from this module too; everything else stays hidden.
    define_macros=[("QEV_3DS_BUILDING", "1")],
    extra_compile_args=flags,
    extra_link_args=link,
    language="c++",
)

setup(version=cmake_version(), ext_modules=[native])
