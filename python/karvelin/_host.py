"""Host checks and result codes."""
from __future__ import annotations

import _Karvelin

from ._codes import ResultCode


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
