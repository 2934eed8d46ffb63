"""_Karvelin under Python 3: names, argument parsing and result kinds."""
import sys

import pytest

import _Karvelin as K

BUILT = ["CheckOS", "CheckIeVersion", "FindServerVersion", "GetErrorDescription"]


def test_namespace_holds_the_functions_and_nothing_else():
    own = [name for name in dir(K) if not name.startswith("__")]
    assert sorted(own) == sorted(BUILT)
    assert K.__doc__ is None
    for name in BUILT:
        assert getattr(K, name).__doc__ is None


@pytest.mark.parametrize("name", ["CheckOS", "CheckIeVersion", "FindServerVersion"])
def test_no_argument_functions_refuse_arguments(name):
    with pytest.raises(TypeError) as raised:
        getattr(K, name)(1)
    assert name in str(raised.value)


@pytest.mark.skipif(sys.platform == "win32", reason="answers of the running release")
def test_release_checks_without_windows():
    assert K.CheckOS() == 236798225
    assert K.CheckIeVersion() == 236798228
    assert K.FindServerVersion() == 0
    assert all(type(f()) is int for f in (K.CheckOS, K.CheckIeVersion, K.FindServerVersion))


@pytest.mark.parametrize(
    "code, text",
    [
        (0, "0"),
        (236798225, "236798225"),
        (-1, "4294967295"),
        (-2147483648, "2147483648"),
        (2147483647, "2147483647"),
    ],
)
def test_get_error_description_formats_unsigned(code, text):
    assert K.GetErrorDescription(code) == text
    assert type(K.GetErrorDescription(code)) is str


@pytest.mark.parametrize(
    "args, error",
    [
        ((2147483648,), OverflowError),
        ((-2147483649,), OverflowError),
        (("1",), TypeError),
        ((), TypeError),
        ((1, 2), TypeError),
    ],
)
def test_get_error_description_refuses_bad_arguments(args, error):
    with pytest.raises(error) as raised:
        K.GetErrorDescription(*args)
    if len(args) != 1:  # the count error names the function
        assert "GetErrorDescription" in str(raised.value)
