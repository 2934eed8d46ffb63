"""Every place the library's version shows says the same version: the header's
macros and the build's project version (the build tree's version.txt), the
program's --version with its build, the version resources of Windows images (FileVersion and
ProductVersion, and the fixed file and product version words), the wheel's
file name, metadata and karvelin.__version__, and karvelin.__version__ as an
installed environment imports it. With --figure, a figure a document quotes
from the build (the first group of REGEX in FILE, its thousands' commas
dropped) is the build's VALUE. With --packages, the packages a document's
table gives for each command of the dependency script (rows "| `scripts/deps.sh
[MODE]` |": the names in backquotes outside brackets; a quoted MODE stands
for its row's) are the ones the script installs.

usage: version_check.py BUILD_DIR [--pe IMAGE]... [--wheels DIR] [--python PYTHON]
                        [--figure FILE REGEX VALUE]... [--packages FILE SCRIPT]
                        -- PROGRAM... (perhaps behind an emulator)
"""
import argparse
import glob
import os
import re
import struct
import subprocess
import sys
import zipfile

RT_VERSION = 16


def pe_version(path):
    """The version resource of a PE image: (its strings, the fixed version words)."""
    with open(path, "rb") as image:
        data = image.read()
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("%s is not a PE image" % path)
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resources_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", data, table + 40 * index) for index in range(sections)]

    def offset(rva):
        for _, start, raw_size, raw in spans:
            if start <= rva < start + raw_size:
                return raw + rva - start
        raise ValueError("%s: address 0x%X is in no section" % (path, rva))

    root = offset(resources_rva)

    def first_entry(directory, wanted=None):
        named, numbered = struct.unpack_from("<12xHH", data, directory)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * index)
            if wanted is None or name == wanted:
                return target
        raise ValueError("%s has no version resource" % path)

    level = first_entry(root, RT_VERSION)
    for _ in range(2):  # its name, then its language
        level = first_entry(root + (level & 0x7FFFFFFF))
    data_rva, size = struct.unpack_from("<II", data, root + level)
    block = data[offset(data_rva):offset(data_rva) + size]
    strings, fixed = {}, None

    def walk(at, end):
        nonlocal fixed
        while at < end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length == 0:
                break
            key_end = block.index(b"\0\0", at + 6)
            key_end += (key_end - at) % 2  # a UTF-16 boundary
            key = block[at + 6:key_end].decode("utf-16-le")
            value = (key_end + 2 + 3) & ~3
            if key == "VS_VERSION_INFO":
                fixed = struct.unpack_from("<I4xIIII", block, value)
                walk((value + value_length + 3) & ~3, at + length)
            elif key == "StringFileInfo" or (len(key) == 8 and kind == 1 and value_length == 0):
                walk(value, at + length)
            elif kind == 1 and value_length:
                strings[key] = block[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
            at = (at + length + 3) & ~3

    walk(0, len(block))
    if fixed is None or fixed[0] != 0xFEEF04BD:
        raise ValueError("%s: no fixed version information" % path)
    return strings, words(fixed[1], fixed[2]), words(fixed[3], fixed[4])


def words(high, low):
    """A fixed version's four words from its two double words."""
    return (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def script_packages(path):
    """The packages of each mode of scripts/deps.sh ("all" when it is given none)."""
    text = open(path, encoding="utf-8").read()
    lists = dict(re.findall(r'^(\w+)="([^"]*)"', text, re.M))
    return {mode: set(" ".join(lists[word[1:]] if word[0] == "$" else word for word in words.split()).split())
            for mode, words in re.findall(r'^ *(\w+)\) wanted="?([^";]*)"?', text, re.M)}


def document_packages(path):
    """The packages a document's table gives for each mode of scripts/deps.sh."""
    rows = re.findall(r"^\| `scripts/deps\.sh ?(\w*)` \|[^|]*\|(.*)\|$", open(path, encoding="utf-8").read(), re.M)
    modes = {mode or "all": set(re.findall(r"`([^`]+)`", re.sub(r"\([^)]*\)", "", cell))) for mode, cell in rows}
    for words in modes.values():
        for mode in words & set(modes):
            words.discard(mode)
            words.update(modes[mode])
    return modes


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--pe", action="append", default=[])
    parser.add_argument("--wheels")
    parser.add_argument("--python")
    parser.add_argument("--figure", nargs=3, action="append", default=[])
    parser.add_argument("--packages", nargs=2)
    parser.add_argument("program", nargs="+")
    args = parser.parse_args()

    with open(os.path.join(args.build, "version.txt")) as lines:
        listed = dict(line.rstrip("\n").split("\t") for line in lines)
    version = listed["PROJECT_VERSION"]
    wanted_words = tuple(int(part) for part in version.split(".")) + (0,)
    shown = [  # (where, what it says, what it should say)
        ("Karvelin.h KARVELIN_VERSION_MAJOR.MINOR.PATCH",
         ".".join(listed["KARVELIN_VERSION_" + part] for part in ("MAJOR", "MINOR", "PATCH")), version),
        ("Karvelin.h KARVELIN_VERSION_STRING", listed["KARVELIN_VERSION_STRING"], version),
    ]
    image = open(args.program[-1], "rb").read(4096)  # the build --version names: the program image's own
    if image[:4] == b"\x7fELF":
        build = "native Linux, %d-bit" % (32 * image[4])
    else:
        machine = struct.unpack_from("<H", image, struct.unpack_from("<I", image, 0x3C)[0] + 4)[0]
        build = {0x14C: "32-bit Windows", 0x8664: "64-bit Windows"}.get(machine, hex(machine))
    output = subprocess.run(args.program + ["--version"], stdout=subprocess.PIPE, check=True).stdout
    shown.append(("karvelin --version", output.decode().strip(), "karvelin %s (%s)" % (version, build)))
    for image in args.pe:
        strings, file_words, product_words = pe_version(image)
        name = os.path.basename(image)
        for key in ("FileVersion", "ProductVersion"):
            shown.append(("%s %s" % (name, key), strings.get(key), version))
        shown.append(("%s FILEVERSION" % name, file_words, wanted_words))
        shown.append(("%s PRODUCTVERSION" % name, product_words, wanted_words))
    if args.wheels:
        wheels = glob.glob(os.path.join(args.wheels, "karvelin-*.whl"))
        shown.append(("wheels in %s" % args.wheels, len(wheels), 1))
        for wheel in wheels:
            shown.append(("wheel file name", os.path.basename(wheel).split("-")[1], version))
            with zipfile.ZipFile(wheel) as archive:
                metadata = archive.read("karvelin-%s.dist-info/METADATA" % version).decode()
                written = {}
                exec(archive.read("karvelin/_version.py").decode(), written)
            field = [line for line in metadata.splitlines() if line.startswith("Version: ")]
            shown.append(("wheel METADATA", field[0][len("Version: "):] if field else None, version))
            shown.append(("wheel karvelin/_version.py", written.get("__version__"), version))
    if args.python:
        output = subprocess.run([args.python, "-c", "import karvelin; print(karvelin.__version__)"],
                                stdout=subprocess.PIPE, check=True).stdout
        shown.append(("karvelin.__version__ installed", output.decode().strip(), version))
    for path, pattern, value in args.figure:
        with open(path, encoding="utf-8") as document:
            found = re.search(pattern, document.read())
        shown.append(("%s: %s" % (os.path.basename(path), pattern),
                      found.group(1).replace(",", "") if found else None, value))
    if args.packages:
        page, script = document_packages(args.packages[0]), script_packages(args.packages[1])
        for mode in sorted(set(page) | set(script)):
            listed, installed = page.get(mode, set()), script.get(mode, set())
            says = "the same" if listed == installed else "only on the page: %s; only in the script: %s" % (
                " ".join(sorted(listed - installed)) or "-", " ".join(sorted(installed - listed)) or "-")
            shown.append(("%s: deps.sh %s" % (os.path.basename(args.packages[0]), mode), says, "the same"))

    wrong = 0
    for where, says, wanted in shown:
        agrees = says == wanted
        wrong += not agrees
        print("%-4s %-50s %s%s" % ("ok" if agrees else "FAIL", where, says,
                                   "" if agrees else " (not %s)" % (wanted,)))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
