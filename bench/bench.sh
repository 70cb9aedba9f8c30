#!/usr/bin/env bash
# Measures the filters against cat on this machine: throughput on ~50 MB inputs, start-up
# cost on a 20 KB page, and peak memory. Ratios, not absolute times: the machine is shared.
# Usage: bench.sh BUILD_DIR   (make bench builds the release programs first)
set -eu
build=$1
top=$(cd "$(dirname "$0")/.." && pwd)
html=$build/contrib/parsehtml/html
listtint=$build/listing/listtint
colors=$(cat "$top/examples/sample.colors")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pairs=${BENCH_PAIRS:-7}
runs=${BENCH_RUNS:-200}

# Inputs made from the project's own pages and listings.
python3 - "$top" "$work" <<'PY'
import glob, os, sys
top, work = sys.argv[1], sys.argv[2]
def build(pattern_list, target, out):
    parts = [open(f, 'rb').read() for p in pattern_list for f in sorted(glob.glob(os.path.join(top, p)))]
    unit = b''.join(p if p.endswith(b'\n') else p + b'\n' for p in parts)
    with open(out, 'wb') as f:
        f.write(unit * (target // len(unit) + 1))
build(['bench/page.html'], 50 << 20, os.path.join(work, 'big.html'))
build(['tests/data/listtint/realistic/*.lst'], 50 << 20, os.path.join(work, 'big.lst'))
build(['examples/sample.html', 'bench/page.html'], 20 << 10, os.path.join(work, 'page.html'))
PY

now() { date +%s%N; }
# Median of the pairwise ratios filter/cat, each writing into a pipe that is read and discarded.
ratio() {
  local file=$1; shift
  local rs=()
  for _ in $(seq "$pairs"); do
    local t0 t1 t2
    t0=$(now); "$@" "$file" $extra 2>/dev/null | cat >/dev/null; t1=$(now)
    cat "$file" | cat >/dev/null; t2=$(now)
    rs+=("$(( (t1 - t0) * 1000 / (t2 - t1) ))")
  done
  printf '%s\n' "${rs[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.2f", a[int((NR+1)/2)]/1000}'
}
# CPU seconds (user + system) of $runs runs of a command on the page.
cpu() {
  /usr/bin/time -f '%U %S' bash -c 'for i in $(seq '"$runs"'); do "$@" >/dev/null 2>&1; done' _ "$@" 2>&1 |
    tail -1 | awk '{printf "%.3f", $1 + $2}'
}
peak() { /usr/bin/time -f '%M' "$@" >/dev/null 2>"$work/peak" || true; tail -1 "$work/peak"; }

mb() { awk -v s="$(stat -c %s "$1")" 'BEGIN {if (s < 1048576) printf "%.0f KB", s / 1024; else printf "%.1f MB", s / 1048576}'; }
echo "inputs: big.html $(mb "$work/big.html"), big.lst $(mb "$work/big.lst"), page.html $(mb "$work/page.html")"
extra=$colors; echo "html on big.html:      $(ratio "$work/big.html" "$html") x the time of cat (target <= 4)"
extra=;        echo "listtint on big.lst:   $(ratio "$work/big.lst" "$listtint") x the time of cat (target <= 4)"
c_cat=$(cpu cat "$work/page.html")
# shellcheck disable=SC2086
c_html=$(cpu "$html" "$work/page.html" $colors)
c_list=$(cpu "$listtint" "$work/page.html")
echo "start-up, $runs runs on a 20 KB page (CPU s): cat $c_cat, html $c_html, listtint $c_list"
awk -v a="$c_html" -v b="$c_list" -v c="$c_cat" \
  'BEGIN {printf "start-up ratio: html %.2f, listtint %.2f x cat (target <= 1.1)\n", a / c, b / c}'
# shellcheck disable=SC2086
echo "peak memory: html $(peak "$html" "$work/big.html" $colors) KiB on $(mb "$work/big.html")," \
  "listtint $(peak "$listtint" "$work/big.lst") KiB on $(mb "$work/big.lst")," \
  "listtint $(peak "$listtint" "$work/page.html") KiB on the 20 KB page"
