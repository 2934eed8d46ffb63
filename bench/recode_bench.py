"""Times _Karvelin.Recode / Decode on bytes against the same coding in pure
Python, after checking once that both give exactly the same output. Prints
calls/s, MB/s (10^6 plain bytes) and the speed-up; nothing asserts on time."""
import random
import sys
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
    """The inverse over the first m characters: m // 2 bytes."""
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


def plain_bytes(size, seed):
    # Text arguments may not hold NUL bytes.
    rng = random.Random(seed)
    return bytes(rng.randrange(1, 256) for _ in range(size))


def check(samples):
    """Exact agreement of the module and the pure rendering; the mismatches."""
    failures = []
    for name, data in samples:
        recoded = py_recode(data, len(data))
        printable = bytes(random.Random(len(data)).randrange(40, 119) for _ in data)
        cases = [
            ("Recode", data, len(data), py_recode),
            ("Recode", data, len(data) // 3, py_recode),
            ("Recode", data, 0, py_recode),
            ("Decode", recoded, len(recoded), py_decode),
            ("Decode", recoded, len(recoded) - 1, py_decode),  # odd count
            ("Decode", recoded, len(recoded) // 3, py_decode),
            ("Decode", printable, len(printable), py_decode),  # any text, NULs possible
        ]
        for function, text, count, pure in cases:
            got = getattr(_Karvelin, function)(text, count)
            if got != pure(text, count):
                failures.append("%s(%s, %d)" % (function, name, count))
        if _Karvelin.Decode(_Karvelin.Recode(data, len(data)), 2 * len(data)) != data:
            failures.append("Decode(Recode(%s))" % name)
    return failures


def calls_per_second(call):
    timer = timeit.Timer(call)
    number, _ = timer.autorange()
    return number / min(timer.repeat(repeat=3, number=number))


def main():
    sizes = [("1 KiB", 1024), ("64 KiB", 64 * 1024)]
    inputs = [(label, plain_bytes(size, 0x5EED)) for label, size in sizes]

    failures = check(inputs)
    if failures:
        print("recode_bench.py: module and pure Python differ: " + ", ".join(failures), file=sys.stderr)
        return 1

    print("%-7s %-7s %12s %10s %12s %10s %9s"
          % ("size", "call", "module/s", "MB/s", "python/s", "MB/s", "speed-up"))
    for label, data in inputs:
        n = len(data)
        recoded = _Karvelin.Recode(data, n)
        rows = [
            ("Recode", lambda: _Karvelin.Recode(data, n), lambda: py_recode(data, n)),
            ("Decode", lambda: _Karvelin.Decode(recoded, 2 * n), lambda: py_decode(recoded, 2 * n)),
        ]
        for name, module_call, pure_call in rows:
            module = calls_per_second(module_call)
            pure = calls_per_second(pure_call)
            print("%-7s %-7s %12.1f %10.2f %12.1f %10.2f %8.1fx"
                  % (label, name, module, module * n / 1e6, pure, pure * n / 1e6, module / pure))
    return 0


if __name__ == "__main__":
    sys.exit(main())
