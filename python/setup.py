"""The karvelin wheel: the pure-Python package, the result codes read from the
library's header, and the _Karvelin module that the CMake build made (one
build of the module, the one the module's own tests ran on), both inside the
package (where its stub types it) and at the top, as the installer imports it.

    KARVELIN_MODULE_FILE   the module: _Karvelin.abi3.so, or a Windows build's _Karvelin.pyd
                           (default: ../build/linux/python3/_Karvelin.abi3.so)
    KARVELIN_WHEEL_PLATFORM  the wheel's platform tag for a Windows module (win32, win_amd64);
                           default: this machine's
    KARVELIN_SOURCE_DIR    the library's sources (default: ..), for include/Karvelin.h
                           and the project's version

The module is built for the stable ABI, so the wheel is tagged cp39-abi3: one
wheel for every CPython from 3.9 on.
"""
import os
import re
import shutil

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("KARVELIN_SOURCE_DIR") or os.path.dirname(HERE)
MODULE_FILE = os.environ.get("KARVELIN_MODULE_FILE") or os.path.join(
    SOURCE, "build", "linux", "python3", "_Karvelin.abi3.so"
)
PLATFORM = os.environ.get("KARVELIN_WHEEL_PLATFORM")
FLOOR = "cp39"  # the stable ABI's release the module is built for


def read(path):
    with open(path, encoding="utf-8") as source:
        return source.read()


def version():
    """The library's version, from include/Karvelin.h (as the build takes it)."""
    found = re.search(r'#define KARVELIN_VERSION_STRING "([0-9.]+)"', read(os.path.join(SOURCE, "include", "Karvelin.h")))
    if not found:
        raise SystemExit("no KARVELIN_VERSION_STRING in include/Karvelin.h")
    return found.group(1)


def result_codes():
    """The (name, value) rows of KARVELIN_RESULT_CODES, in the header's order."""
    header = read(os.path.join(SOURCE, "include", "Karvelin.h"))
    table = header.split("#define KARVELIN_RESULT_CODES(X)", 1)[1].split("\n\n", 1)[0]
    rows = re.findall(r"X\((ERR_\w+), (0x[0-9A-Fa-f]+)\)", table)
    if not rows:
        raise SystemExit("no result codes in include/Karvelin.h")
    return [(name, int(value, 16)) for name, value in rows]


CODES_MODULE = '''"""The library's result codes, made from include/Karvelin.h when the wheel was built."""
import enum


class ResultCode(enum.IntEnum):
    """A check's answer: OK (0), or the ERR_ code of the failure."""

    OK = 0
{rows}'''


class BuildPy(build_py):
    def run(self):
        super().run()
        package = os.path.join(self.build_lib, "karvelin")
        rows = "".join("    %s = %d  # 0x%08X\n" % (name, value, value) for name, value in result_codes())
        with open(os.path.join(package, "_codes.py"), "w", encoding="utf-8") as codes:
            codes.write(CODES_MODULE.format(rows=rows))
        module = MODULE_FILE
        if not os.path.isfile(module):
            raise SystemExit("%s is missing: build the module first (scripts/build.sh linux)" % module)
        shutil.copy2(module, package)
        # The module as the installer imports it (import _Karvelin) as well:
        # the wheel replaces a copy of the module, never takes it away.
        shutil.copy2(module, self.build_lib)


class BinaryDistribution(Distribution):
    """The wheel holds a compiled module: it is tagged for this interpreter and platform."""

    def has_ext_modules(self):
        return True


wheel_options = {"py_limited_api": FLOOR}
if PLATFORM:
    wheel_options["plat_name"] = PLATFORM
setup(version=version(), cmdclass={"build_py": BuildPy}, distclass=BinaryDistribution,
      options={"bdist_wheel": wheel_options})
