#!/usr/bin/env python3
"""The tests that add least per line: taken greedily until LINES lines of test are gone, each
step the test whose lines and branches covered by no other remaining test, and mutants killed by
no other, weigh least per line of its own (a line 1, a branch 0.5, a mutant 8). A test that alone
catches one of the faults never goes. Prints each with its size and weight, then what is given
up.

Usage: scripts/mutants/least_value.py COVERAGE MUTANTS FAULT_RESULTS LINES [--keep REGEX]
"""
import collections
import sys

import suite

args = sys.argv[1:]
keep = suite.keep_option(args)
cov = suite.coverage(args[0])
suite.add_catches(cov, args[1], args[2])
budget = int(args[3])


def weight(item):
    if item.startswith("fault"):
        return float("inf")
    if item.startswith("mutant"):
        return 8.0
    return 1.0 if item.count(":") == 1 else 0.5


holders = collections.defaultdict(set)
for test, items in cov.items():
    for item in items:
        holders[item].add(test)
left = {t for t in cov if suite.size(t) > 0 and not (keep and keep.search(t))}


def loss(test):
    return sum(weight(item) for item in cov[test] if len(holders[item]) == 1)


total = 0
while total < budget and left:
    test = min(left, key=lambda t: (loss(t) / suite.size(t), t))
    if loss(test) == float("inf"):
        break
    print(f"{suite.size(test):5d} {loss(test):7.1f} {test}")
    left.discard(test)
    total += suite.size(test)
    for item in cov[test]:
        holders[item].discard(test)
gone = [item for item, tests in holders.items() if not tests]
lines = sum(1 for item in holders if item.count(":") == 1)
mutants = sum(1 for item in holders if item.startswith("mutant"))
print(f"{total} lines of test; given up: {sum(1 for i in gone if i.count(':') == 1)} of {lines} "
      f"covered lines, {sum(1 for i in gone if i.startswith('mutant'))} of {mutants} killed mutants")
