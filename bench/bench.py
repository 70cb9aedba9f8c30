#!/usr/bin/env python3
"""Measures the filters against cat on this machine. Ratios, not absolute times: the machine is
shared. Every run writes straight into a pipe that one reader drains and discards; filter and
cat runs alternate, and a figure is the median of the pairwise ratios. Every figure is taken
with two drains, dd and a reader in Python that reads 1 MiB at a time, as the drain alone moves
cat's time; a target holds when it holds under both. Beside the real inputs stands each job's
floor (bench/floor_*.cpp), timed the same way.

Usage: bench.py BUILD_DIR [html|listtint|preview]   (make bench builds the release programs first)
Environment: BENCH_PAIRS (default 11), BENCH_RUNS (start-up runs, default 200), BENCH_WORK (a
folder that keeps the inputs, for a profiler; by default they go when the run ends),
BENCH_COMPARE (another build folder: every input's stream and messages must be the same from
its programs, as when a change must keep the output)."""
import glob
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

BUILD = sys.argv[1]
ONLY = sys.argv[2] if len(sys.argv) > 2 else None
TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PAIRS = max(int(os.environ.get("BENCH_PAIRS", "11")), 1)
RUNS = int(os.environ.get("BENCH_RUNS", "200"))
HTML = os.path.join(BUILD, "contrib/parsehtml/html")
LISTTINT = os.path.join(BUILD, "listing/listtint")
FLOOR_HTML = os.path.join(BUILD, "bench/floor_html")
FLOOR_LISTTINT = os.path.join(BUILD, "bench/floor_listtint")
FLOOR_START = os.path.join(BUILD, "bench/floor_start")
PREVIEW = os.path.join(BUILD, "preview/ilvo_preview")
# The drains: dd, and a reader in Python that says when it is ready, then reads 1 MiB at a time.
PY_DRAIN = ("import os, sys\nr = sys.stdin.buffer.raw\nb = bytearray(1 << 20)\n"
            "os.write(1, b'r')\nwhile r.readinto(b): pass\n")
DRAINS = {"dd": ["dd", "of=/dev/null", "bs=1M", "status=none"],
          "py": [sys.executable, "-c", PY_DRAIN]}
COLORS = open(os.path.join(TOP, "examples/sample.colors")).read().split()
CACHE = os.path.join(BUILD, "bench-cache")  # unpacked Debian packages, kept between runs
MB = 1 << 20
missed = []


def timed(cmd, drain="dd"):
    """Wall time of one run of cmd writing into a pipe of its own, of the system's default size,
    as the editor gives a filter, drained by a reader that is ready before it starts."""
    r, w = os.pipe()
    reader = subprocess.Popen(DRAINS[drain], stdin=r, stdout=subprocess.PIPE)
    os.close(r)
    if drain == "py":
        reader.stdout.read(1)
    t0 = time.perf_counter()
    subprocess.run(cmd, stdout=w, stderr=subprocess.DEVNULL, check=False)
    t = time.perf_counter() - t0
    os.close(w)
    reader.wait()
    reader.stdout.close()
    return t


def through_pipe(cmd, path):
    """cmd reading its input, path, from cat through a pipe instead (as /dev/stdin)."""
    args = ["/dev/stdin" if a == path else a for a in cmd]
    return ["sh", "-c", 'f=$1; shift; cat "$f" | exec "$@"', "sh", path] + args


def ratio(cmd, baseline, drain="dd"):
    """Median over PAIRS of time(cmd) / time(cat baseline), the two alternating; and, as the
    machine is shared, a text of the spread: the middle half of the ratios, cat's median time.
    A baseline that is a list is the command to time in cat's place."""
    rs, cats = [], []
    for _ in range(PAIRS):
        t = timed(cmd, drain)
        cats.append(timed(baseline if isinstance(baseline, list) else ["cat", baseline], drain))
        rs.append(t / cats[-1])
    rs.sort()
    spread = (f"  [pairs {rs[len(rs) // 4]:.2f}-{rs[(3 * len(rs)) // 4]:.2f}, "
              f"cat {1000 * statistics.median(cats):.0f} ms]")
    return statistics.median(rs), spread


def rusage(cmd, stdout=subprocess.DEVNULL):
    proc = subprocess.Popen(cmd, stdout=stdout, stderr=subprocess.DEVNULL)
    _, _, ru = os.wait4(proc.pid, 0)
    proc.returncode = 0
    return ru


def cpu(cmds):
    """CPU seconds (user and system) of RUNS runs of each command, the commands taking turns, so
    that a change in the machine's load falls on all of them alike."""
    total = [0.0] * len(cmds)
    for _ in range(RUNS):
        for k, cmd in enumerate(cmds):
            ru = rusage(cmd)
            total[k] += ru.ru_utime + ru.ru_stime
    return total


def peak_kib(cmd, feed=None):
    """Peak resident KiB of cmd; feed: a shell command whose output is its standard input."""
    # Through time(1): a child forked from this big process would count its pages as well.
    writer = subprocess.Popen(["sh", "-c", feed], stdout=subprocess.PIPE) if feed else None
    out = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, stdout=subprocess.DEVNULL,
                         stdin=writer.stdout if writer else None, stderr=subprocess.PIPE,
                         check=False).stderr
    if writer:
        writer.stdout.close()
        writer.wait()
    return int(out.split()[-1])


def check(what, value, limit, unit=" x cat"):
    ok = value <= limit
    if not ok:
        missed.append(what)
    return f"{value:.2f}{unit} (target <= {limit}){'' if ok else '  MISSED'}"


def size_text(path):
    s = os.path.getsize(path)
    return f"{s / MB:.1f} MB" if s >= MB else f"{s / 1024:.0f} KB"


def repeat_to(parts, target, out):
    """Writes the byte strings of parts, over and over, until out holds about target bytes."""
    unit = b"".join(p if p.endswith(b"\n") else p + b"\n" for p in parts)
    with open(out, "wb") as f:
        f.write(unit * max(target // len(unit), 1))


def debian(packages):
    """Unpacks Debian packages into the cache (once) and returns its folder for them."""
    root = os.path.join(CACHE, "-".join(packages))
    if os.path.isdir(root):
        return root
    tmp = root + ".tmp"
    subprocess.run(["rm", "-rf", tmp], check=True)
    os.makedirs(tmp)
    subprocess.run(["apt-get", "download", "-q"] + packages, cwd=tmp, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for deb in glob.glob(os.path.join(tmp, "*.deb")):
        subprocess.run(["dpkg-deb", "-x", deb, tmp], check=True)
        os.remove(deb)
    os.rename(tmp, root)
    return root


def stream_of(cmd, out):
    with open(out, "wb") as f:
        subprocess.run(cmd, stdout=f, stderr=subprocess.DEVNULL, check=False)
    return out


def same_output(cmd, other):
    """Whether the programs of the build folder other write what cmd writes."""
    theirs = [p.replace(BUILD, other, 1) if p.startswith(BUILD) else p for p in cmd]
    run = lambda c: subprocess.run(c, capture_output=True, check=False)
    a, b = run(cmd), run(theirs)
    return (a.stdout, a.stderr, a.returncode) == (b.stdout, b.stderr, b.returncode)


def throughput(name, cmd_of, path, limit, work, scaling=None, floor=None, pipe=False):
    """One input: the filter against cat of the larger of the input and its stream, under each
    drain; floor: the command of the job's floor, timed the same way; pipe: the filter reads the
    input from cat through a pipe, and cat against which it is timed reads the same way."""
    cmd = cmd_of(path)
    if pipe:
        cmd = through_pipe(cmd, path)
    other = os.environ.get("BENCH_COMPARE")
    if other and not same_output(cmd, other):
        missed.append(name + " output")
        print(f"  {name}: the output differs from {other}'s")
    stream = stream_of(cmd, os.path.join(work, name + ".stream"))
    base = stream if os.path.getsize(stream) > os.path.getsize(path) else path
    of = "cat of the stream" if base == stream else "cat"
    if pipe:
        base = through_pipe(["cat", base], base)
    double = None
    if scaling:
        double = os.path.join(work, name + ".x2")
        with open(double, "wb") as f:
            data = open(path, "rb").read()
            f.write(data + data)
    head = f"  {name:<16} {size_text(path):>8} -> {size_text(stream):>8}"
    for drain in DRAINS:
        median, spread = ratio(cmd, base, drain)
        line = f"{head}  {drain}: {check(name + ' ' + drain, median, limit, ' x ' + of)}{spread}"
        head = " " * len(head)
        if floor:
            line += f"; floor {ratio(floor, base, drain)[0]:.2f} x cat"
        if double:
            # The same input twice over: the time must not grow faster than the input.
            rs = [timed(cmd_of(double), drain) / timed(cmd, drain) for _ in range(PAIRS)]
            x2 = statistics.median(rs)
            line += f"; twice the input: {check(name + ' x2 ' + drain, x2, scaling, ' x')}"
        print(line, flush=True)
    if double:
        os.remove(double)
    os.remove(stream)


def listing_inputs(work):
    """real-listing, dense and formed, about 50 MB each."""
    try:
        root = debian(["zlib1g-dev", "libc6-dev"])
        sources = sorted(glob.glob(os.path.join(root, "usr/include/**/*.h"), recursive=True))
    except (subprocess.CalledProcessError, OSError):
        print("  (no Debian packages could be fetched: headers of this machine instead)")
        sources = sorted(glob.glob("/usr/include/*.h"))
    real = os.path.join(work, "real.lst")
    subprocess.run([sys.executable, os.path.join(TOP, "bench/mklisting.py"), real] + sources,
                   check=True)
    repeat_to([open(real, "rb").read()], 50 * MB, real)

    rnd = random.Random(1)
    marks = [b"\\*(+K", b"\\*(-K", b"\\*(+C", b"\\*(-C"]
    dense = [b"".join(rnd.choice(marks) for _ in range(819)) + b"\n" for _ in range(64)]
    dense += [b"".join(rnd.choice(marks) for _ in range(rnd.randrange(1, 12))) for _ in range(4000)]
    rnd.shuffle(dense)
    repeat_to(dense, 50 * MB, os.path.join(work, "dense.lst"))

    formed = [b"\\*(\\*(+K+Kif\\*(-K \\*(\\*(+C+Cx\\*(-C-C", b"\\\\*(+Kx\\\\*(-K \\\\*(+C\\\\*(-C",
              b"\\*(" * 300 + b"\\*(+K" + b"+K" * 300, b"\\" * 500 + b"\\*(+K\\*(-K" * 200]
    repeat_to(formed, 50 * MB, os.path.join(work, "formed.lst"))
    return real


def page_inputs(work):
    """real-pages (about 50 MB of the HTML documentation of Debian packages) and the hostile set
    (20 MB each, but the long comments)."""
    pages = []
    try:
        root = debian(["git-doc", "postgresql-doc-15", "cmake-doc", "bash-doc"])
        pages = sorted(glob.glob(os.path.join(root, "usr/share/doc/**/*.html"), recursive=True))
    except (subprocess.CalledProcessError, OSError):
        print("  (no Debian packages could be fetched: pages of this machine instead)")
        pages = sorted(glob.glob("/usr/share/doc/**/*.html", recursive=True))
    # Pages of every package in turn, until there are 50 MB, every eighth as a minifier leaves
    # it, on one line.
    by_package = {}
    for p in pages:
        by_package.setdefault(p.split("/usr/share/doc/")[-1].split("/")[0], []).append(p)
    queues = [list(reversed(q)) for _, q in sorted(by_package.items())]
    parts, size = [], 0
    while size < 50 * MB and any(queues):
        for q in queues:
            if q and size < 50 * MB:
                data = open(q.pop(), "rb").read()
                if len(parts) % 8 == 7:
                    data = data.replace(b"\r", b"").replace(b"\n", b" ")
                parts.append(data)
                size += len(data)
    real = os.path.join(work, "real.html")
    repeat_to(parts, 50 * MB, real)

    n = 20 * MB
    hostile = {
        "lt": b"<" * n,
        "lt-slash": b"</" * (n // 2),
        "a-then-lt": b"<a" + b"<" * n,
        "open-tag": b"<a href=" + b"x y=z " * (n // 6),
        "open-comment": b"<!-- " + b"- -- --- x " * (n // 11),
        "anchors": b"<a href=x>y</a>" * (n // 15),
        "bold": b"<b>" * (n // 3),
        "one-line": b"<td>cell</td><b>x</b> text, <i>more</i> " * (n // 40),
        # One comment over the whole file, with a '>' before its end; and one full of tags.
        "comment-40MB": b"<!--" + b"a" * (2 * n) + b">-->\n",
        "comment-80MB": b"<!--" + b"a" * (4 * n) + b">-->\n",
        "comment-of-tags": b"<!-- " + b"<b>x</b> -> <a href=u>t</a> > " * (n // 32) + b"-->\n",
    }
    for name, data in hostile.items():
        with open(os.path.join(work, name + ".html"), "wb") as f:
            f.write(data)
    return list(hostile)


def bench_html(work):
    print("html:")
    hostile = page_inputs(work)
    run = lambda p: [HTML, p] + COLORS
    real = os.path.join(work, "real.html")
    throughput("real-pages", run, real, 1.8, work, floor=[FLOOR_HTML, real])
    throughput("real-pages-pipe", run, real, 1.8, work, pipe=True)
    for name in hostile:
        throughput(name, run, os.path.join(work, name + ".html"), 4, work, scaling=2.2)


def bench_listtint(work):
    print("listtint:")
    listing_inputs(work)
    run = lambda p: [LISTTINT, p]
    real = os.path.join(work, "real.lst")
    throughput("real-listing", run, real, 1.6, work, floor=[FLOOR_LISTTINT, real])
    throughput("dense", run, os.path.join(work, "dense.lst"), 4, work, scaling=2.2)
    throughput("formed", run, os.path.join(work, "formed.lst"), 4, work, scaling=2.2)


def preview_inputs(work, scale):
    """The preview's hostile inputs, at a scale (2: twice the input): name -> (source, stream,
    options), the files written into work."""
    areas = lambda first, n, colors: b";".join(
        b"[1,%d],[1,%d]ca %s" % (k, k + 1, colors) for k in range(first, first + 2 * n, 2))
    src2k = b"x" * (2048 * scale) + b"\n"
    src32k = b"x" * (32768 * scale) + b"\n"
    cases = {
        # One line of junk, and one of a million problems: messages are cut and counted.
        "junk-line": (b"abc\n", b"x" * (10 * MB * scale), ["-f", "html"]),
        "problems": (b"abc\n", b"x;" * (1000000 * scale), ["-f", "html"]),
        # Two long lines whose areas alternate, and one line of many areas: every run of the
        # page names its line, whose text must not be written for each.
        "alternating": (src32k, areas(1, 16384 * scale, b"red blue") + b"\n" +
                        areas(2, 16384 * scale, b"green black") + b"\n", ["-f", "html"]),
        "one-line": (src2k, areas(1, 5000 * scale, b"red blue") + b"\n", ["-f", "html"]),
        # A listing of one line of markers, and streams or sources of nothing but line ends.
        "markers": (b"\\*(+K" * (640 * 1024 * scale) + b"\n",
                    b"1,$ca;fgc green; bgc black; fgc green \n", ["-l", "--color=always"]),
        "empty-lines": (b"abc\n", b"\n" * (10 * MB * scale), ["-f", "html"]),
        "newlines": (b"\n" * (20 * MB * scale), b"1,$ ca;fgc red;bgc blue\n[1,1],$ca green \"\"\n",
                     ["-f", "html"]),
    }
    # Real pages in html's colors: a page of many runs.
    real = os.path.join(work, "real.html")
    if not os.path.exists(real):
        page_inputs(work)
    pages = open(real, "rb").read()[:20 * MB] * scale
    colors = subprocess.run([HTML, "/dev/stdin"] + COLORS, input=pages, capture_output=True,
                            check=True).stdout
    cases["real-pages"] = (pages, colors, ["-f", "html"])
    files = {}
    for name, (source, stream, options) in cases.items():
        base = os.path.join(work, f"preview-{name}-x{scale}")
        for suffix, data in ((".src", source), (".stream", stream)):
            with open(base + suffix, "wb") as f:
                f.write(data)
        files[name] = (base + ".src", base + ".stream", options)
    return files


def bench_preview(work):
    """Each hostile input: time for twice the input, what comes out and the peak memory, against
    the size of source and stream."""
    print("ilvo_preview:")
    once, twice = preview_inputs(work, 1), preview_inputs(work, 2)
    tiny = os.path.join(work, "preview-tiny.src")
    with open(tiny, "wb") as f:
        f.write(b"abc\n")
    little = peak_kib([PREVIEW, "-f", "html", "-s", tiny, tiny])
    cmd = lambda files: [PREVIEW] + files[2] + ["-s", files[1], files[0]]
    for name, files in once.items():
        size = os.path.getsize(files[0]) + os.path.getsize(files[1])
        out = subprocess.run(cmd(files), capture_output=True, check=False)
        written = len(out.stdout) + len(out.stderr)
        rs = [timed(cmd(twice[name])) / timed(cmd(files)) for _ in range(PAIRS)]
        peak = peak_kib(cmd(files))
        print(f"  {name:<12} {size_text(files[0]):>8} + {size_text(files[1]):>8} -> "
              f"{written / MB:.2f} MB: "
              f"{check('preview ' + name + ' size', written / size, 4, ' x input')}; twice the "
              f"input: {check('preview ' + name + ' x2', statistics.median(rs), 2.2, ' x')}; "
              f"memory: {check('preview ' + name + ' memory', 1024 * (peak - little) / size, 8, ' x input')}",
              flush=True)
    for files in list(once.values()) + list(twice.values()):
        for f in files[:2]:
            os.remove(f)
    os.remove(tiny)


def startup_and_memory(work):
    page = os.path.join(work, "page.html")
    parts = [open(os.path.join(TOP, f), "rb").read() for f in ("examples/sample.html", "bench/page.html")]
    repeat_to(parts, 20 * 1024, page)
    names = ["cat", "floor"] + [n for n in ("html", "listtint") if ONLY in (None, n)]
    cmds = {"cat": ["cat", page], "floor": [FLOOR_START], "html": [HTML, page] + COLORS,
            "listtint": [LISTTINT, page]}
    times = dict(zip(names, cpu([cmds[n] for n in names])))
    print(f"start-up, {RUNS} runs each on a {size_text(page)} file, taking turns (CPU s): " +
          ", ".join(f"{n} {times[n]:.3f}" for n in names))
    limits = {"html": 0.8, "listtint": 1.0}
    print("  ratio: " + "; ".join(f"{n} {check(n + ' start-up', times[n] / times['cat'], limits[n])}"
                                  for n in names[2:]) +
          f"; floor (a program that does nothing) {times['floor'] / times['cat']:.2f} x cat")
    if ONLY in (None, "html"):
        small = os.path.join(work, "small.html")
        with open(small, "wb") as f:
            f.write(open(page, "rb").read()[:1024])
        little = peak_kib([HTML, small] + COLORS)
        feed = "yes '<b>x</b> <a href=u>t</a>' | head -c 2G"
        big = peak_kib([HTML, "/dev/stdin"] + COLORS, feed=feed)
        real = os.path.join(work, "real.html")
        mapped = peak_kib([HTML, real] + COLORS)
        print(f"peak memory: html {little} KiB on 1 KB; {mapped} KiB on {size_text(real)}: "
              f"{check('html memory, file', (mapped - little) / 1024, 2, ' MiB more')}; "
              f"{big} KiB on a 2 GB pipe: "
              f"{check('html memory, pipe', (big - little) / 1024, 2, ' MiB more')}")
    if ONLY in (None, "listtint"):
        small, big = peak_kib([LISTTINT, page]), peak_kib([LISTTINT, os.path.join(work, "real.lst")])
        print(f"peak memory: listtint {small} KiB on {size_text(page)}, {big} KiB on 50 MB: "
              f"{check('listtint memory', (big - small) / 1024, 1.0, ' MiB more')}")


def main():
    print(f"{PAIRS} pairs a figure; cat and the filter each write into a fresh drained pipe")
    with tempfile.TemporaryDirectory() as tmp:
        work = os.environ.get("BENCH_WORK", tmp)
        os.makedirs(work, exist_ok=True)
        if ONLY in (None, "html"):
            bench_html(work)
        if ONLY in (None, "listtint"):
            bench_listtint(work)
        if ONLY in (None, "preview"):
            bench_preview(work)
        if ONLY != "preview":
            startup_and_memory(work)
    if missed:
        print("missed: " + ", ".join(missed))


main()
