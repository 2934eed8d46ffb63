"""The native tests' case tables and the library's result codes, as the build
wrote them (KARVELIN_BUILD_DIR): one reading for both interpreters' suites.

CASES.<table> is a list of rows with named fields (cases.json, written by
case_rows.cpp); texts are bytes (str under 2.7), result codes their values.
CODES maps each result code's name to its value (result_codes.txt). TABLE is
the function table (name, C type, argument names), BUILT its names in table
order, SAMPLES each function's first sample call (samples.txt), and STUB the
path of the module's stub; sample_args gives a sample's arguments. LOGIC: the rows both suites run through the module,
as function name, rows, and each row's arguments and answer."""
import collections
import json
import os
import sys

_BUILD = os.environ["KARVELIN_BUILD_DIR"]


def build_list(name):
    """A list of the build tree: its rows' fields (a field may end in blanks)."""
    with open(os.path.join(_BUILD, name)) as lines:
        return [line.rstrip("\n").split("\t") for line in lines]


TABLE = build_list("functions.txt")
BUILT = [row[0] for row in TABLE]
SAMPLES = {}
for _sample in build_list("samples.txt"):
    SAMPLES.setdefault(_sample[0], _sample[1:])
STUB = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "python", "_Karvelin.pyi")



def sample_args(name, folder, buffer):
    """The first sample's arguments as the module takes them: "<temp>" is
    `folder`, a number an int, a text buffer (char*) `buffer` of its text or,
    for "@SIZE/FIELDS", of SIZE blanks."""
    c_type = [row[1] for row in TABLE if row[0] == name][0]
    params = [p.strip() for p in c_type[c_type.index("(") + 1:-1].split(",") if p.strip() != "void"]
    args = []
    for text, param in zip(SAMPLES[name], params):
        if text.startswith("<temp>"):
            text = os.path.join(folder, text[len("<temp>/"):])
        if param == "char*":
            text = buffer(" " * int(text[1:].split("/")[0]) if text.startswith("@") else text)
        args.append(int(text) if param in ("uint32_t", "ResultCode") else text)
    return args


CODES = dict((name, int(value)) for name, value in build_list("result_codes.txt"))
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

# On Windows the host's code page answers CheckBureauName and real drives
# CheckDestFileDir; elsewhere no volume answers, so a path that gets as far as
# asking for one is invalid.
_WINDOWS = sys.platform == "win32"
LOGIC = [
    ("ValidateTheIP", CASES.address, lambda row: ((row.text,), row.acceptable)),
    ("ValidateNet", CASES.net, lambda row: ((row.host, row.mask, row.network, row.other), row.expected)),
    ("IsLetterfigureString", CASES.letterfigure, lambda row: ((row.text,), row.expected)),
    ("CheckBureauName", [] if _WINDOWS else CASES.names, lambda row: ((row.name,), row.single_byte)),
    ("CheckDestFileDir", [] if _WINDOWS else CASES.dest_dir,
     lambda row: ((row.path,), row.expected if row.root_asked is None else CODES["ERR_DEST_PATH_INVALID"])),
]
