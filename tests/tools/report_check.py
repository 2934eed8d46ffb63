"""karvelin report, as text and as JSON: every function of the table shows,
the JSON object parses with its stable keys, every sample has its answer,
and every code has its name.

usage: report_check.py BUILD_DIR COMMAND... (the program, perhaps behind an emulator)
BUILD_DIR holds the build's lists, functions.txt and result_codes.txt.
"""
import json
import os
import re
import subprocess
import sys

lists, command = sys.argv[1], sys.argv[2:]
with open(lists + "/functions.txt") as table:
    functions = [line.split("\t")[0] for line in table]
with open(lists + "/result_codes.txt") as header:
    rows = [(int(value), name) for name, value in (line.rstrip("\n").split("\t") for line in header)]
rows.insert(0, (0, "OK"))
codes = dict(rows)


def run(*args):
    done = subprocess.run(command + list(args), stdout=subprocess.PIPE, check=False)
    output = done.stdout.decode("utf-8").replace("\r\n", "\n")
    assert done.returncode == 0, "exit %d:\n%s" % (done.returncode, output)
    return output


text = run("report")
missing = [name for name in functions if not re.search(r"\b%s\b" % name, text)]
assert not missing, "not in the text report: %s" % missing

report = json.loads(run("report", "--json"))
# The keys, in order, and an adapter's, as docs/program.md gives them.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "program.md")) as page:
    keys_table = page.read().split("these keys in this order:")[1].split("\n\n")[1]
KEYS = re.findall(r"^\| `(\w+)` \|", keys_table, re.MULTILINE)
ADAPTER_KEYS = re.findall(r'"(\w+)"', re.search(r'"adapters": \[\{(.*?)\}', keys_table).group(1))
assert list(report) == KEYS and ADAPTER_KEYS, (list(report), KEYS, ADAPTER_KEYS)
shown = list(report["host"]) + list(report["folders"]) + report["not_run"]
shown += [report[key]["function"] for key in ("host_addresses", "adapters", "result_codes")]
shown += [sample["function"] for sample in report["samples"]]
assert sorted(set(shown)) == sorted(functions), sorted(set(functions) ^ set(shown))


def check_codes(value):
    """Every {"code", "name"} object names its code as the header does."""
    if isinstance(value, dict):
        if set(value) == {"code", "name"}:
            assert value["name"] == codes[value["code"]], value
        for item in value.values():
            check_codes(item)
    elif isinstance(value, list):
        for item in value:
            check_codes(item)


# Each sample of the table's functions that only read, with its answer and
# buffer, in the table's order, worked out from the functions' rules; a
# refused sample (no answer) fails. The drives' answers are the host's own.
def code(name):
    return {"code": [value for value, known in rows if known == name][0], "name": name}


def trimmed(strip):
    return lambda text: (None, strip(text).ljust(len(text), "\0"))


HOST = object()
with open(lists + "/samples.txt") as listed:
    table_samples = [tuple(line.rstrip("\n").split("\t")) for line in listed]
first = dict((sample[0], sample[1:]) for sample in reversed(table_samples))
ANSWERS = {  # per function, its samples' answers in order
    "Recode": [(first["Decode"][0], None)],  # the table's Recode and Decode samples undo each other
    "Decode": [(first["Recode"][0], None)],
    "TrimRight": [trimmed(str.rstrip)],
    "TrimLeft": [trimmed(str.lstrip)],
    "ValidateNet": [(code("OK"), None), (code("ERR_NET_SUBNET_MISMATCH"), None)],
    "ValidateTheIP": [(1, None), (0, None), (0, None)],
    "IsLetterfigureString": [(code("OK"), None), (code("ERR_NOT_LETTERFIGURE"), None)],
    "CheckBureauName": [(code("OK"), None), (code("ERR_BAD_BUREAU_NAME"), None)],
    "CheckDestFileDir": [(HOST, None), (code("ERR_DEST_PATH_IS_ROOT"), None), (code("ERR_DEST_PATH_HAS_DOT"), None),
                         (HOST, None)],
}
expected = [sample for sample in table_samples if sample[0] in ANSWERS]
keys = [tuple([sample["function"]] + sample["arguments"]) for sample in report["samples"]]
assert keys == expected, sorted(set(keys) ^ set(expected))
taken = {}
for key, sample in zip(keys, report["samples"]):
    taken[key[0]] = taken.get(key[0], -1) + 1
    answer = ANSWERS[key[0]][taken[key[0]]]
    answer, buffer = answer(key[1]) if callable(answer) else answer
    assert sample["answer"] == answer or answer is HOST and isinstance(sample["answer"], dict), sample
    assert sample.get("buffer") == buffer, sample

def number(address):
    return int.from_bytes(bytes(int(part) for part in address.split(".")), "big")


check_codes(report)
assert [(entry["code"], entry["name"]) for entry in report["result_codes"]["codes"]] == rows
for adapter in report["adapters"]["adapters"]:
    assert list(adapter) == ADAPTER_KEYS
    assert number(adapter["network"]) == number(adapter["address"]) & number(adapter["mask"]), adapter
assert all(isinstance(address, str) for address in report["host_addresses"]["addresses"])
print("report: %d functions shown, %d adapters, %d host addresses" % (
    len(functions), len(report["adapters"]["adapters"]), len(report["host_addresses"]["addresses"])))

# Any bytes a text may hold come out as strict UTF-8 JSON: a sequence that is
# not UTF-8 becomes U+FFFD as Python's "replace" makes it (natively, where the
# bytes reach the program as given; under Wine the ANSI text is converted).
INVALID = [b"\xc0\x80", b"\xc1\xbf", b"\xe0\x80\x80", b"\xed\xa0\x80", b"\xed\xbf\xbf", b"\xf4\x90\x80\x80",
           b"\xf5\x80\x80\x80", b"\xf8\x88\x80\x80\x80", b"\xff\xfe", b"a\x80b", b"\xe2\x82", b"\xe2\x82A",
           b"\xf0\x9f\x98", b"\xe2\x82\xac \xf0\x9f\x98\x80", b"\x01\"\\\x7f"]
# Under Wine, a text the ANSI code page cannot carry is refused whole (exit 2)
# rather than read with other characters in its place.
refused = 0
for text in INVALID:
    done = subprocess.run(command + ["TrimLeft", "--json", "--", text], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=False)
    if len(command) > 1 and done.returncode == 2 and b"ANSI code page" in done.stderr:
        refused += 1
        continue
    call = json.loads(done.stdout.decode("utf-8", "strict"))
    assert done.returncode == 0 and call["function"] == "TrimLeft", (text, done)
    assert len(command) > 1 or call["buffer"] == text.decode("utf-8", "replace"), (text, call)
done = subprocess.run(command + ["Decode", "--json", "6<+6"], stdout=subprocess.PIPE, check=False)  # C0 80
assert json.loads(done.stdout.decode("utf-8", "strict"))["answer"] in ("\ufffd\ufffd", "\u00c0\u20ac"), done
assert refused < len(INVALID), "every text refused"
print("json: %d texts that are not UTF-8 written as strict UTF-8, %d refused" % (len(INVALID) - refused, refused))
