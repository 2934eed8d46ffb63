"""The native tests' case tables and the library's result codes, as the build
wrote them (KARVELIN_BUILD_DIR): one reading for both interpreters' suites.

CASES.<table> is a list of rows with named fields (cases.json, written by
case_rows.cpp); texts are bytes (str under 2.7), result codes their values.
CODES maps each result code's name to its value (result_codes.txt)."""
import collections
import json
import os

_BUILD = os.environ["KARVELIN_BUILD_DIR"]

with open(os.path.join(_BUILD, "result_codes.txt")) as listing:
    CODES = dict((name, int(value)) for name, value in (line.rstrip("\n").split("\t") for line in listing))
CODES["OK"] = 0  # success is no row of the list

_row_types = {}


def _decoded(pairs):
    if [name for name, _ in pairs] == ["code"]:
        return CODES[pairs[0][1]]
    names = tuple(str(name) for name, _ in pairs)
    if names not in _row_types:
        _row_types[names] = collections.namedtuple("Case", names)
    # Each character of a text is one byte of it.
    values = [value.encode("latin-1") if isinstance(value, type(u"")) else value for _, value in pairs]
    return _row_types[names](*values)


with open(os.path.join(_BUILD, "cases.json")) as table:
    CASES = json.load(table, object_pairs_hook=_decoded)
