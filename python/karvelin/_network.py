"""Addresses and adapters: the buffers the package sizes itself."""
# Annotations are evaluated here, not postponed: Adapter keeps its fields'
# annotations as the types of its signature, which help() shows.
from typing import Callable, List, NamedTuple, Tuple, TypeVar

import _Karvelin

from ._arguments import Text, _decode
from ._codes import ResultCode

_Answer = TypeVar("_Answer")


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
    return ResultCode(_Karvelin.ValidateNet(host, mask, network, other))


def validate_ip(address: Text) -> bool:
    """True for a class A, B or C address other than 0.0.0.0 and 127.0.0.1.

    Raises TypeError for an address that is not str or bytes, ValueError for
    one that holds a NUL."""
    return _Karvelin.ValidateTheIP(address) == 1
