#!/usr/bin/env python3
"""Merges each test's profiles (OUT/raw/<test>/) and writes the lines and branches of the
station's code it covers to OUT/cov/<test>.txt. Called by coverage.sh.

Usage: covered.py BUILD OUT
"""
import glob
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

build, out = sys.argv[1], sys.argv[2]
repo = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
objects = []
for root, _, files in os.walk(build):
    if "CMakeFiles" in root or "_autogen" in root:
        continue
    for f in files:
        p = os.path.join(root, f)
        if os.path.islink(p) or not (f.endswith(".so") or ("." not in f and os.access(p, os.X_OK))):
            continue
        with open(p, "rb") as h:
            if h.read(4) == b"\x7fELF":
                objects.append(p)
os.makedirs(out + "/cov", exist_ok=True)


def one(folder):
    name = os.path.basename(folder)
    raws = glob.glob(folder + "/*.profraw")
    covered = []
    if raws:
        profile = folder + "/merged.profdata"
        subprocess.run(["llvm-profdata", "merge", "-sparse", "-o", profile] + raws, check=True)
        args = ["llvm-cov", "export", "-format=lcov", "-instr-profile", profile, objects[0]]
        for o in objects[1:]:
            args += ["-object", o]
        args.append("-ignore-filename-regex=(^/usr/|/tests/|_autogen/|" + build + ")")
        lcov = subprocess.run(args, capture_output=True, text=True, check=True).stdout
        source = None
        for line in lcov.split("\n"):
            if line.startswith("SF:"):
                source = os.path.relpath(line[3:], repo)
            elif line.startswith("DA:"):
                number, count = line[3:].split(",")[:2]
                if int(count) > 0:
                    covered.append(f"{source}:{number}")
            elif line.startswith("BRDA:"):
                number, block, branch, count = line[5:].split(",")
                if count not in ("-", "0"):
                    covered.append(f"{source}:{number}:{block}:{branch}")
    with open(f"{out}/cov/{name}.txt", "w") as h:
        h.write("\n".join(covered))
    return name, len(covered)


with ThreadPoolExecutor(os.cpu_count()) as pool:
    for name, n in pool.map(one, sorted(glob.glob(out + "/raw/*"))):
        print(n, name)
