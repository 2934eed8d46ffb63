"""_Karvelin under Python 3: names, argument parsing and result kinds."""
import contextlib
import inspect
import itertools
import logging
import os
import re
import sys
import threading
import time
import unittest

import pytest

import _Karvelin as K
from case_table import ARGUMENT_ERRORS, BUILT, CASES, CODES, LOGIC, SAMPLES, STUB, SUMMARIES, TABLE, sample_args


def test_namespace_holds_the_functions_and_nothing_else():
    own = [name for name in vars(K) if not name.startswith("__")]
    assert own == BUILT  # in the module's table order
    assert K.__doc__.startswith("Karvelin, installation utilities")
    for name, _, arguments in TABLE:  # the signature from the argument names, then the summary
        positional = arguments.lower().split() + (["/"] if arguments else [])
        assert (str(inspect.signature(getattr(K, name))), getattr(K, name).__doc__) == \
            ("(%s)" % ", ".join(positional), SUMMARIES[name]), name


# ---- every function, wired: the stub, the table and the module agree ----


def stub_signatures():
    """The stub's functions in its order: name, parameter annotations, answer."""
    with open(STUB) as stub:
        found = re.findall(r"^def (\w+)\((.*)\) -> (.+): \.\.\.$", stub.read(), re.MULTILINE)
    return [(name, [p.split(": ")[1] for p in params.split(", ") if ": " in p], answer)
            for name, params, answer in found]


# What the stub says for each C type of the table.
STUB_PARAMETERS = {"const char*": ("_Text", "AnyStr"), "char*": ("bytearray",), "uint32_t": ("int",),
                   "ResultCode": ("int",)}
STUB_ANSWERS = {"ResultCode": ("int",), "int32_t": ("int", "None"), "const char*": ("str",),
                "char*": ("Optional[AnyStr]",), "void": ("None",)}


def test_stub_is_the_function_table():
    stub = stub_signatures()
    assert [name for name, _, _ in stub] == BUILT
    for (name, c_type, _), (_, params, answer) in zip(TABLE, stub):
        result, c_params = re.match(r"^(.*?)\((.*)\)$", c_type).groups()
        c_params = [p.strip() for p in c_params.split(",") if p.strip() not in ("", "void")]
        assert len(params) == len(c_params), name
        assert all(p in STUB_PARAMETERS[c] for p, c in zip(params, c_params)), (name, params, c_params)
        assert answer in STUB_ANSWERS[result.strip()], (name, answer)


@pytest.mark.parametrize("name, answer", [pytest.param(name, answer, id=name) for name, _, answer in stub_signatures()])
def test_each_function_takes_its_sample_and_answers_its_stub_type(name, answer, tmp_path):
    args = sample_args(name, str(tmp_path), lambda text: bytearray(text.encode()))
    result = getattr(K, name)(*args)
    kinds = {"int": int, "str": str, "None": type(None), "Optional[AnyStr]": (type((args or [""])[0]), type(None))}
    assert isinstance(result, kinds[answer]) and type(result) is not bool, (name, result)


# ---- argument errors (case_table.ARGUMENT_ERRORS): the error, and the start of its message ----


@pytest.mark.parametrize("name, args, error, message", ARGUMENT_ERRORS)
def test_argument_errors_name_the_function_and_the_argument(name, args, error, message):
    with pytest.raises(error) as raised:
        getattr(K, name)(*args)
    assert str(raised.value).startswith(message)


# ---- the logic's rows (case_table.LOGIC), with texts as bytes and as str (in the ANSI code page) ----


@pytest.mark.parametrize("name, row, case", [(name, row, case) for name, rows, case in LOGIC for row in rows])
def test_logic_rows(name, row, case):
    args, expected = case(row)
    # str encodes to the same bytes
    for texts in [args, tuple(os.fsdecode(arg) if isinstance(arg, bytes) else arg for arg in args)]:
        assert getattr(K, name)(*texts) == expected


# ---- trimming: a writable buffer, trimmed in place ----


@pytest.mark.parametrize("row", CASES.trim)
def test_trim_in_place(row):
    # The rows give the old extent with the text's NUL; the bytearray is the text alone.
    for function, after in [(K.TrimRight, row.after_right), (K.TrimLeft, row.after_left)]:
        buffer = bytearray(row.text)
        assert function(buffer) is None
        assert buffer == after[: len(row.text)]


def test_trim_leaves_255_bytes_alone():
    for text in [b" " * 255, b" " + b"x" * 253 + b" " + b" "]:
        buffer = bytearray(text)
        K.TrimRight(buffer)
        K.TrimLeft(buffer)
        assert buffer == bytearray(text)
    buffer = bytearray(b" " + b"x" * 252 + b" ")  # 254 bytes: trimmed
    K.TrimRight(buffer)
    assert buffer == bytearray(b" " + b"x" * 252 + b"\0")


# ---- host addresses and adapters: outputs written only when they fit ----

GUARD = 0x01  # a byte neither output holds


@pytest.mark.parametrize("function, answer, nul", [(K.GetHostIPAddr, None, False), (K.GetAddress, 0, True)])
def test_record_buffers_are_filled_or_refused_whole(function, answer, nul):
    full = bytearray([GUARD]) * 65536
    assert function(full) == answer
    # The records: 16 bytes per address, no NUL; the list: its text and a NUL.
    need = full.index(0) + 1 if nul else full.index(GUARD)
    records = bytes(full[:need])
    assert (records.endswith(b"\t\0") and records.count(b"\t") % 5 == 0) if nul else len(records) % 16 == 0
    for length in range(need + 3):
        buffer = bytearray([GUARD]) * length
        if length < need:
            with pytest.raises(ValueError) as raised:
                function(buffer)
            # The size needed, for the caller to read.
            assert raised.value.args == ("%s() needs a buffer of %d bytes, not %d" % (function.__name__, need, length),
                                         need)
            assert buffer == bytearray([GUARD]) * length
        else:
            assert function(buffer) == answer
            assert buffer == records + bytearray([GUARD]) * (length - need)


def test_trim_sweeps_every_buffer_length():
    content = b"  ab  \0zz"
    for length in range(len(content) + 1):
        before = content[:length]
        text = before.split(b"\0")[0]
        for function, kept in [(K.TrimRight, text.rstrip(b" ")), (K.TrimLeft, text.lstrip(b" "))]:
            buffer = bytearray(before)
            function(buffer)
            assert buffer == kept + b"\0" * (len(text) - len(kept)) + before[len(text):]


# ---- reversible encoding ----


def test_recode_worked_example_and_types():
    plain, encoded = SAMPLES["Recode"][0], SAMPLES["Decode"][0]  # the table's; they undo each other
    assert K.Recode(plain, 3) == encoded
    assert K.Recode(plain.encode(), 3) == encoded.encode()
    assert K.Recode(b"a", 1) == b"17"
    assert K.Decode(encoded, 6) == plain
    assert K.Decode(encoded.encode() + b"x", 7) == plain.encode()
    assert K.Recode("", 0) == "" and K.Decode(b"x", 1) == b""
    assert K.Recode(b"abc", 1) == K.Recode(b"a", 1)  # the count, not the text, says how much


def test_recode_round_trip_every_byte_value():
    plain = bytes(range(1, 256)) * 3
    encoded = K.Recode(plain, len(plain))
    assert len(encoded) == 2 * len(plain)
    assert all(40 <= c <= 118 for c in encoded)
    assert K.Decode(encoded, len(encoded)) == plain
    # Decoded from a str, any bytes come back unchanged as a str.
    decoded = K.Decode(encoded.decode("ascii"), len(encoded))
    assert type(decoded) is str
    assert decoded.encode(sys.getfilesystemencoding(), "surrogateescape") == plain


def test_decode_stops_at_a_decoded_nul():
    encoded = K.Recode(b"\x01\x01", 2)
    # The first plain byte's pair comes last; "76" decodes to 0 at position 0
    # (x = 1 XOR 0xFF = 0xFE, offset 40). The library still decoded both bytes.
    assert K.Decode(encoded[:2] + b"76", 4) == b""
    assert K.Decode(encoded, 4) == b"\x01\x01"


@pytest.mark.parametrize("text", ["café", "caf\udce9", "中文名"])
def test_recode_of_str_counts_characters_and_round_trips(text):
    # \udce9: a byte that is no UTF-8, as the filesystem encoding keeps it.
    data = text.encode(sys.getfilesystemencoding(), "surrogateescape")
    encoded = K.Recode(text, len(text))
    assert encoded == K.Recode(data, len(data)).decode("ascii")
    assert K.Decode(encoded, len(encoded)) == text
    head = text[:2].encode(sys.getfilesystemencoding(), "surrogateescape")
    assert K.Recode(text, 2) == K.Recode(head, len(head)).decode("ascii")
    with pytest.raises(ValueError):
        K.Recode(text, len(text) + 1)


# ---- silent command execution (through /bin/sh on Linux) ----


@contextlib.contextmanager
def meanwhile(step):
    """Runs `step` over and over in another thread while the body runs."""
    stop = threading.Event()
    thread = threading.Thread(target=lambda: [step() for _ in iter(stop.is_set, True)])
    thread.start()
    try:
        yield
    finally:
        stop.set()
        thread.join()


@pytest.mark.skipif(sys.platform == "win32", reason="runs the shell's sleep")
def test_run_silent_lets_other_threads_run_while_it_waits():
    stamps = []
    with meanwhile(lambda: stamps.append(time.monotonic()) or time.sleep(0.05)):
        assert K.RunSilent("sleep", "0.4") == 0
        finished = time.monotonic()
    assert stamps[1] < finished - 0.2  # made after a wait of its own: while the command ran, not after


@pytest.mark.skipif(sys.platform == "win32", reason="the shell's answers")
def test_calls_that_read_the_environment_while_another_thread_changes_it(tmp_path):
    # New names make the C library grow (and move) the environment, and a
    # replaced value is freed: RunSilent's start and DelFilesAndDir's look at
    # HOME, made with the lock released, must read neither.
    counter = itertools.count()

    def churn():
        i = next(counter)
        name = "KARVELIN_LOG" if i % 5 == 0 else "KARVELIN_CHURN_%d" % (i % 97)
        if name in os.environ:
            del os.environ[name]
        else:
            os.environ[name] = str(tmp_path / "log") + "x" * (i % 50)

    deadline, answers = time.monotonic() + 1.5, set()
    try:
        with meanwhile(churn):
            while time.monotonic() < deadline:
                answers.add(K.RunSilent("exit", "7"))
                tree = tmp_path / "tree"
                tree.mkdir()
                K.DelFilesAndDir(str(tree))
                answers.add(tree.exists())
    finally:
        for name in [n for n in os.environ if n.startswith(("KARVELIN_CHURN_", "KARVELIN_LOG"))]:
            del os.environ[name]
    assert answers == {7, False}


def test_log_reaches_logging_and_the_file_and_changes_no_answer(tmp_path, monkeypatch):
    monkeypatch.setenv("KARVELIN_LOG", str(tmp_path / "install.log"))
    with unittest.TestCase().assertLogs("karvelin", "DEBUG") as logs:
        assert K.CheckDestFileDir("C:\\") == CODES["ERR_DEST_PATH_IS_ROOT"]
        K.Recode("karvelin-secret-marker", 22)
    levels = {r.getMessage().split(":")[0]: r.levelname for r in logs.records}
    assert levels == {"CheckDestFileDir": "WARNING", "Recode": "DEBUG"}, logs.output

    class Failing(logging.Filter):  # a logger that raises: the answer stays
        def filter(self, record):
            raise RuntimeError("the logger fails")
    failing, logger = Failing(), logging.getLogger("karvelin")
    logger.addFilter(failing)
    logger.setLevel(logging.DEBUG)  # two records: each refused
    try:
        assert K.CheckDestFileDir("C:\\") == CODES["ERR_DEST_PATH_IS_ROOT"]
    finally:
        logger.removeFilter(failing)
        logger.setLevel(logging.NOTSET)
    lines = (tmp_path / "install.log").read_text()
    assert lines.count("failure CheckDestFileDir: ") == 2 and "secret-marker" not in lines, lines


# ---- file copy and tree removal ----


def test_copy_the_file_and_del_files_and_dir(tmp_path):
    source, tree = tmp_path / "source.txt", tmp_path / "tree"
    source.write_bytes(b"abc")
    (tree / "sub").mkdir(parents=True)
    assert K.CopyTheFile(str(source), str(tree / "sub" / "copy.txt")) == 1
    assert (tree / "sub" / "copy.txt").read_bytes() == b"abc"
    assert K.DelFilesAndDir(str(tree)) is None
    assert not tree.exists() and source.exists()


def test_copy_the_file_takes_the_current_folder_once(tmp_path):
    # A thread that changes folder while copies run steers neither relative
    # name: each copy lies beside the source it was copied from.
    folders = [tmp_path / "a", tmp_path / "b"]
    for folder in folders:
        folder.mkdir()
        (folder / "source.txt").write_text(folder.name)
    saved, copies = os.getcwd(), []
    os.chdir(folders[0])
    try:
        with meanwhile(lambda: [os.chdir(folder) for folder in folders]):
            for _ in range(1000):
                for folder in folders:
                    (folder / "copy.txt").unlink(missing_ok=True)
                K.CopyTheFile("source.txt", "copy.txt")
                copies.append([(f.name, (f / "copy.txt").read_text()) for f in folders if (f / "copy.txt").exists()])
    finally:
        os.chdir(saved)
    assert [c for c in copies if c not in ([("a", "a")], [("b", "b")])] == []


def test_del_files_and_dir_takes_the_current_folder_once(tmp_path):
    # The folder current when the call is made is the one whose tree goes. The
    # other thread can move only once the call lets the lock go (the switch
    # interval is made too long to take it sooner); it then races the walk.
    folders, gone = [tmp_path / "a", tmp_path / "b"], []
    saved, interval = os.getcwd(), sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        for _ in range(200):
            for folder in folders:
                (folder / "tree" / "sub").mkdir(parents=True, exist_ok=True)
            os.chdir(folders[0])
            go = threading.Event()
            moved = threading.Thread(target=lambda: go.wait() and os.chdir(folders[1]))
            moved.start()
            go.set()
            K.DelFilesAndDir("tree")
            moved.join()
            gone.append([f.name for f in folders if not (f / "tree").exists()])
    finally:
        sys.setswitchinterval(interval)
        os.chdir(saved)
    assert [g for g in gone if g != ["a"]] == []
