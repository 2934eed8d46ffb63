"""The karvelin package as installed: result codes, typed answers, buffers it
sizes itself, and its errors. The library's own logic is tested elsewhere."""
import inspect
import ipaddress
import os
import re
import typing

import pytest

import karvelin
from karvelin import Adapter, ResultCode, _Karvelin

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def read(*path):
    with open(os.path.join(SOURCE, *path), encoding="utf-8") as source:
        return source.read()


def rows(name):
    """A list of the build tree (KARVELIN_BUILD_DIR): its rows' fields."""
    with open(os.path.join(os.environ["KARVELIN_BUILD_DIR"], name), encoding="utf-8") as lines:
        return [line.rstrip("\n").split("\t") for line in lines]


def test_the_installed_copy_is_tested_and_its_module_installed_once_as_the_installer_imports_it():
    import _Karvelin as top

    assert os.path.basename(os.path.dirname(package_folder())) == "site-packages"
    assert _Karvelin is top
    assert os.path.dirname(os.path.realpath(top.__file__)) == os.path.dirname(package_folder())
    assert not [name for name in os.listdir(package_folder()) if name.startswith("_Karvelin.")]


def package_folder():
    return os.path.realpath(os.path.dirname(karvelin.__file__))


def test_result_codes_are_the_headers():
    header = [(name, int(value)) for name, value in rows("result_codes.txt")]
    assert [(code.name, code.value) for code in ResultCode] == [("OK", 0)] + header
    for code in ResultCode:
        assert karvelin.describe(code) == str(int(code))
    documented = re.findall(r"^\| `(ERR_\w+)` \| (\d+) ", read("docs", "reference.md"), re.MULTILINE)
    assert [(name, int(number)) for name, number in documented] == header


# Each package name with its function's row of the function table: name, C
# type, argument names.
FUNCTIONS = dict((row[0], row) for row in rows("functions.txt"))
FACES = dict((row[1], FUNCTIONS[row[0]]) for row in rows("faces.txt"))
SAMPLES = dict((row[0], row[1:]) for row in reversed(rows("samples.txt")))


def sample_call(name, folder):
    """The package function's arguments from its function's first sample: each
    parameter takes the C argument of its name (``link``: LINK_PATH), "<temp>"
    is ``folder``, a number an int."""
    library, c_type, arguments = FACES[name]
    c_types = [t.strip() for t in c_type[c_type.index("(") + 1:-1].split(",")]
    given = dict(zip(arguments.lower().split(), zip(SAMPLES[library], c_types)))
    call = {}
    for parameter in inspect.signature(getattr(karvelin, name)).parameters:
        [(text, kind)] = [value for c_name, value in given.items() if (c_name + "_").startswith(parameter + "_")]
        text = text.replace("<temp>", folder)
        call[parameter] = int(text) if kind in ("uint32_t", "ResultCode") else text
    return call


def documented_names():
    """reference.md's package names: each section's functions, then after
    "Package:" their package names in the same order."""
    pairs = []
    for section in read("docs", "reference.md").split("\n## ")[1:]:
        heading, _, text = section.partition("\n")
        libraries = [name for name in heading.split(", ") if re.fullmatch(r"[A-Z]\w+", name)]
        if libraries and "Package:" in text:
            packages = re.findall(r"`(\w+)\(", text.split("Package:", 1)[1])
            pairs += list(zip(libraries, packages))
    return pairs


def test_every_library_function_has_its_package_name():
    # The function table's package names, which reference.md shows.
    names = [(row[0], row[1]) for row in rows("faces.txt")]
    assert [library for library, _ in names] == [row[0] for row in rows("functions.txt")]
    assert documented_names() == names
    assert sorted(karvelin.__all__) == sorted([name for _, name in names] + ["Adapter", "ResultCode"])


@pytest.mark.parametrize("name", sorted(FACES))
def test_each_function_answers_its_annotated_type(name, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)  # the file functions work on missing names here
    function, call = getattr(karvelin, name), sample_call(name, str(tmp_path))
    kind = typing.get_type_hints(function)["return"]
    if isinstance(kind, typing.TypeVar):  # AnyStr: the text's own type, str or bytes
        for texts in [call, dict((key, value.encode()) for key, value in call.items())]:
            assert type(function(**texts)) is type(next(iter(texts.values())))
    else:
        assert type(function(**call)) is (typing.get_origin(kind) or kind)


def test_answer_values():
    assert karvelin.trim_left("  ab") == "ab" and karvelin.trim_right(b"ab  ") == b"ab"
    assert karvelin.trim_left(" \u00e9t\u00e9 ") == "\u00e9t\u00e9 "  # encoded, trimmed, decoded
    assert karvelin.decode(karvelin.recode("secret")) == "secret"
    assert karvelin.validate_ip("127.0.0.1") is False
    assert karvelin.check_letterfigure("a_b") is ResultCode.ERR_NOT_LETTERFIGURE
    assert karvelin.describe(0xFFFFFFFF) == karvelin.describe(-1) == "4294967295"


# ---- buffers the package sizes itself ----


def fake_filler(output, answer=0):
    """A stand-in for GetAddress or GetHostIPAddr: refuses a short buffer as the
    module does, else writes the output; records the sizes it was given."""
    sizes = []

    def fill(buffer):
        sizes.append(len(buffer))
        if len(output) > len(buffer):
            raise ValueError("GetAddress() needs a buffer of %d bytes, not %d" % (len(output), len(buffer)), len(output))
        buffer[: len(output)] = output
        return answer

    return fill, sizes


ADAPTER_CASES = [
    (b"", 0, []),
    (
        b"10.0.0.0\t255.0.0.0\t10.0.0.5\teth0\tLAN \xc3\xa9\t" * 300 + b"\0",
        0,
        [Adapter("10.0.0.0", "255.0.0.0", "10.0.0.5", "eth0", "LAN \u00e9")] * 300,
    ),
    (b"", int(ResultCode.ERR_ADAPTER_INFO), []),
]


@pytest.mark.parametrize("output, answer, adapters", ADAPTER_CASES)
def test_adapters_sized_and_split(output, answer, adapters, monkeypatch):
    fill, sizes = fake_filler(output, answer)
    monkeypatch.setattr(_Karvelin, "GetAddress", fill)
    assert karvelin.adapters() == adapters
    assert sizes[-1] >= len(output) and len(sizes) == (1 if len(output) <= sizes[0] else 2)


@pytest.mark.parametrize("count", [0, 1, 16, 17, 100])
def test_host_addresses_sized_and_split(count, monkeypatch):
    # The longest address fills its record's 15 bytes; the others are padded.
    addresses = ["192.168.%d.%d" % (100 + n, 200 + n % 50) if n % 2 else "10.0.0.%d" % n for n in range(count)]
    fill, sizes = fake_filler(b"".join(address.ljust(15).encode() + b"\t" for address in addresses))
    monkeypatch.setattr(_Karvelin, "GetHostIPAddr", fill)
    assert karvelin.host_addresses() == addresses


def test_the_modules_own_refusal_sizes_the_buffer(monkeypatch):
    """The real module, given one byte first, names the size it needs."""
    expected = (karvelin.adapters(), karvelin.host_addresses())
    monkeypatch.setattr(karvelin._network, "_ADAPTER_ROOM", 1)
    monkeypatch.setattr(karvelin._network, "_HOST_ADDRESS_ROOM", 1)
    assert (karvelin.adapters(), karvelin.host_addresses()) == expected
    assert Adapter._fields == ("network", "mask", "address", "name", "display_name")
    assert {p.annotation for p in inspect.signature(Adapter).parameters.values()} == {str}  # help() shows str
    for adapter in expected[0]:
        assert ipaddress.IPv4Address(adapter.network) == ipaddress.IPv4Address(
            int(ipaddress.IPv4Address(adapter.address)) & int(ipaddress.IPv4Address(adapter.mask))
        )
    for address in expected[1]:
        ipaddress.IPv4Address(address)


# ---- errors ----

# Each error names the function and its argument: the package's, or where the
# package hands a text on as it is, the module's.
ERRORS = [
    (karvelin.trim_left, ("a\0b",), ValueError, "trim_left() argument 'text'"),  # the text after a NUL would be lost
    (karvelin.trim_right, (bytearray(b"ab"),), TypeError, "trim_right() argument 'text' must be str or bytes"),
    (karvelin.validate_ip, (5,), TypeError, "ValidateTheIP() argument 'address' must be str or bytes, not int"),
    (karvelin.validate_net, ("1", "2", "3", None), TypeError, "ValidateNet() argument 'other'"),
    (karvelin.check_bureau_name, ("a\0b",), ValueError, "null"),
    (karvelin.recode, (123,), TypeError, "recode() argument 'text' must be str or bytes, not int"),
    (karvelin.decode, (["a"],), TypeError, "decode() argument 'text'"),
    (karvelin.copy_file, (1, "b"), TypeError, "copy_file() argument 'source' must be str, bytes or os.PathLike"),
    (lambda: karvelin.create_shortcut("t", "l.lnk", description=5), (), TypeError,
     "CreateShortcut() argument 'description' must be str or bytes, not int"),
    (karvelin.run_silent, ("exit", 0), TypeError, "RunSilent() argument 'argument'"),
    (karvelin.describe, (2**32,), OverflowError, "describe() argument 'code'"),
    (karvelin.describe, ("x",), TypeError, "describe() argument 'code' must be int, not str"),
    (karvelin.check_os, (1,), TypeError, "check_os()"),
]


@pytest.mark.parametrize("function, args, error, message", ERRORS)
def test_errors(function, args, error, message):
    with pytest.raises(error, match=re.escape(message)):
        function(*args)


@pytest.mark.parametrize("name", ["recode", "decode"])
def test_no_memory_is_memory_error(name, monkeypatch):
    monkeypatch.setattr(_Karvelin, name.capitalize(), lambda text, count: None)
    with pytest.raises(MemoryError):
        getattr(karvelin, name)("abc")
