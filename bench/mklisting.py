#!/usr/bin/env python3
"""Turns C sources into marked listings shaped like a listing front end's output, for the
benchmark: keywords and every brace between the keyword markers; comments, in three files of
four, between control lines '+C and '-C, in the others between the comment markers (a block
comment over several lines opens on its first and closes on its last); every backslash of the
source written as \\e, every minus as \\*-, every underscore as \\*_, indentation as a \\h
move, a leading dot as \\&., a font change around strings and names, \\c at the end of
some lines, and troff control lines at the top of each file: about six backslashes that start
no marker for every marker, as such front ends write.
Usage: mklisting.py OUT FILE...   (writes all files, one after another, to OUT)"""
import re
import sys

KEYWORDS = set("""auto break case char const continue default do double else enum extern
float for goto if inline int long register restrict return short signed sizeof static struct
switch typedef union unsigned void volatile while""".split())
TOKEN = re.compile(r'/\*|//|"(?:\\.|[^"\\])*"?|\'(?:\\.|[^\'\\])*\'?|[A-Za-z_]\w*|.', re.S)
KO, KC, CO, CC = r"\*(+K", r"\*(-K", r"\*(+C", r"\*(-C"


def text(s):
    """Source bytes as troff shows them literally."""
    return s.replace("\\", r"\e").replace("-", r"\*-").replace("_", r"\*_")


def mark(name, lines, controls):
    """The listing of one file; controls: comments between control lines, not markers."""
    global CO, CC
    CO, CC = ("", "") if controls else (r"\*(+C", r"\*(-C")
    out = [".ds =F " + name, "'wh 0 vH", "'-F"]
    in_comment = False
    for n, line in enumerate(lines):
        row, at = [], 0
        indent = len(line) - len(line.lstrip(" \t"))
        if indent and line.strip():
            row.append(r"\h'|%dn'" % (line[:indent].count("\t") * 8 + line[:indent].count(" ")))
            at = indent
        elif line.startswith("."):
            row.append(r"\&")
        if in_comment:
            end = line.find("*/")
            if end < 0:
                out.append(text(line))
                continue
            row.append(text(line[:end + 2]) + CC)
            at, in_comment = end + 2, False
        while at < len(line):
            m = TOKEN.match(line, at)
            tok = m.group(0)
            if tok == "/*":
                end = line.find("*/", at + 2)
                if end < 0:
                    row.append(CO + text(line[at:]))
                    in_comment = True
                    break
                row.append(CO + text(line[at:end + 2]) + CC)
                at = end + 2
                continue
            if tok == "//":
                row.append(CO + text(line[at:]) + CC)
                break
            if tok in KEYWORDS or tok in "{}":
                row.append(KO + tok + KC)
            elif tok[0] == '"':
                row.append(r"\f(CW" + text(tok) + r"\fP")
            elif tok[0].isalpha() or tok[0] == "_":
                row.append(r"\fI" + text(tok) + r"\fP")
            else:
                row.append(text(tok))
            at = m.end()
        if n % 7 == 3 and not in_comment:
            row.append(r"\c")
        commented = controls and ("/*" in line or "//" in line or in_comment)
        if commented and not (out and out[-1] == "'+C"):
            out.append("'+C")
        out.append("".join(row))
        if controls and out[-2] == "'+C" and not in_comment:
            out.append("'-C")
    return out


def main():
    with open(sys.argv[1], "w", encoding="latin-1") as f:
        for k, path in enumerate(sys.argv[2:]):
            with open(path, encoding="latin-1") as src:
                lines = src.read().split("\n")
            f.write("\n".join(mark(path.rsplit("/", 1)[-1], lines, k % 4 != 3)) + "\n")


main()
