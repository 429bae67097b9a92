#!/usr/bin/env python3
"""A kill matrix: one-line mutants on the lines of the tests named, each built and run against
every test that covers its line; the tests that fail are the mutant's killers.

Usage: scripts/mutants/kill_matrix.py COVERAGE BUILD RESULTS TESTS [QUOTA]

COVERAGE is coverage.sh's output; BUILD a configured build of this checkout (the coverage build
will do); TESTS a file of test names as coverage.sh names them, one a line. Each gets mutants on
its least-covered lines (covered by two tests or more: a line one test covers pins that test
already) until QUOTA (default 3) of the mutants in RESULTS lie on its lines. RESULTS takes a JSON
line a mutant and is read first, so a run can be stopped and taken up again.
"""
import collections
import json
import os
import random
import re
import signal
import subprocess
import sys

import suite

cov_dir, build, results, tests_file = sys.argv[1:5]
quota = int(sys.argv[5]) if len(sys.argv) > 5 else 3
signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # the finally below puts the code back
cov = suite.coverage(cov_dir, lines_only=True)
by_line = collections.defaultdict(set)
for test, lines in cov.items():
    for line in lines:
        by_line[line].add(test)

# Operators: relations, logic, off-by-one constants, flags, and a call statement left out.
OPERATORS = [(r" <= ", " < "), (r" >= ", " > "), (r" < ", " <= "), (r" > ", " >= "),
             (r" == ", " != "), (r" != ", " == "), (r" && ", " || "), (r" \|\| ", " && "),
             (r" \+ 1\b", " + 2"), (r" - 1\b", " - 2"), (r"\btrue\b", "false"),
             (r"\bfalse\b", "true"), (r"\+\+", "--"), (r"(?<![\w.])([2-9]|[1-9]\d+)(?![\w.])", None)]


def mutations(text):
    s = text.strip()
    if not s or s.startswith(("//", "#", "case ", "default:", "static_assert", "template")):
        return []
    out = []
    for pattern, replacement in OPERATORS:
        for m in re.finditer(pattern, text):
            new = str(int(m.group(0)) + 1) if replacement is None else replacement
            out.append(text[:m.start()] + new + text[m.end():])
    if re.match(r"^\s*[\w:.>\-\[\]()]+\(.*\);\s*$", text) and not s.startswith("return"):
        out.append(re.match(r"^(\s*)", text).group(1) + ";  // " + s + "\n")
    return out


def source(path):
    return open(os.path.join(suite.REPO, path)).readlines()


done = set()
if os.path.exists(results):
    done = {tuple(json.loads(line)["where"]) for line in open(results)}
have = collections.Counter(t for f, n in done for t in by_line.get(f"{f}:{n}", ()))
random.seed(11)
plan = []
for test in (line.strip() for line in open(tests_file) if line.strip()):
    need = quota - have[test]
    lines = sorted(cov.get(test, ()), key=lambda e: (len(by_line[e]), random.random()))
    for e in lines:
        if need <= 0:
            break
        path, number = e.rsplit(":", 1)
        if len(by_line[e]) < 2 or (path, int(number)) in done or not path.endswith((".cpp", ".h", ".c")):
            continue
        text = source(path)
        if int(number) > len(text) or not mutations(text[int(number) - 1]):
            continue
        plan.append((path, int(number)))
        done.add((path, int(number)))
        need -= 1
print(len(plan), "mutants planned", flush=True)

env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LLVM_PROFILE_FILE="/dev/null")
for k, (path, number) in enumerate(plan, 1):
    text = source(path)
    original = text[number - 1]
    text[number - 1] = random.choice(mutations(original))
    record = {"where": [path, number], "from": original.strip(), "to": text[number - 1].strip()}
    try:
        open(os.path.join(suite.REPO, path), "w").writelines(text)
        if subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True).returncode:
            record["status"] = "nobuild"
        else:
            tests = sorted(by_line[f"{path}:{number}"])
            killers = []
            names = [t[6:].replace("#", "/") for t in tests if t.startswith("ctest:")]
            if names:
                pattern = "^(" + "|".join(re.escape(n) for n in names) + ")( |$)"
                run = subprocess.run(["ctest", "-R", pattern, "-j2", "--timeout", "30"], cwd=build,
                                     capture_output=True, text=True, env=env)
                for line in run.stdout.split("\n"):
                    m = re.match(r"\s*\d+ - (\S+) [(#]", line)
                    if m:
                        killers.append("ctest:" + m.group(1).replace("/", "#"))
            for t in (t for t in tests if t.startswith("gui:")):
                run = subprocess.run(["timeout", "30", "./gui_tests", t[4:]], cwd=build + "/tests/gui",
                                     capture_output=True, env=env)
                if run.returncode:
                    killers.append(t)
            record.update(status="run", ran=tests, killers=killers)
    finally:
        text[number - 1] = original
        open(os.path.join(suite.REPO, path), "w").writelines(text)
    with open(results, "a") as h:
        h.write(json.dumps(record) + "\n")
    print(k, record["status"], path, number, len(record.get("killers", [])), "/",
          len(record.get("ran", [])), flush=True)
