"""The karvelin wheel: the pure-Python package, the result codes and the
version from the lists of a CMake build tree, and the _Karvelin module that
the build made. The module is installed once, at the top, as the installer
imports it (import _Karvelin); the package uses that same module. It is typed
there by its stub beside it and by the stub-only package _Karvelin-stubs,
which is where mypy looks for a top-level module's.

By default the build step builds the module from source: it configures the
library's CMake project (the checkout this folder stands in, or the copy an
sdist carries in source/) with no tests, for the interpreter running the
build, and builds the module alone; CMake, a C and a C++ compiler and the
interpreter's headers are needed, and for a wheel (pip's install) the wheel
package. The sdist carries that copy, so it builds the same way. Given a
build tree, it takes that tree's module instead (one build of the module,
the one the module's own tests ran on):

    KARVELIN_BUILD_DIR     a CMake build tree: its result_codes.txt and version.txt
    KARVELIN_MODULE_FILE   the module: _Karvelin.abi3.so, or a Windows build's _Karvelin.pyd
                           (default: the build tree's python3/_Karvelin.abi3.so)
    KARVELIN_WHEEL_PLATFORM  the wheel's platform tag for a Windows module (win32, win_amd64);
                           default: this machine's

Building from source, the words of KARVELIN_CMAKE_ARGS are added to the
configure command, as scripts/build.sh does (for example
KARVELIN_CMAKE_ARGS=-DCMAKE_BUILD_TYPE=Release).

Relative paths are taken from this folder (the build runs here); build_wheel.sh
takes them from the caller's. The module is built for the stable ABI, so the
wheel is tagged cp39-abi3: one wheel for every CPython from 3.9 on.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.command.egg_info import egg_info
from setuptools.command.sdist import sdist
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
PREBUILT = os.environ.get("KARVELIN_BUILD_DIR")
PLATFORM = os.environ.get("KARVELIN_WHEEL_PLATFORM")
FLOOR = "cp39"  # the stable ABI's release the module is built for
# What the library's CMake project needs to build the module, as the sdist
# carries it in source/ (the tests, scripts and the Python package stay out).
SOURCE_PARTS = ["CMakeLists.txt", "LICENSE.txt", "include", "cmake", "common", "checks", "net", "text", "files",
                "module", "tools", "bench", "docs"]


def cmake_source():
    """The library's CMake project: an sdist's copy, or the checkout around this folder."""
    for folder in (os.path.join(HERE, "source"), os.path.dirname(HERE)):
        if os.path.isfile(os.path.join(folder, "CMakeLists.txt")) and \
                os.path.isfile(os.path.join(folder, "include", "Karvelin.h")):
            return folder
    raise SystemExit("karvelin: no library sources beside %s (neither source/ nor ..): build from a checkout "
                     "or from the sdist" % HERE)


def rows(build, name):
    """The rows of one of a build tree's lists, each a list of its fields."""
    path = os.path.join(build, name)
    if not os.path.isfile(path):
        raise SystemExit("karvelin: %s is missing: configure and build that tree first "
                         "(scripts/build.sh linux, or cmake --build for the tree)" % path)
    with open(path, encoding="utf-8") as lines:
        return [line.rstrip("\n").split("\t") for line in lines if line.strip()]


def version():
    """The project's version: as the given build took it, else as CMake takes it, from the header."""
    if PREBUILT:
        return dict(rows(os.path.join(HERE, PREBUILT), "version.txt"))["PROJECT_VERSION"]
    with open(os.path.join(cmake_source(), "include", "Karvelin.h"), encoding="utf-8") as header:
        found = re.search(r'^#define KARVELIN_VERSION_STRING "([0-9.]+)"', header.read(), re.M)
    if not found:
        raise SystemExit("karvelin: include/Karvelin.h has no KARVELIN_VERSION_STRING")
    return found.group(1)


def missing_tools():
    """What the build from source needs and this machine lacks, named for the user."""
    missing = []
    if not shutil.which("cmake"):
        missing.append("CMake 3.25 or later (Debian: cmake)")
    # CMake's own first choices, or the compiler the environment names.
    for variable, names, package in (("CC", ("cc", "gcc", "clang"), "gcc"),
                                     ("CXX", ("c++", "g++", "clang++"), "g++")):
        wanted = os.environ.get(variable, "").split()[:1] or names
        if not any(shutil.which(name) for name in wanted):
            missing.append("a %s compiler: %s (Debian: %s)" % ("C" if variable == "CC" else "C++",
                                                                " or ".join(wanted), package))
    return missing


def has_bdist_wheel():
    """Whether setuptools can make a wheel: its own bdist_wheel, or the wheel package's."""
    for module in ("setuptools.command.bdist_wheel", "wheel.bdist_wheel"):
        try:
            __import__(module)
            return True
        except ImportError:
            pass
    return False


def build_module(work):
    """Configures the library's CMake project in WORK and builds the module; answers the build tree."""
    missing = missing_tools()
    if missing:
        raise SystemExit("karvelin: the module is built from source, and this machine lacks:\n  " +
                         "\n  ".join(missing))
    tree = os.path.join(work, "cmake")
    log = os.path.join(work, "cmake.log")
    os.makedirs(tree, exist_ok=True)
    jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
    steps = [("configuring", ["cmake", "-S", cmake_source(), "-B", tree, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                              "-DKARVELIN_TESTS=OFF", "-DKARVELIN_PYTHON=ON",
                              "-DPython3_EXECUTABLE=" + sys.executable] +
              shlex.split(os.environ.get("KARVELIN_CMAKE_ARGS", ""))),
             ("building", ["cmake", "--build", tree, "--target", "karvelin_python3", "-j", jobs])]
    with open(log, "w", encoding="utf-8") as out:
        for step, command in steps:
            print("karvelin: %s the module: %s" % (step, " ".join(command)), flush=True)
            if subprocess.call(command, stdout=out, stderr=subprocess.STDOUT) != 0:
                out.flush()
                with open(log, encoding="utf-8", errors="replace") as text:
                    sys.stderr.write(text.read()[-6000:])
                raise SystemExit("karvelin: %s the module with CMake failed (the whole log: %s)" % (step, log))
    return tree


def licence():
    """The licence file, named from this folder: the copy beside it (an sdist's,
    build_wheel.sh's), or the checkout's. The wheel carries it in its dist-info."""
    for path in ("LICENSE.txt", os.path.join("..", "LICENSE.txt")):
        if os.path.isfile(os.path.join(HERE, path)):
            return [path]
    raise SystemExit("karvelin: no LICENSE.txt beside %s or above it" % HERE)


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
        if PREBUILT:
            build = os.path.join(HERE, PREBUILT)
        else:
            build = build_module(os.path.abspath(self.get_finalized_command("build").build_temp))
        module = os.path.join(HERE, os.environ.get("KARVELIN_MODULE_FILE") or
                              os.path.join(build, "python3", "_Karvelin.abi3.so"))
        package = os.path.join(self.build_lib, "karvelin")
        codes = [(name, int(value)) for name, value in rows(build, "result_codes.txt")]
        members = "".join("    %s = %d  # 0x%08X\n" % (name, value, value) for name, value in codes)
        with open(os.path.join(package, "_codes.py"), "w", encoding="utf-8") as out:
            out.write(CODES_MODULE.format(rows=members.rstrip("\n")))
        with open(os.path.join(package, "_version.py"), "w", encoding="utf-8") as out:
            out.write(VERSION_MODULE.format(version=dict(rows(build, "version.txt"))["PROJECT_VERSION"]))
        if not os.path.isfile(module):
            raise SystemExit("karvelin: %s is missing: build the module first (scripts/build.sh linux)" % module)
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


class Sdist(sdist):
    """The sdist carries the module's stub, the licence and, in source/, the library's CMake project."""

    def make_release_tree(self, base_dir, files):
        super().make_release_tree(base_dir, files)
        shutil.copy2(os.path.join(HERE, "_Karvelin.pyi"), base_dir)
        source = cmake_source()
        shutil.copy2(os.path.join(source, "LICENSE.txt"), base_dir)
        for part in SOURCE_PARTS:
            origin, copy = os.path.join(source, part), os.path.join(base_dir, "source", part)
            if os.path.isdir(origin):
                shutil.copytree(origin, copy, ignore=shutil.ignore_patterns("__pycache__", "*.pyc"))
            else:
                os.makedirs(os.path.dirname(copy), exist_ok=True)
                shutil.copy2(origin, copy)


class BinaryDistribution(Distribution):
    """The wheel holds a compiled module: it is tagged for this interpreter and
    platform. It carries the licence in its dist-info."""

    def has_ext_modules(self):
        return True

    def parse_config_files(self, *args, **kwargs):
        # After pyproject.toml, whose reading settles the licence files anew.
        super().parse_config_files(*args, **kwargs)
        self.metadata.license_files = licence()


# pip builds the wheel, and first its metadata (dist_info), through
# bdist_wheel, which the wheel package adds to setuptools before 70.1:
# without it, it is named with what else the build lacks, rather than left to
# setuptools' "invalid command 'bdist_wheel'".
if {"bdist_wheel", "dist_info"} & set(sys.argv[1:]) and not has_bdist_wheel():
    lacking = ["the wheel package (Debian: python3-wheel; a virtual environment sees it when made with "
               "--system-site-packages)"] + ([] if PREBUILT else missing_tools())
    raise SystemExit("karvelin: the wheel is built here, and this machine lacks:\n  " + "\n  ".join(lacking))

wheel_options = {"py_limited_api": FLOOR}
if PLATFORM:
    wheel_options["plat_name"] = PLATFORM
setup(version=version(), cmdclass={"build_py": BuildPy, "egg_info": EggInfo, "sdist": Sdist},
      distclass=BinaryDistribution, options={"bdist_wheel": wheel_options})
