"""What kill_matrix.py, redundant.py and least_value.py share: each test's covered lines
(coverage.sh's output), what it kills and catches, and its size in non-blank lines of its source."""
import glob
import json
import os
import re

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def coverage(out, lines_only=False):
    """{test: set of "file:line" (and, unless lines_only, "file:line:block:branch")}."""
    tests = {}
    for path in glob.glob(out + "/cov/*.txt"):
        items = (x for x in open(path).read().split("\n") if x)
        if lines_only:
            items = (x for x in items if x.count(":") == 1)
        tests[os.path.basename(path)[:-4]] = set(items)
    return tests


def add_catches(cov, mutants, fault_results=None):
    """Adds to each test's items the mutants it kills (kill_matrix.py's results) and the faults it
    catches (run.py's results); tests since dropped are not in `cov` and kill nothing."""
    for i, line in enumerate(open(mutants)):
        for test in json.loads(line).get("killers", []):
            if test in cov:
                cov[test].add(f"mutant {i}")
    if fault_results:
        for line in open(fault_results):
            fields = line.rstrip("\n").split("\t")
            if len(fields) > 2 and fields[2].startswith("caught by"):
                for name in fields[2].split(": ", 1)[1].split():
                    test = "ctest:" + name.replace("/", "#")
                    if test in cov:
                        cov[test].add("fault " + fields[0])


def keep_option(args):
    """Takes "--keep REGEX" out of `args`; the compiled REGEX, or None."""
    if "--keep" not in args:
        return None
    i = args.index("--keep")
    keep = re.compile(args[i + 1])
    del args[i:i + 2]
    return keep


def _blocks(path, start):
    """Non-blank lines of each block that begins where `start` matches, to the next one."""
    text = open(path).read().split("\n")
    starts = [(i, m) for i, line in enumerate(text) for m in [start.match(line)] if m]
    sizes = {}
    for k, (i, m) in enumerate(starts):
        end = starts[k + 1][0] if k + 1 < len(starts) else len(text)
        sizes[m] = sum(1 for line in text[i:end] if line.strip())
    return sizes


_unit = {}
for f in glob.glob(REPO + "/tests/unit/*.cpp"):
    for m, n in _blocks(f, re.compile(r"TEST(?:_F|_P)?\((\w+),\s*(\w+)\)")).items():
        _unit[m.group(1) + "." + m.group(2)] = n
_window = {m.group(1): n for m, n in _blocks(REPO + "/tests/gui/window_test.cpp",
                                              re.compile(r"void WindowTest::(\w+)\(\) \{")).items()}


def size(test):
    """A test's own lines; 0 for those that cannot go alone (bus, install, fuzz, instances)."""
    kind, name = test.split(":", 1)
    if kind == "gui":
        return _window.get(name, 0) + _window.get(name + "_data", 0)
    if name.startswith("scenario."):
        path = f"{REPO}/tests/scenarios/{name[9:]}.xs"
        return sum(1 for line in open(path) if line.strip()) if os.path.exists(path) else 0
    if "#" in name:  # Instance/Suite.Case/Param: one instance of several cannot go alone
        return 0
    return _unit.get(name, 0)
