"""Commands, files and folders."""
from __future__ import annotations

import _Karvelin

from ._arguments import Path, Text, _path
from ._codes import ResultCode


def run_silent(command: Text, argument: Text) -> int:
    """Runs ``<COMSPEC> /c <command> <argument>`` without a window and waits:
    its exit code, or the system's error code when it cannot be started.

    Raises TypeError for an argument that is not str or bytes, ValueError for
    one that holds a NUL."""
    return _Karvelin.RunSilent(command, argument)


def create_shortcut(
    target: Path, link: Path, *, arguments: Text = "", working_dir: Path = "", description: Text = ""
) -> int:
    """Writes the shortcut file ``link`` (as given: no extension added): 0, or
    the library's failure number (1, 2, or a negative HRESULT).

    Raises TypeError for a path that is not str, bytes or os.PathLike, or a
    text that is not str or bytes; ValueError for one that holds a NUL."""
    name = "create_shortcut"
    return _Karvelin.CreateShortcut(
        _path(name, "target", target),
        arguments,
        _path(name, "working_dir", working_dir),
        _path(name, "link", link),
        description,
    )


def copy_file(source: Path, destination: Path) -> bool:
    """Copies ``source`` over ``destination`` (its attributes reset first):
    True when the copy succeeded.

    Raises TypeError for a path that is not str, bytes or os.PathLike,
    ValueError for one that holds a NUL."""
    return _Karvelin.CopyTheFile(_path("copy_file", "source", source), _path("copy_file", "destination", destination)) == 1


def delete_tree(directory: Path) -> None:
    """Removes the directory tree. Answers None.

    Removes nothing when the path is, or holds, a protected folder: on
    Windows an empty path, separators only, a drive root, the Windows
    directory, the user's profile folder (under Wine also the Unix home);
    on Linux "", "/", a last name "." or "..", the home folder and every link
    on the way to it. Links go themselves, never what they point to, and
    what another volume mounts inside the tree stays. The whole rule:
    DelFilesAndDir in docs/reference.md.

    Raises TypeError for a path that is not str, bytes or os.PathLike,
    ValueError for one that holds a NUL."""
    _Karvelin.DelFilesAndDir(_path("delete_tree", "directory", directory))


def check_dest_dir(path: Path) -> ResultCode:
    """OK when ``path`` may be the installation directory, else the code of
    the first rule it breaks.

    Raises TypeError for a path that is not str, bytes or os.PathLike,
    ValueError for one that holds a NUL."""
    return ResultCode(_Karvelin.CheckDestFileDir(_path("check_dest_dir", "path", path)))


def desktop_dir() -> str:
    """The user's desktop folder; "" when it cannot be had."""
    return _Karvelin.GetWinDeskTopDir()


def program_dir() -> str:
    """The user's Start-menu program groups folder; "" when it cannot be had."""
    return _Karvelin.GetWinProgramDir()


def windows_dir() -> str:
    """The Windows directory; "" when it cannot be had."""
    return _Karvelin.GetWindowsDir()
