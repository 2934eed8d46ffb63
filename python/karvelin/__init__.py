"""Karvelin for Python 3: the installation utilities of ``_Karvelin`` with PEP 8
names, typed results and named result codes.

Every answer comes from ``_Karvelin``; this package only shapes it: checks
answer a :class:`ResultCode`, yes-or-no answers a ``bool``, and the functions
that fill a buffer size it themselves and answer values.
"""
from __future__ import annotations

import _Karvelin as _Karvelin  # the module the wheel installs at the top, once
from ._codes import ResultCode
from ._files import (
    check_dest_dir,
    copy_file,
    create_shortcut,
    delete_tree,
    desktop_dir,
    program_dir,
    run_silent,
    windows_dir,
)
from ._host import check_ie_version, check_os, check_user_right, describe, installation_type, server_version
from ._network import Adapter, adapters, host_addresses, validate_ip, validate_net
from ._texts import check_bureau_name, check_letterfigure, decode, recode, trim_left, trim_right
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
