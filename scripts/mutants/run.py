#!/usr/bin/env python3
"""Checks what the test suite catches: puts each one-line fault of faults.tsv into the code in
turn, builds BUILD_DIR, runs the whole CTest suite, records which tests failed, and puts the
code back.

Usage: scripts/mutants/run.py BUILD_DIR RESULTS_FILE [NUMBER...]   (default: every fault)

faults.tsv has one fault a line, tab-separated: the file, the line it was on (a hint: the
nearest line holding the text is taken), the text, and what replaces it. A fault whose text is
gone is reported, not guessed. Results are appended a line a fault: number, place, the tests
that failed (or NOT CAUGHT) and the seconds it took. Timing tests can fail on a loaded machine
whatever the fault; read a fault caught only by one of them as not caught. BUILD_DIR is a
configured build of this checkout (benchmarks off saves the links).
"""
import os
import pathlib
import subprocess
import sys
import time

repo = pathlib.Path(__file__).resolve().parents[2]
build = pathlib.Path(sys.argv[1]).resolve()
out = open(sys.argv[2], "a")
only = {int(x) for x in sys.argv[3:]}
faults = [line.rstrip("\n").split("\t")
          for line in open(pathlib.Path(__file__).with_name("faults.tsv")) if line.strip()]
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
for n, (path, hint, old, new) in enumerate(faults, 1):
    if only and n not in only:
        continue
    f = repo / path
    text = f.read_text()
    lines = text.split("\n")
    hits = [i for i, line in enumerate(lines) if old in line]
    if not hits:
        out.write(f"{n}\t{path}\tNOT APPLIED (text not found)\n")
        out.flush()
        continue
    i = min(hits, key=lambda k: abs(k + 1 - int(hint)))
    lines[i] = lines[i].replace(old, new, 1)
    f.write_text("\n".join(lines))
    start = time.time()
    try:
        b = subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True, text=True)
        if b.returncode != 0:
            result = "caught by the build"
        else:
            log = build / "Testing/Temporary/LastTestsFailed.log"
            if log.exists():
                log.unlink()
            r = subprocess.run(["ctest", "--test-dir", build, "-j2", "--timeout", "300"],
                               capture_output=True, text=True, env=env)
            if r.returncode == 0:
                result = "NOT CAUGHT"
            else:
                failed = [x.split(":", 1)[-1] for x in log.read_text().split()] if log.exists() else ["?"]
                result = f"caught by {len(failed)}: " + " ".join(failed)
    finally:
        f.write_text(text)
    out.write(f"{n}\t{path}:{i + 1}\t{result}\t{time.time() - start:.0f}s\n")
    out.flush()
