#!/usr/bin/env python3
"""Runs ilvo_isilvoterm under real pseudo-terminals, files and pipes, and checks its exit
status, its diagnostic line and that it writes nothing else. Usage: probe_test.py PROBE"""
import os
import subprocess
import sys

PROBE = sys.argv[1]
passed = failed = 0


def run(args, stdin, stdout, term):
    """stdin and stdout are 'tty', 'file' or 'pipe'; term is a value or None for unset."""
    env = {k: v for k, v in os.environ.items() if k != "TERM"}
    if term is not None:
        env["TERM"] = term
    master, slave = os.openpty()
    devnull = open(os.devnull, "rb")
    fin = slave if stdin == "tty" else devnull
    fout = slave if stdout == "tty" else subprocess.PIPE
    if stdout == "file":
        fout = open(os.devnull, "wb")
    p = subprocess.Popen([PROBE] + args, stdin=fin, stdout=fout, stderr=subprocess.PIPE, env=env)
    out, err = p.communicate(timeout=10)
    os.close(slave)
    os.set_blocking(master, False)
    try:
        on_tty = os.read(master, 4096)
    except OSError:  # nothing written, or the terminal is gone
        on_tty = b""
    os.close(master)
    devnull.close()
    return p.returncode, err.decode(), (out or b"") + on_tty


def check(name, args, stdin, stdout, term, status, line):
    global passed, failed
    for diag in (True, False):
        a = (["-d"] + args) if diag else args
        got = run(a, stdin, stdout, term)
        want = (status, line if diag else "", b"")
        if got == want:
            passed += 1
        else:
            failed += 1
            print(f"FAIL {name} {'-d' if diag else 'no -d'}: got {got!r}, want {want!r}")


check("term unset", [], "tty", "tty", None, 1, "No TERM environment variable, not a ilvoterm\n")
check("term empty", [], "tty", "tty", "", 1, "TERM is not vt100, it is \n")
check("vt100", [], "tty", "tty", "vt100", 0, "")
check("vt100 and more", [], "tty", "tty", "vt100-ilvo", 0, "")
check("vt10", [], "tty", "tty", "vt10", 1, "TERM is not vt100, it is vt10\n")
check("capitals", [], "tty", "tty", "VT100", 1, "TERM is not vt100, it is VT100\n")
check("xterm", [], "tty", "tty", "xterm-256color", 1, "TERM is not vt100, it is xterm-256color\n")
check("escapes", [], "tty", "tty", "x\033[31mred\007\n\u202e", 1,
      "TERM is not vt100, it is x^[[31mred^G^J\\u202e\n")
check("stdin a file", [], "file", "tty", "vt100", 1, "stdin is not a tty, stdout is a tty\n")
check("stdout a pipe", [], "tty", "pipe", "vt100", 1, "stdin is a tty, stdout is not a tty\n")
check("both redirected", [], "file", "file", "vt100", 1, "stdin is not a tty, stdout is not a tty\n")
check("extra arguments", ["x", "y"], "tty", "tty", "vt100", 0, "")

# "-d" counts only as the whole first argument.
for args in (["x", "-d"], ["-dx"], ["-D"]):
    got = run(args, "tty", "tty", None)
    if got == (1, "", b""):
        passed += 1
    else:
        failed += 1
        print(f"FAIL {args}: got {got!r}")

print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
