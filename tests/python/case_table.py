"""The native tests' case tables and the library's result codes, as the build
wrote them (KARVELIN_BUILD_DIR): one reading for both interpreters' suites.

CASES.<table> is a list of rows with named fields (cases.json, written by
case_rows.cpp); texts are bytes (str under 2.7), result codes their values.
CODES maps each result code's name to its value (result_codes.txt). TABLE is
the function table (name, C type, argument names), BUILT its names in table
order, SAMPLES each function's first sample call (samples.txt), and STUB the
path of the module's stub; SUMMARIES each function's summary from the
function table's notes; sample_args gives a sample's arguments. LOGIC: the rows both suites run through the module,
as function name, rows, and each row's arguments and answer. ARGUMENT_ERRORS:
the argument lists the module refuses, with the error and the start of its
message on the running interpreter's line."""
import collections
import json
import os
import re
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


with open(os.path.join(os.path.dirname(STUB), "..", "module", "function_table.h")) as _header:
    _notes = re.findall(r'N\((\w+), \w+, \w+, ((?:\s*"(?:[^"\\]|\\.)*")+)\)', _header.read().replace("\\\n", ""))
SUMMARIES = dict((name, "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', texts)).replace('\\"', '"'))
                 for name, texts in _notes)



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

# On Windows the host's code page answers CheckBureauName, real drives
# CheckDestFileDir and the command interpreter RunSilent; elsewhere no volume
# answers, so a path that gets as far as asking for one is invalid.
_WINDOWS = sys.platform == "win32"
LOGIC = [
    ("ValidateTheIP", CASES.address, lambda row: ((row.text,), row.acceptable)),
    ("ValidateNet", CASES.net, lambda row: ((row.host, row.mask, row.network, row.other), row.expected)),
    ("IsLetterfigureString", CASES.letterfigure, lambda row: ((row.text,), row.expected)),
    ("CheckBureauName", [] if _WINDOWS else CASES.names, lambda row: ((row.name,), row.single_byte)),
    ("CheckDestFileDir", [] if _WINDOWS else CASES.dest_dir,
     lambda row: ((row.path,), row.expected if row.root_asked is None else CODES["ERR_DEST_PATH_INVALID"])),
    # A result code's text: its 32 bits as unsigned decimal.
    ("GetErrorDescription", [0, CODES["ERR_OS_UNSUPPORTED"], -1, -2147483648, 2147483647],
     lambda code: ((code,), str(code % 2 ** 32))),
    ("RunSilent", [] if _WINDOWS else [(b"exit", b"3")], lambda row: (row, 3)),  # the shell's answer
]

# The argument errors, as (function, arguments, error and the start of its
# message under 3, the same under 2.7 or SAME, or None where that line takes the
# arguments). Under 3 a text buffer is a bytearray alone, and a text str or
# bytes; 2.7 keeps its interpreter's positional messages, and refuses a shared
# one-character string and an interned name (trimmed, they would change for the
# whole process) and a unicode object (its encoded copy is hidden).
PY2 = sys.version_info[0] == 2
SAME = object()
_intern = getattr(sys, "intern", None) or intern  # noqa: F821 (2.7's built-in)
_POSITION_1 = TypeError, "%s() argument 1 must be string"
_SHARED = ValueError, "%s() argument 'text' is a shared (interned) string: pass a string of your own"
_ABOVE = OverflowError, "signed integer is greater than maximum"
_ERRORS = (
    [(name, (1,), (TypeError, "%s() takes no arguments (1 given)"), (TypeError, "%s() takes exactly 0 arguments (1 given)"))
     for name, c_type, _ in TABLE if c_type.endswith("(void)")]
    + [("ValidateNet", tuple(5 if k == n else "10.0.0.1" for k in range(4)),
        (TypeError, "%%s() argument '%s' must be str or bytes, not int" % name),
        (TypeError, "%%s() argument %d must be string, not int" % (n + 1)))
       for n, name in enumerate(["host", "mask", "network", "other"])]
    + [("IsLetterfigureString", (bad,), (TypeError, "%s() argument 'text' must be str or bytes"), _POSITION_1)
       for bad in [None, 1, 1.5, bytearray(b"abc"), ["a"]]]
    + [("CheckBureauName", (text,), ((TypeError, ValueError), "%s() argument 'name': embedded null"),
        (TypeError, "%s() argument 1 must be string without null bytes")) for text in ["a\0b", b"a\0b"]]
    # A bytearray only for a buffer: the stable ABI of the module's floor (3.9) has no other writable one.
    + [(name, (text,), (TypeError, "%%s() argument 'text' must be bytearray, not %s" % type(text).__name__), py2)
       for name in ("TrimRight", "TrimLeft")
       for text, py2 in [(memoryview(bytearray(b"  ab")), _POSITION_1), (None, _POSITION_1),
                         ("  ab", None), (b"  ab", None),  # 2.7 would trim the literal
                         (chr(32), _SHARED), (_intern("abc"), _SHARED), (b"ab", _SHARED),
                         (u"ab  ", (TypeError, "%s() argument 'text' must be str, not unicode"))]]
    + [(name, (b"abc", count), (ValueError, "%%s() count %d is outside the text of 3 bytes" % count), SAME)
       for name in ("Recode", "Decode") for count in (-1, 4, 2147483647, -2147483648)]
    + [(name, (b"abc", 2 ** 31), (OverflowError, "%s() argument 'count'"), _ABOVE) for name in ("Recode", "Decode")]
    + [
        ("ValidateNet", ("a", "b", "c"), (TypeError, "%s() takes exactly 4 arguments (3 given)"), SAME),
        ("GetErrorDescription", ("1",), (TypeError, "%s() argument 'code' must be int, not str"),
         (TypeError, "an integer is required")),
        ("GetErrorDescription", (2147483648,), (OverflowError, "%s() argument 'code': signed integer is greater"), _ABOVE),
        ("GetErrorDescription", (-2147483649,), (OverflowError, "%s() argument 'code'"),
         (OverflowError, "signed integer is less than minimum")),
        ("GetErrorDescription", (2 ** 63,), (OverflowError, "%s() argument 'code': signed integer is greater"),
         (OverflowError, "Python int too large to convert to C long")),
        ("GetErrorDescription", (), (TypeError, "%s()"), SAME),
        ("GetErrorDescription", (1, 2), (TypeError, "%s()"), SAME),
        ("Decode", ("ab", -1), (ValueError, "%s() count -1 is outside the text of 2 characters"),
         (ValueError, "%s() count -1 is outside the text of 2 bytes")),
    ]
)
ARGUMENT_ERRORS = []
for _name, _args, _py3, _py2 in _ERRORS:
    _expected = (_py3 if _py2 is SAME else _py2) if PY2 else _py3
    if _expected is not None:
        ARGUMENT_ERRORS.append((_name, _args, _expected[0], _expected[1].replace("%s", _name)))
