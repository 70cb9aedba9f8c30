#!/usr/bin/env python3
"""Mutation testing for maintainers: plants one small fault at a time in a copy of the
programs' sources (a flipped comparison, an off-by-one constant, a dropped statement, a swapped
&& or ||, a changed literal), rebuilds that copy incrementally, runs the fast part of the suite,
and prints each mutant that no test caught, with the score.

Usage: mutate.py [--count N] [--seed S] [--jobs J] [--list] [FILE...]
  FILE  program sources to mutate (default: those of contrib/parsehtml, listing, src, preview)
  N     how many mutants, drawn at random from all that can be made (default 150; 0: all)"""
import argparse
import glob
import os
import random
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIRS = ["contrib/parsehtml", "listing", "src", "preview", "common"]
# The fast part of the suite: everything but the install test, the README's examples and the
# 2 GiB line.
SKIP = "install|readme|golden.html.large"
SWAPS = [(r"(?<![<>=!])==(?!=)", "!="), (r"!=", "=="), (r"(?<![<>])<=", "<"),
         (r"(?<![<>\-])>=", ">"), (r"(?<=[\w)\]] )<(?= [\w(])", "<="), (r"(?<=[\w)\]] )>(?= [\w(])", ">="),
         (r"&&", "||"), (r"\|\|", "&&"), (r"\+ 1\b", "- 1"), (r"- 1\b", "+ 1"),
         (r"\btrue\b", "false"), (r"\bfalse\b", "true")]


def sources(args):
    if args:
        return args
    files = []
    for d in DIRS:
        for f in sorted(glob.glob(os.path.join(TOP, d, "*.cpp")) + glob.glob(os.path.join(TOP, d, "*.h"))):
            if not f.endswith("_test.cpp"):
                files.append(os.path.relpath(f, TOP))
    return files


def mutants(path):
    """(line number, kind, new line) for every mutant of the file."""
    lines = open(os.path.join(TOP, path)).read().split("\n")
    out = []
    for n, line in enumerate(lines):
        code = line.split("//")[0]
        s = code.strip()
        if not s or s.startswith(("#", "*", "/*")) or "static_assert" in s:
            continue
        for pattern, repl in SWAPS:
            for m in re.finditer(pattern, code):
                out.append((n, f"{m.group(0)} -> {repl}", line[:m.start()] + repl + line[m.end():]))
        for m in re.finditer(r"(?<![\w.'\"])(\d+)(?![\w.'\"])", code):
            if '"' in code[:m.start()] and code[:m.start()].count('"') % 2:
                continue  # inside a text
            v = int(m.group(1))
            out.append((n, f"{v} -> {v + 1}", line[:m.start()] + str(v + 1) + line[m.end():]))
        for m in re.finditer(r'"([^"\\]|\\.)+"', code):
            out.append((n, f"text {m.group(0)} -> with an x", line[:m.end() - 1] + "x" + line[m.end() - 1:]))
        if s.endswith(";") and not re.match(r"(return|break|continue|case|default|[\w:<>,\s*&]+\s[\w]+(\[.*\])?\s*(=.*)?;$)", s) \
                and s.count("(") == s.count(")") and "{" not in s and "}" not in s:
            out.append((n, "statement dropped", ""))
    return out


def limits():
    # A mutant may loop or grow without end: 4 GiB of memory for each process of a run.
    resource.setrlimit(resource.RLIMIT_AS, (4 << 30, 4 << 30))


def run(cmd, cwd, timeout=600):
    """The status of cmd, run in a session of its own that is killed whole on timeout."""
    p = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                         start_new_session=True, preexec_fn=limits)
    try:
        return p.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()
        return -1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--count", type=int, default=150)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--list", action="store_true", help="print the chosen mutants and stop")
    ap.add_argument("files", nargs="*")
    a = ap.parse_args()
    all_mutants = [(f, *m) for f in sources(a.files) for m in mutants(f)]
    rnd = random.Random(a.seed)
    chosen = all_mutants if a.count == 0 else rnd.sample(all_mutants, min(a.count, len(all_mutants)))
    chosen.sort()
    print(f"{len(chosen)} mutants of {len(all_mutants)}", flush=True)
    if a.list:
        for path, n, kind, _ in chosen:
            print(f"{path}:{n + 1}: {kind}")
        return
    work = tempfile.mkdtemp(prefix="mutate-")
    try:
        tree = os.path.join(work, "tree")
        shutil.copytree(TOP, tree, ignore=shutil.ignore_patterns(".git", "build*"))
        build = os.path.join(work, "build")
        gen = ["-G", "Ninja"] if shutil.which("ninja") else []
        if run(["cmake", "-S", tree, "-B", build, *gen, "-DCMAKE_BUILD_TYPE=Debug"], work) or \
                run(["cmake", "--build", build], work, 1800):
            sys.exit("mutate: the unchanged sources do not build")
        if run(["ctest", "-j", str(a.jobs), "-E", SKIP], build):
            sys.exit("mutate: the unchanged sources fail their tests")
        killed, survivors = 0, []
        for k, (path, n, kind, new) in enumerate(chosen):
            file = os.path.join(tree, path)
            original = open(file).read()
            lines = original.split("\n")
            lines[n] = new
            open(file, "w").write("\n".join(lines))
            caught = run(["cmake", "--build", build], work) != 0 or \
                run(["ctest", "-j", str(a.jobs), "-E", SKIP, "--stop-on-failure", "--timeout", "60"],
                    build, 300) != 0
            open(file, "w").write(original)
            if caught:
                killed += 1
            else:
                survivors.append((path, n + 1, kind, original.split("\n")[n].strip()))
                print(f"survived: {path}:{n + 1}: {kind}: {original.split(chr(10))[n].strip()}", flush=True)
            if (k + 1) % 10 == 0:
                print(f"  {k + 1}/{len(chosen)} done, {killed} killed", flush=True)
        run(["cmake", "--build", build], work)
        print(f"score: {killed} of {len(chosen)} killed ({100 * killed / max(len(chosen), 1):.0f}%), "
              f"{len(survivors)} survived")
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
