"""Texts: trimming, the name checks and the reversible encoding."""
from __future__ import annotations

from typing import AnyStr, Callable

import _Karvelin

from ._arguments import Text, _decode, _encode, _text
from ._codes import ResultCode


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
    return ResultCode(_Karvelin.IsLetterfigureString(text))


def check_bureau_name(name: Text) -> ResultCode:
    """OK for a letter first, then letters, digits, '_' and '-' (non-ASCII
    characters count as letters), else the code of the rule it breaks.

    Raises TypeError for a name that is not str or bytes, ValueError for one
    that holds a NUL."""
    return ResultCode(_Karvelin.CheckBureauName(name))


def recode(text: AnyStr) -> AnyStr:
    """The whole text scrambled, of the text's own type: each byte as two
    printable characters.

    Raises TypeError for a text that is not str or bytes, ValueError for one
    that holds a NUL, MemoryError when the library has no memory for the
    answer."""
    _text("recode", "text", text)  # before len() refuses it in words of its own
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
