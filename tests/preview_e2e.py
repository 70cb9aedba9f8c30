#!/usr/bin/env python3
"""Colors the sample page with html and the sample listing with listtint, shows each with
ilvo_preview --format html, parses the page back and checks that constructs show in their
colors; and that the preview will not wait on a terminal for its stream.
Usage: preview_e2e.py HTML LISTTINT PREVIEW PAGE LISTING"""
import html.parser
import os
import pty
import re
import shutil
import re
import resource
import select
import signal
import time
import subprocess
import sys
import tempfile

# The terminal says it shows 24-bit colors, and no one asked for none.
os.environ["COLORTERM"] = "truecolor"
os.environ.pop("NO_COLOR", None)

HTML, LISTTINT, PREVIEW, PAGE, LISTING = sys.argv[1:6]
NAMES = ("fgc bgc link url html body pre title center a h1 h2 h3 h4 ul li ol img hr br form select "
         "option cmnt b td tr th table caption em i blockquote p font head").split()
# A distinct numeric color for every argument: red channel 1..36. Numeric colors are quoted in
# a color pragma, as the stream's own '#ffff0010ffff' is.
colors = ["'#%02x00%02x00%02x00'" % (k + 1, 0x80, 0x40) for k in range(len(NAMES))]
css = {name: "#%02x8040" % (k + 1) for k, name in enumerate(NAMES)}

stream = subprocess.run([HTML, PAGE] + colors, capture_output=True, check=True).stdout
page = subprocess.run([PREVIEW, "--format", "html", PAGE], input=stream, capture_output=True,
                      check=True).stdout.decode()


class Reader(html.parser.HTMLParser):
    """Rebuilds the text and the foreground color of each of its characters."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.text, self.fg, self.stack, self.in_pre = [], [], [], False
        self.body_fg = None

    def handle_starttag(self, tag, attrs):
        style = dict(attrs).get("style", "")
        if tag == "pre":
            self.in_pre = True
        if tag == "span":
            m = re.search(r"(?<!-)color: (#[0-9a-f]{6})", style)
            self.stack.append(m.group(1) if m else None)

    def handle_endtag(self, tag):
        if tag == "span":
            self.stack.pop()
        if tag == "pre":
            self.in_pre = False

    def handle_data(self, data):
        if not self.in_pre:
            return
        fg = self.stack[-1] if self.stack and self.stack[-1] else self.body_fg
        self.text.append(data)
        self.fg.extend([fg] * len(data))


def read_page(page):
    """The text of a page and the foreground of each of its characters."""
    r = Reader()
    r.body_fg = re.search(r"body \{ color: (#[0-9a-f]{6})", page).group(1)
    r.feed(page)
    return r


r = read_page(page)
text = "".join(r.text)
source = open(PAGE, encoding="utf-8").read()
passed = failed = 0


def check(what, ok):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAIL:", what)


def colored(needle, name, nth=None):
    """Every occurrence of needle (or only the nth) shows in the color of name."""
    spots = [m.start() for m in re.finditer(re.escape(needle), text)]
    check(f"{needle!r} occurs", bool(spots))
    for at in (spots if nth is None else spots[nth:nth + 1]):
        got = set(r.fg[at:at + len(needle)])
        check(f"{needle!r} at {at} in {name} ({css[name]}), got {got}", got == {css[name]})


check("the page shows the source text unchanged", text == source)
check("bare text has the default foreground", r.body_fg == css["fgc"])
colored("<table", "table")
for tag in ("h1", "h2", "title", "tr", "th", "td", "ul", "em", "body", "html"):
    colored(f"<{tag}>", tag)
    colored(f"</{tag}>", tag)
colored("<li>", "li")
colored("<b>", "b")
colored("<i>", "i")
colored("<br>", "option")  # IMG then FORM style pairs: the second row wins
colored("<hr>", "select")
colored("<form", "form")
colored("the site", "url")
colored("here", "url")
colored("<a ", "a")
colored("</a>", "a")
colored('="https://example.org/"', "link")
colored("<!-- This comment", "cmnt")
colored("  if (a > b) return;", "pre")
colored("</pre>", "pre")
colored("Coloring a page", "fgc")
# The listing: shown without its markers, keywords yellow and comments cyan where the stream
# puts them.
stream = subprocess.run([LISTTINT, LISTING], capture_output=True, check=True).stdout
page = subprocess.run([PREVIEW, "--format", "html", LISTING], input=stream, capture_output=True,
                      check=True).stdout.decode()
r = read_page(page)
text = "".join(r.text)
lines = text.split("\n")
YELLOW, CYAN, GREEN = "#cdcd00", "#00cdcd", "#00cd00"
check("the listing shows without its markers", "\\*(" not in text and "return argc" in text)
check("bare text of a listing is green", r.body_fg == GREEN)


def shown(line, first, last, color):
    """Columns first to last (from 1) of a line, in the display, show in color."""
    at = sum(len(x) + 1 for x in lines[:line - 1]) + first - 1
    got = set(r.fg[at:at + last - first + 1])
    check(f"line {line} columns {first}-{last} {lines[line - 1][first - 1:last]!r} in {color}, got {got}",
          got == {color})


def keyword(word, line, nth=0):
    at = [m.start() for m in re.finditer(re.escape(word), lines[line - 1])][nth]
    shown(line, at + 1, at + len(word), YELLOW)


shown(1, 1, len(lines[0]), CYAN)  # a comment end with no start: from the start of the file
for word, line in (("int", 2), ("void", 2), ("{", 3), ("if", 5), ("return", 5), ("}", 9)):
    keyword(word, line)
shown(4, 1, len(lines[3]), CYAN)  # a comment on one line, from three columns before it
shown(6, 1, len(lines[5]), CYAN)  # a comment over two lines
shown(7, 1, len(lines[6]), CYAN)
shown(8, 1, lines[7].index("*/") + 2, CYAN)
# After a comment on its line a keyword's columns count the comment's markers: ten more.
at = lines[7].index("return")
shown(8, at + 11, at + 16, YELLOW)
check("'return' after a comment shows where the stream says, not itself",
      set(r.fg[sum(len(x) + 1 for x in lines[:7]) + at:][:6]) == {GREEN})

def in_terminal(args, env=None, stream=True):
    """Runs the preview under a pseudo-terminal, with the stream of the page unless not stream;
    its output and wait status."""
    pid, fd = pty.fork()
    if pid == 0:
        os.environ.pop("LESS", None)
        os.environ.update(env or {})
        given = ["--stream", os.path.join(work, "page.stream")] if stream else []
        os.execv(PREVIEW, [PREVIEW] + given + args)
    got = b""
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        got += chunk
    return got, os.waitpid(pid, 0)[1]


# A terminal as standard input: the preview runs html itself for the page, with the editor's
# default colors (yellow text), found on PATH here (beside the preview once installed); without
# it, it says so.
said, status = in_terminal(["-P", PAGE], {"PATH": os.path.dirname(os.path.abspath(HTML)) + ":" +
                                          os.environ["PATH"]}, stream=False)
check(f"a terminal as standard input: html's stream for the page, got {status} {said[:60]!r}",
      status == 0 and b"Coloring a page" in said and b"\x1b[38;2;205;205;0m" in said)
said, status = in_terminal(["-P", PAGE], {"PATH": "/nonexistent"}, stream=False)
check(f"no html to run: said, status 1, got {status} {said[-120:]!r}",
      os.WEXITSTATUS(status) == 1 and b"html could not be run" in said)


work = tempfile.mkdtemp()
with open(os.path.join(work, "page.stream"), "wb") as f:
    f.write(subprocess.run([HTML, PAGE] + colors, capture_output=True, check=True).stdout)
# A pager records what it was given; it runs through the shell, with LESS=FRX for less.
record = os.path.join(work, "pager.log")
pager = f"sh -c 'echo \"LESS=$LESS\" > {record}; wc -c >> {record}'"
direct, status = in_terminal([PAGE], {"PAGER": "cat"})
check("PAGER=cat writes directly, status 0", status == 0 and b"Coloring a page" in direct)
got, status = in_terminal([PAGE], {"PAGER": pager})
log = open(record).read().split()
whole = subprocess.run([PREVIEW, "--color=always", "--stream", os.path.join(work, "page.stream"),
                        PAGE], capture_output=True, check=True).stdout
check(f"the pager gets the whole output and LESS=FRX, got {log}",
      status == 0 and log == ["LESS=FRX", str(len(whole))])
os.remove(record)
got, status = in_terminal([PAGE], {"ILVO_PAGER": pager, "PAGER": "false"})
check("ILVO_PAGER comes before PAGER", status == 0 and os.path.exists(record))
for args, env in (([PAGE, "-P"], {"PAGER": pager}), ([PAGE], {"ILVO_PAGER": "", "PAGER": pager}),
                  (["-f", "html", PAGE], {"PAGER": pager})):
    os.path.exists(record) and os.remove(record)
    got, status = in_terminal(args, env)
    check(f"{args} {env} writes directly", status == 0 and not os.path.exists(record))
got, status = in_terminal([PAGE], {"PAGER": pager, "LESS": "-i"})
log = open(record).read().split()
check(f"LESS that is set gets R, got {log}", status == 0 and log[:2] == ["LESS=-i", "-R"])
got, status = in_terminal([PAGE], {"PAGER": "no-such-pager"})
check("a pager that cannot be started: one warning, then the text directly",
      status == 0 and got.count(b"cannot start the pager") == 1 and b"Coloring a page" in got)
for failing in ("false", "sh -c 'cat >/dev/null; exit 3'"):
    got, status = in_terminal([PAGE], {"PAGER": failing})
    check(f"a pager that fails ({failing}) is said, status 1, got {os.WEXITSTATUS(status)} {got[-80:]!r}",
          os.WEXITSTATUS(status) == 1 and b"failed (status" in got)
got, status = in_terminal([PAGE], {"PAGER": "head -c 10"})
check(f"a pager that quits early is no error, got {status}", status == 0)
# SIGINT in the middle of a long text: the terminal gets its own colors back, and the program
# ends by the signal.
long_page = os.path.join(work, "long.html")
with open(long_page, "w") as f:
    f.write("<b>bold</b> and <i>x</i> <a href=u>t</a>\n" * 200000)
with open(os.path.join(work, "page.stream"), "wb") as f:
    f.write(subprocess.run([HTML, long_page], capture_output=True, check=True).stdout)


def colors_of(out):
    """What a terminal shows for out: each character with the colors it has, escapes replayed."""
    shown, fg, bg = [], None, None
    for m in re.finditer(rb"\x1b\[([0-9;]*)([A-Za-z])|([^\x1b\r])", out, re.S):
        if m.group(3) is not None:
            shown.append((m.group(3), fg, bg))
            continue
        if m.group(2) != b"m":
            continue
        ps = m.group(1).split(b";") if m.group(1) else [b"0"]
        while ps:
            p = ps.pop(0)
            if p in (b"38", b"48"):
                kind = ps.pop(0)
                value = tuple(ps[:3]) if kind == b"2" else (ps[0],)
                ps = ps[3:] if kind == b"2" else ps[1:]
                if p == b"38":
                    fg = value
                else:
                    bg = value
            elif p == b"0":
                fg = bg = None
            elif p == b"39":
                fg = None
            elif p == b"49":
                bg = None
    return shown


def start(args):
    """The preview on a pseudo-terminal, in a process group of its own as a shell's job is (so
    that a stop signal stops it); its pid and the terminal's other end."""
    fd, tty = os.openpty()
    child = subprocess.Popen([PREVIEW, "--stream", os.path.join(work, "page.stream")] + args,
                             stdin=tty, stdout=tty, stderr=tty, process_group=0,
                             preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_CORE, (0, 0)))
    os.close(tty)
    return child.pid, fd


def read_some(fd, least=0, wait=0.3):
    """At least least bytes from fd, then what comes within wait seconds."""
    got = b""
    while True:
        if len(got) >= least and not select.select([fd], [], [], wait)[0]:
            return got
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            return got
        if not chunk:
            return got
        got += chunk


# A signal in the middle of a long text, also while the terminal is not read: the terminal gets
# its own colors back, and the program ends by the signal.
long_page = os.path.join(work, "long.html")
with open(long_page, "w") as f:
    f.write("<b>bold</b> and <i>x</i> <a href=u>t</a>\n" * 20000)
with open(os.path.join(work, "page.stream"), "wb") as f:
    f.write(subprocess.run([HTML, long_page], capture_output=True, check=True).stdout)
# The whole output, standard error after it as on the terminal.
whole = subprocess.run([PREVIEW, "-P", "--color=always", "--stream",
                        os.path.join(work, "page.stream"), long_page],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=True).stdout
for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
    for stalled in (False, True):
        pid, fd = start(["-P", long_page])
        got = read_some(fd, 100000, 0)
        if stalled:
            time.sleep(0.3)  # its writes wait: the terminal is full
        os.kill(pid, sig)
        if stalled:
            time.sleep(0.2)
        got += read_some(fd)
        _, status = os.waitpid(pid, 0)
        check(f"{sig.name}{' stalled' if stalled else ''}: ends by the signal with the colors reset, "
              f"got {status} {got[-20:]!r}",
              os.WIFSIGNALED(status) and os.WTERMSIG(status) == sig and got.endswith(b"\x1b[0m")
              and len(got) < len(whole))
# A terminal that is never read does not keep SIGTERM from ending the program.
pid, fd = start(["-P", long_page])
read_some(fd, 1000, 0)
time.sleep(0.3)
os.kill(pid, signal.SIGTERM)
time.sleep(1.5)
ended, status = os.waitpid(pid, os.WNOHANG)
check("a terminal never read: SIGTERM ends the program", ended == pid)
read_some(fd, 0, 0.1)
ended or os.waitpid(pid, 0)
# Ctrl-Z: the terminal's own colors while stopped; after SIGCONT every character has the colors
# it has without the stop.
pid, fd = start(["-P", long_page])
got = read_some(fd, 300000, 0)
os.kill(pid, signal.SIGTSTP)
while True:  # the terminal is read, as a terminal is, until the stop: it waits for a write to end
    stopped, status = os.waitpid(pid, os.WUNTRACED | os.WNOHANG)
    if stopped:
        break
    got += read_some(fd, 0, 0.05)
got += read_some(fd)
check(f"SIGTSTP: stopped, the colors reset, got {got[-12:]!r}",
      os.WIFSTOPPED(status) and got.endswith(b"\x1b[0m"))
os.kill(pid, signal.SIGCONT)
got += read_some(fd, 0, 1)
_, status = os.waitpid(pid, 0)
check("SIGCONT: the text in the colors it has without the stop",
      status == 0 and colors_of(got) == colors_of(whole))
shutil.rmtree(work)
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
