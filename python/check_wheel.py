"""Checks a karvelin wheel: one file, tagged cp39-abi3 for its platform, holding
the package and the module once (at the top, with its stub), stripped; its
top_level.txt names every top-level name it installs; its metadata has a
summary, the licence, classifiers and the package's README as its Markdown
description, and its dist-info holds the licence file.

usage: check_wheel.py WHEEL MODULE_NAME [PLATFORM]   (PLATFORM empty: this machine's)
"""
import sys
import sysconfig
import zipfile


def main(wheel, module, platform):
    platform = platform or sysconfig.get_platform().replace("-", "_").replace(".", "_")
    tag = "cp39-abi3-" + platform
    problems = []
    if not wheel.endswith("-" + tag + ".whl"):
        problems.append("file name %s is not tagged %s" % (wheel, tag))
    with zipfile.ZipFile(wheel) as archive:
        names = set(archive.namelist())
        metadata = [name for name in names if name.endswith(".dist-info/WHEEL")]
        text = archive.read(metadata[0]).decode() if metadata else ""
        described = [name for name in names if name.endswith(".dist-info/METADATA")]
        fields, _, description = archive.read(described[0]).decode().partition("\n\n") if described else ("", "", "")
        licences = [name for name in names if name.endswith(".dist-info/LICENSE.txt")]
        listed = [name for name in names if name.endswith(".dist-info/top_level.txt")]
        top_level = sorted(archive.read(listed[0]).decode().split()) if listed else []
        module_data = archive.read(module) if module in names else b""
    if "Tag: %s\n" % tag not in text or "Root-Is-Purelib: false" not in text:
        problems.append("WHEEL metadata does not say %s, platlib:\n%s" % (tag, text))
    for field in ("Summary", "License", "Classifier"):
        if "\n%s: " % field not in fields:
            problems.append("METADATA has no %s" % field)
    if "\nDescription-Content-Type: text/markdown\n" not in fields + "\n" or not description.startswith("# karvelin"):
        problems.append("METADATA has no Markdown description (python/README.md)")
    if not licences:
        problems.append("the dist-info holds no LICENSE.txt")
    wanted = {"karvelin/__init__.py", "karvelin/_codes.py", "karvelin/_version.py", "karvelin/py.typed",
              module, "_Karvelin.pyi", "_Karvelin-stubs/__init__.pyi"}
    wanted |= {"karvelin/_%s.py" % topic for topic in ("arguments", "files", "host", "network", "texts")}
    missing = sorted(wanted - names)
    if missing:
        problems.append("missing: %s" % ", ".join(missing))
    modules = sorted(name for name in names if name.rsplit("/", 1)[-1].startswith("_Karvelin.") and
                     not name.endswith(".pyi"))
    if modules != [module]:
        problems.append("modules: %s (wanted %s once)" % (", ".join(modules), module))
    installed = {name.split("/")[0].split(".")[0] for name in names if ".dist-info/" not in name}
    if sorted(installed) != top_level:
        problems.append("top_level.txt says %s, the wheel installs %s" % (top_level, sorted(installed)))
    if module in names and b".debug_info" in module_data:
        problems.append("%s carries its debug information" % module)
    for problem in problems:
        print("FAIL:", problem)
    if not problems:
        print("%s: %s, %d files" % (wheel.rsplit("/", 1)[-1], tag, len(names)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else ""))
