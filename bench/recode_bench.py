"""Times one _Karvelin.Recode / Decode call at the sizes the installer passes,
beside bytes.hex() of the same text (a call that also doubles its input), in
one run. Checks once that the module gives exactly what a pure rendering of
the coding gives. Prints nanoseconds per call and the ratio to hex(); then the
calls with the log on: KARVELIN_LOG naming a file, and `logging` imported
and set up (records of failures taken, steps not). Nothing asserts on time."""
import os
import sys
import tempfile
import timeit

import _Karvelin


def py_recode(data, n):
    """Each of the first n bytes as two characters, the last byte's pair first."""
    out = bytearray(2 * n)
    for p in range(n):
        x = ((p % 255) + 1) ^ (~data[p] & 0xFF)
        offset = 40 + 7 * (p % 10)
        i = 2 * (n - 1 - p)
        out[i] = offset + (x >> 4)
        out[i + 1] = offset + (x & 0x0F)
    return bytes(out)


def py_decode(text, m):
    """The inverse over the first m characters, up to a NUL it yields."""
    c = m // 2
    out = bytearray(c)
    for i in range(c):
        p = c - 1 - i
        offset = 40 + 7 * (p % 10)
        x = ((text[2 * i] - offset) & 0x0F) << 4 | ((text[2 * i + 1] - offset) & 0x0F)
        out[p] = ~(x ^ ((p % 255) + 1)) & 0xFF
    # The module hands results over as NUL-terminated texts.
    nul = out.find(0)
    return bytes(out if nul < 0 else out[:nul])


def plain_bytes(size):
    """Printable bytes, as passwords and settings are (no NUL: text arguments)."""
    return bytes(33 + (i * 37 + 11) % 94 for i in range(size))


def mismatches(data):
    recoded = py_recode(data, len(data))
    odd = bytes(40 + i % 79 for i in range(len(data)))  # any text decodes
    cases = [
        ("Recode", data, len(data)),
        ("Decode", recoded, len(recoded)),
        ("Decode", recoded, len(recoded) - 1),
        ("Decode", odd, len(odd)),
    ]
    pure = {"Recode": py_recode, "Decode": py_decode}
    return ["%s(%d bytes, %d)" % (name, len(text), count) for name, text, count in cases
            if getattr(_Karvelin, name)(text, count) != pure[name](text, count)]


def nanoseconds_per_call(call):
    # The best of many short repeats: on a shared machine the steadiest figure.
    timer = timeit.Timer(call)
    number = max(1, timer.autorange()[0] // 4)
    return 1e9 * min(timer.repeat(repeat=25, number=number)) / number


def main():
    sizes = (8, 32, 255)
    failures = [m for size in sizes for m in mismatches(plain_bytes(size))]
    if failures:
        print("recode_bench.py: module and pure rendering differ: " + ", ".join(failures), file=sys.stderr)
        return 1

    print("%-6s %11s %11s %11s %9s %9s" % ("bytes", "Recode ns", "Decode ns", "hex() ns", "R/hex", "D/hex"))
    for size in sizes:
        data = plain_bytes(size)
        recoded = _Karvelin.Recode(data, size)
        recode = nanoseconds_per_call(lambda: _Karvelin.Recode(data, size))
        decode = nanoseconds_per_call(lambda: _Karvelin.Decode(recoded, 2 * size))
        hexed = nanoseconds_per_call(lambda: data.hex())
        print("%-6d %11.1f %11.1f %11.1f %9.2f %9.2f"
              % (size, recode, decode, hexed, recode / hexed, decode / hexed))

    # The log on: a file first, then `logging` (imported once, it stays).
    rows = {size: [] for size in sizes}
    with tempfile.TemporaryDirectory() as folder:
        for setting in ("off", "file", "logging"):
            if setting == "file":
                os.environ["KARVELIN_LOG"] = os.path.join(folder, "install.log")
            elif setting == "logging":
                del os.environ["KARVELIN_LOG"]
                import logging
                logging.basicConfig(level=logging.WARNING, stream=open(os.devnull, "w"))
            for size in sizes:
                data = plain_bytes(size)
                recoded = _Karvelin.Recode(data, size)
                rows[size] += [nanoseconds_per_call(lambda: _Karvelin.Recode(data, size)),
                               nanoseconds_per_call(lambda: _Karvelin.Decode(recoded, 2 * size))]
    print("%-6s %11s %11s %11s %11s %11s %11s" % ("bytes", "Recode off", "file", "logging",
                                                  "Decode off", "file", "logging"))
    for size in sizes:
        r = rows[size]
        print("%-6d %11.1f %11.1f %11.1f %11.1f %11.1f %11.1f" % (size, r[0], r[2], r[4], r[1], r[3], r[5]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
