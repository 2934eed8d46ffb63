"""Karvelin for Python 3: the installation utilities of ``_Karvelin`` with PEP 8
names, typed results and named result codes.

Every answer comes from ``_Karvelin``; this package only shapes it: checks
answer a :class:`ResultCode`, yes-or-no answers a ``bool``, and the functions
that fill a buffer size it themselves and answer values.
"""
from __future__ import annotations

import os
import sys
from typing import AnyStr, Callable, List, NamedTuple, Tuple, TypeVar, Union

import _Karvelin as _Karvelin  # the module the wheel installs at the top, once
from ._codes import ResultCode
from ._version import __version__ as __version__

__all__ = [
    "Adapter",
    "ResultCode",
    "adapters",
    "check_bureau_name",
    "check_dest_dir",
    "check_ie_version",
    "check_letterfigure",
    "check_os",
    "check_user_right",
    "copy_file",
    "create_shortcut",
    "decode",
    "delete_tree",
    "describe",
    "desktop_dir",
    "host_addresses",
    "installation_type",
    "program_dir",
    "recode",
    "run_silent",
    "server_version",
    "trim_left",
    "trim_right",
    "validate_ip",
    "validate_net",
    "windows_dir",
]

Text = Union[str, bytes]
Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
_Answer = TypeVar("_Answer")


# ---- arguments: checked here, so that an error names this package's
# function and parameter (the module's own errors name the library's) ----


def _text(function: str, parameter: str, value: object) -> Text:
    if isinstance(value, (str, bytes)):
        return value
    raise TypeError(
        "%s() argument '%s' must be str or bytes, not %s" % (function, parameter, type(value).__name__)
    )


def _path(function: str, parameter: str, value: object) -> Text:
    if isinstance(value, (str, bytes, os.PathLike)):
        path = os.fspath(value)
        if isinstance(path, (str, bytes)):
            return path
    raise TypeError(
        "%s() argument '%s' must be str, bytes or os.PathLike, not %s"
        % (function, parameter, type(value).__name__)
    )

# ---- result codes ----


def describe(code: int) -> str:
    """The library's text for a result code: its 32 bits as unsigned decimal.
    Takes the code as the library answers it (0 to 0xFFFFFFFF) or as a signed
    32-bit value.

    Raises TypeError for a code that is not an int, OverflowError for one
    outside -2**31 to 2**32 - 1."""
    if not isinstance(code, int):
        raise TypeError("describe() argument 'code' must be int, not %s" % type(code).__name__)
    if not -0x80000000 <= code <= 0xFFFFFFFF:
        raise OverflowError("describe() argument 'code' is outside -2**31 to 2**32 - 1: %d" % code)
    if 0x80000000 <= code <= 0xFFFFFFFF:
        code -= 0x100000000
    return _Karvelin.GetErrorDescription(code)


# ---- host checks ----


def check_os() -> ResultCode:
    """OK on release 5.0 with service pack 4+, 5.1 with 2+, 5.2 with 1+."""
    return ResultCode(_Karvelin.CheckOS())


def check_ie_version() -> ResultCode:
    """OK when the system browser's major version is 6 or more."""
    return ResultCode(_Karvelin.CheckIeVersion())


def server_version() -> int:
    """2000 on release 5.0, 2003 on release 5.2, else 0."""
    return _Karvelin.FindServerVersion()


def check_user_right() -> ResultCode:
    """OK when the process token holds the Administrators group, enabled."""
    return ResultCode(_Karvelin.CheckUserRight())


def installation_type() -> int:
    """The product's installation already on the host (2 when there is none)."""
    return _Karvelin.GetCurrentInstallationType()


# ---- commands, files and folders ----


def run_silent(command: Text, argument: Text) -> int:
    """Runs ``<COMSPEC> /c <command> <argument>`` without a window and waits:
    its exit code, or the system's error code when it cannot be started.

    Raises TypeError for an argument that is not str or bytes, ValueError for
    one that holds a NUL."""
    return _Karvelin.RunSilent(_text("run_silent", "command", command), _text("run_silent", "argument", argument))


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
        _text(name, "arguments", arguments),
        _path(name, "working_dir", working_dir),
        _path(name, "link", link),
        _text(name, "description", description),
    )


def copy_file(source: Path, destination: Path) -> bool:
    """Copies ``source`` over ``destination`` (its attributes reset first):
    True when the copy succeeded.

    Raises TypeError for a path that is not str, bytes or os.PathLike,
    ValueError for one that holds a NUL."""
    return _Karvelin.CopyTheFile(_path("copy_file", "source", source), _path("copy_file", "destination", destination)) == 1


def delete_tree(directory: Path) -> None:
    """Removes the directory tree; drive roots and the Windows directory are
    left alone. Answers None.

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


# ---- network ----


class Adapter(NamedTuple):
    """One adapter of the host's IPv4 adapter list."""

    network: str
    mask: str
    address: str
    name: str
    display_name: str


# The first buffer each filling function gets; an answer that does not fit
# raises ValueError(message, size needed), and the call is made again with that.
_HOST_ADDRESS_ROOM = 16 * 16
_ADAPTER_ROOM = 4096


def _fill(function: Callable[[bytearray], _Answer], size: int) -> Tuple[bytearray, _Answer]:
    while True:
        buffer = bytearray(size)
        try:
            return buffer, function(buffer)
        except ValueError as error:
            if len(error.args) != 2 or not isinstance(error.args[1], int):
                raise
            # The host may have gained an address between two calls.
            size = max(error.args[1], size + 1)


def host_addresses() -> List[str]:
    """The IPv4 addresses of the host's own name; [] when its lookup fails."""
    buffer, _ = _fill(_Karvelin.GetHostIPAddr, _HOST_ADDRESS_ROOM)
    addresses = []
    for start in range(0, len(buffer) - 15, 16):
        record = bytes(buffer[start : start + 16])
        if record[0] == 0:
            break
        addresses.append(record[:15].rstrip(b" ").decode("ascii"))
    return addresses


def adapters() -> List[Adapter]:
    """The host's IPv4 adapters; [] when the library has no adapter list
    (ERR_ADAPTER_INFO)."""
    buffer, answer = _fill(_Karvelin.GetAddress, _ADAPTER_ROOM)
    if answer != ResultCode.OK:
        return []
    fields = [_decode(field) for field in bytes(buffer).split(b"\0", 1)[0].split(b"\t")[:-1]]
    return [Adapter(*fields[start : start + 5]) for start in range(0, len(fields), 5)]


def validate_net(host: Text, mask: Text, network: Text, other: Text) -> ResultCode:
    """OK when host, mask, network and the other address fit together, else
    the code of the first rule they break.

    Raises TypeError for an address that is not str or bytes, ValueError for
    one that holds a NUL."""
    name = "validate_net"
    return ResultCode(
        _Karvelin.ValidateNet(
            _text(name, "host", host), _text(name, "mask", mask), _text(name, "network", network), _text(name, "other", other)
        )
    )


def validate_ip(address: Text) -> bool:
    """True for a class A, B or C address other than 0.0.0.0 and 127.0.0.1.

    Raises TypeError for an address that is not str or bytes, ValueError for
    one that holds a NUL."""
    return _Karvelin.ValidateTheIP(_text("validate_ip", "address", address)) == 1


# ---- texts ----


def _encode(text: str) -> bytes:
    """A str as the module encodes a text argument."""
    if sys.platform == "win32":
        return text.encode("mbcs", "surrogateescape")
    return os.fsencode(text)


def _decode(data: bytes) -> str:
    """Bytes of the library as the module decodes a text answer."""
    if sys.platform == "win32":
        return data.decode("mbcs", "surrogateescape")
    return os.fsdecode(data)


def _trim(function: Callable[[bytearray], None], name: str, text: AnyStr) -> AnyStr:
    if isinstance(text, str):
        data = _encode(text)
    elif isinstance(text, bytes):
        data = text
    else:
        raise TypeError("%s() argument 'text' must be str or bytes, not %s" % (name, type(text).__name__))
    # The library's text ends at a NUL: what follows one would be lost.
    if b"\0" in data:
        raise ValueError("%s() argument 'text': embedded null character" % name)
    buffer = bytearray(data)
    function(buffer)
    trimmed = bytes(buffer).split(b"\0", 1)[0]
    if isinstance(text, str):
        return _decode(trimmed)
    return trimmed


def trim_left(text: AnyStr) -> AnyStr:
    """The text without its leading blanks (0x20), of the text's own type;
    texts of 255 bytes or more come back unchanged.

    Raises TypeError for a text that is not str or bytes, ValueError for one
    that holds a NUL."""
    return _trim(_Karvelin.TrimLeft, "trim_left", text)


def trim_right(text: AnyStr) -> AnyStr:
    """The text without its trailing blanks (0x20), of the text's own type;
    texts of 255 bytes or more come back unchanged.

    Raises TypeError for a text that is not str or bytes, ValueError for one
    that holds a NUL."""
    return _trim(_Karvelin.TrimRight, "trim_right", text)


def check_letterfigure(text: Text) -> ResultCode:
    """OK when the text holds ASCII letters and digits only, else the code of
    the rule it breaks.

    Raises TypeError for a text that is not str or bytes, ValueError for one
    that holds a NUL."""
    return ResultCode(_Karvelin.IsLetterfigureString(_text("check_letterfigure", "text", text)))


def check_bureau_name(name: Text) -> ResultCode:
    """OK for a letter first, then letters, digits, '_' and '-' (non-ASCII
    characters count as letters), else the code of the rule it breaks.

    Raises TypeError for a name that is not str or bytes, ValueError for one
    that holds a NUL."""
    return ResultCode(_Karvelin.CheckBureauName(_text("check_bureau_name", "name", name)))


def recode(text: AnyStr) -> AnyStr:
    """The whole text scrambled, of the text's own type: each byte as two
    printable characters.

    Raises TypeError for a text that is not str or bytes, ValueError for one
    that holds a NUL, MemoryError when the library has no memory for the
    answer."""
    _text("recode", "text", text)
    return _answered(_Karvelin.Recode(text, len(text)), "recode")


def decode(text: AnyStr) -> AnyStr:
    """The inverse of :func:`recode` over the whole text, of the text's own
    type.

    Raises TypeError for a text that is not str or bytes, ValueError for one
    that holds a NUL, MemoryError when the library has no memory for the
    answer."""
    _text("decode", "text", text)
    return _answered(_Karvelin.Decode(text, len(text)), "decode")


def _answered(text: AnyStr | None, name: str) -> AnyStr:
    if text is None:
        raise MemoryError("%s(): the library had no memory for its answer" % name)
    return text
