#!/usr/bin/env python3
"""The tests that catch nothing the others do not: every line and branch they cover, every mutant
they kill (kill_matrix.py) and every fault they catch (run.py) is covered, killed or caught by a
test that stays. Taken greedily, biggest first; prints each with its size in lines.

Usage: scripts/mutants/redundant.py COVERAGE MUTANTS [FAULT_RESULTS] [--keep REGEX]

Tests matching REGEX stay whatever the figures say (regressions, hostile input, what coverage
cannot see: documents, templates, the capture dissector, timing and races).
"""
import collections
import sys

import suite

args = sys.argv[1:]
keep = suite.keep_option(args)
cov = suite.coverage(args[0])
suite.add_catches(cov, args[1], args[2] if len(args) > 2 else None)
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
