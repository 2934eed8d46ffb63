"""The arguments the package takes otherwise than ``_Karvelin`` does: paths
(``os.PathLike`` too) and the texts it measures or converts itself, checked
here so that an error names this package's function and parameter; and texts
converted as ``_Karvelin`` converts them. A text handed on as it is, the
module checks, naming its own function and the argument."""
from __future__ import annotations

import os
import sys
from typing import Union

Text = Union[str, bytes]
Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]


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
