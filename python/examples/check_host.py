"""What an installer asks of the host before it installs, through every function
of the karvelin package. Its own files go to a temporary folder of its own.

    python3 check_host.py [DESTINATION]
"""
from __future__ import annotations

import pathlib
import sys
import tempfile

import karvelin
from karvelin import ResultCode


def show(label: str, answer: object) -> None:
    if isinstance(answer, ResultCode):
        answer = "%s (%s)" % (answer.name, karvelin.describe(answer))
    print("%-22s %s" % (label, answer))


def main(argv: list[str]) -> int:
    destination = argv[1] if len(argv) > 1 else "C:\\Server"

    checks = {
        "release": karvelin.check_os(),
        "browser": karvelin.check_ie_version(),
        "administrator": karvelin.check_user_right(),
        "destination": karvelin.check_dest_dir(destination),
    }
    for label, code in checks.items():
        show(label, code)
    show("server release", karvelin.server_version())
    show("installation type", karvelin.installation_type())
    show("desktop", karvelin.desktop_dir() or "(none)")
    show("program groups", karvelin.program_dir() or "(none)")
    show("Windows", karvelin.windows_dir() or "(none)")

    show("host addresses", ", ".join(karvelin.host_addresses()))
    for adapter in karvelin.adapters():
        show("adapter " + adapter.name, "%s/%s on %s" % (adapter.address, adapter.mask, adapter.display_name))
    show("address 10.0.0.5", karvelin.validate_ip("10.0.0.5"))
    show("network", karvelin.validate_net("10.0.0.5", "255.0.0.0", "10.0.0.0", "10.0.0.1"))

    name = karvelin.trim_right(karvelin.trim_left("  Bureau_1  "))
    show("bureau " + name, karvelin.check_bureau_name(name))
    show("letters and digits", karvelin.check_letterfigure("abc123"))
    scrambled = karvelin.recode("secret")
    show("scrambled", "%s -> %s" % (scrambled, karvelin.decode(scrambled)))

    with tempfile.TemporaryDirectory(prefix="karvelin-example-") as folder:
        tree = pathlib.Path(folder, "tree")
        tree.mkdir()
        source = pathlib.Path(folder, "setup.ini")
        source.write_text("[setup]\n")
        show("copied", karvelin.copy_file(source, tree / "setup.ini"))
        show("shortcut", karvelin.create_shortcut(source, tree / "Setup.lnk", description="Set-up"))
        show("command", karvelin.run_silent("exit", "3"))
        karvelin.delete_tree(tree)
        show("tree removed", not tree.exists())

    return 0 if all(code is ResultCode.OK for code in checks.values()) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
