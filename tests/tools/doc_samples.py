"""The samples a page shows, run: each ```text block after a "<!-- sample -->"
line holds, after a "# ..." line that may say which face of the program the
block shows, commands ("$ karvelin ARG...", shell-quoted; "# exit status N"
after one gives its status, 0 otherwise), each followed by what it prints on
both streams. A "..." line stands for any lines, "..." within a line for any
text. The commands run in a temporary folder.

usage: doc_samples.py PAGE PROGRAM
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile

page, program = sys.argv[1], os.path.abspath(sys.argv[2])
samples = []  # (line number, arguments, status, expected lines)
marked = inside = False
for number, line in enumerate(open(page, encoding="utf-8").read().split("\n"), 1):
    if line == "<!-- sample -->":
        marked = True
    elif marked and line == "```text":
        marked, inside, first = False, True, True
    elif inside and first and line.startswith("# "):
        first = False  # the block's caption
    elif inside and line == "```":
        inside = False
    elif inside and line.startswith("$ "):
        first = False
        words = shlex.split(line[2:], comments=True)
        status = re.search(r"# exit status (\d+)$", line)
        assert words[0] == "karvelin", "%s:%d: not a karvelin command" % (page, number)
        samples.append((number, words[1:], int(status.group(1)) if status else 0, []))
    elif inside:
        assert samples, "%s:%d: output before a command" % (page, number)
        samples[-1][3].append(line)
assert samples, "no sample in " + page

failures = 0
with tempfile.TemporaryDirectory() as folder:
    for number, args, status, lines in samples:
        done = subprocess.run([program] + args, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        shown = done.stdout.decode("utf-8", "replace")
        pattern = "".join("(?:.*\n)*" if line == "..." else re.escape(line).replace(r"\.\.\.", ".*") + "\n"
                          for line in lines)
        if done.returncode != status or not re.fullmatch(pattern, shown):
            failures += 1
            print("FAIL %s:%d karvelin %s: exit status %d (the page: %d); it printed\n%s-- the page shows\n%s\n"
                  % (page, number, " ".join(args), done.returncode, status, shown, "\n".join(lines)))
print("%d of %d samples print what the page shows" % (len(samples) - failures, len(samples)))
sys.exit(1 if failures else 0)
