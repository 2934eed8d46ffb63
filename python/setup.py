"""The karvelin wheel: the pure-Python package, the result codes and the
version from the lists of a CMake build tree, and the _Karvelin module that
the build made (one build of the module, the one the module's own tests ran
on). The module is installed once, at the top, as the installer imports it
(import _Karvelin); the package uses that same module. It is typed there by
its stub beside it and by the stub-only package _Karvelin-stubs, which is
where mypy looks for a top-level module's.

    KARVELIN_BUILD_DIR     the CMake build tree: its result_codes.txt and version.txt
                           (default: ../build/linux)
    KARVELIN_MODULE_FILE   the module: _Karvelin.abi3.so, or a Windows build's _Karvelin.pyd
                           (default: the build tree's python3/_Karvelin.abi3.so)
    KARVELIN_WHEEL_PLATFORM  the wheel's platform tag for a Windows module (win32, win_amd64);
                           default: this machine's

Relative paths are taken from this folder (the build runs here); build_wheel.sh
takes them from the caller's. The module is built for the stable ABI, so the
wheel is tagged cp39-abi3: one wheel for every CPython from 3.9 on.
"""
import os
import shutil

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.command.egg_info import egg_info
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.environ.get("KARVELIN_BUILD_DIR") or os.path.join(os.path.dirname(HERE), "build", "linux")
MODULE_FILE = os.environ.get("KARVELIN_MODULE_FILE") or os.path.join(BUILD, "python3", "_Karvelin.abi3.so")
PLATFORM = os.environ.get("KARVELIN_WHEEL_PLATFORM")
FLOOR = "cp39"  # the stable ABI's release the module is built for


def rows(name):
    """The rows of one of the build tree's lists, each a list of its fields."""
    path = os.path.join(BUILD, name)
    if not os.path.isfile(path):
        raise SystemExit("%s is missing: configure and build that tree first (scripts/build.sh PRESET)" % path)
    with open(path, encoding="utf-8") as lines:
        return [line.rstrip("\n").split("\t") for line in lines if line.strip()]


def version():
    """The project's version, as the build took it."""
    return dict(rows("version.txt"))["PROJECT_VERSION"]


CODES_MODULE = '''"""The library's result codes, written when the wheel was built."""
import enum


class ResultCode(enum.IntEnum):
    """A check's answer: OK (0), or the ERR_ code of the failure."""

    OK = 0
{rows}
'''
VERSION_MODULE = '''"""The library's version, written when the wheel was built."""
__version__ = "{version}"
'''


class BuildPy(build_py):
    def run(self):
        super().run()
        package = os.path.join(self.build_lib, "karvelin")
        codes = [(name, int(value)) for name, value in rows("result_codes.txt")]
        members = "".join("    %s = %d  # 0x%08X\n" % (name, value, value) for name, value in codes)
        with open(os.path.join(package, "_codes.py"), "w", encoding="utf-8") as out:
            out.write(CODES_MODULE.format(rows=members.rstrip("\n")))
        with open(os.path.join(package, "_version.py"), "w", encoding="utf-8") as out:
            out.write(VERSION_MODULE.format(version=version()))
        module = MODULE_FILE
        if not os.path.isfile(module):
            raise SystemExit("%s is missing: build the module first (scripts/build.sh PRESET)" % module)
        # The module where the installer imports it (import _Karvelin); the
        # wheel replaces a copy of the module there, never takes it away.
        shutil.copy2(module, self.build_lib)
        stub = os.path.join(HERE, "_Karvelin.pyi")
        shutil.copy2(stub, self.build_lib)
        os.makedirs(os.path.join(self.build_lib, "_Karvelin-stubs"), exist_ok=True)
        shutil.copy2(stub, os.path.join(self.build_lib, "_Karvelin-stubs", "__init__.pyi"))


# Every top-level name the wheel installs, beside the package.
TOP_LEVEL = ["_Karvelin", "_Karvelin-stubs"]


class EggInfo(egg_info):
    def run(self):
        super().run()
        path = os.path.join(self.egg_info, "top_level.txt")
        with open(path, encoding="utf-8") as listed:
            names = set(listed.read().split())
        with open(path, "w", encoding="utf-8") as out:
            out.write("".join(name + "\n" for name in sorted(names | set(TOP_LEVEL))))


class BinaryDistribution(Distribution):
    """The wheel holds a compiled module: it is tagged for this interpreter and platform."""

    def has_ext_modules(self):
        return True


wheel_options = {"py_limited_api": FLOOR}
if PLATFORM:
    wheel_options["plat_name"] = PLATFORM
setup(version=version(), cmdclass={"build_py": BuildPy, "egg_info": EggInfo}, distclass=BinaryDistribution,
      options={"bdist_wheel": wheel_options})
