#!/usr/bin/env python3
"""The tests that catch nothing the others do not: every line and branch they cover, every mutant
they kill (kill_matrix.py) and every fault they catch (run.py) is covered, killed or caught by a
test that stays. Taken greedily, biggest first; prints each with its size in lines.

Usage: scripts/mutants/redundant.py COVERAGE MUTANTS [FAULT_RESULTS] [--keep REGEX]

Tests matching REGEX stay whatever the figures say (regressions, hostile input, what coverage
cannot see: documents, templates, the capture dissector, timing and races).
"""
import collections
import json
import re
import sys

import suite

args = sys.argv[1:]
keep = None
if "--keep" in args:
    i = args.index("--keep")
    keep = re.compile(args[i + 1])
    del args[i:i + 2]
cov = suite.coverage(args[0])
for i, line in enumerate(open(args[1])):
    for test in json.loads(line).get("killers", []):
        if test in cov:  # a test since dropped kills nothing any more
            cov[test].add(f"mutant {i}")
if len(args) > 2:
    for line in open(args[2]):
        fields = line.rstrip("\n").split("\t")
        if len(fields) > 2 and fields[2].startswith("caught by"):
            for name in fields[2].split(": ", 1)[1].split():
                test = "ctest:" + name.replace("/", "#")
                if test in cov:
                    cov[test].add("fault " + fields[0])
count = collections.Counter(e for items in cov.values() for e in items)
total = 0
for test in sorted(cov, key=lambda t: (-suite.size(t), t)):
    if suite.size(test) == 0 or (keep and keep.search(test)):
        continue
    if all(count[e] >= 2 for e in cov[test]):
        for e in cov[test]:
            count[e] -= 1
        total += suite.size(test)
        print(f"{suite.size(test):5d} {test}")
print(f"{total} lines in all")
