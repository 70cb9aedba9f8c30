#!/usr/bin/env bash
# Runs every fuzz target for a bounded time from its seed corpus. Any crash, sanitizer
# report, leak or timeout fails the run, and the reproducer is printed in hex.
# Usage: fuzz.sh BUILD_DIR SECONDS
set -u
build=$1 seconds=$2
top=$(cd "$(dirname "$0")/.." && pwd)
status=0 passed=0 failed=0
for target in html listtint hexdump debug preview; do
  work=$build/fuzz-work/$target
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
  echo "== $target: $seconds s"
  "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
    "$work/corpus" "$top/fuzz/corpus/$target" >"$work/log" 2>&1
  rc=$?
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log"
  grep -oE 'cov: [0-9]+ ft: [0-9]+' "$work/log" | tail -1
  if [ $rc -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  if [ $rc -ne 0 ]; then
    status=1
    echo "FAIL: $target (exit $rc)"
    grep -E 'ERROR|SUMMARY|bad stream line|runtime error|deadly signal|timeout' "$work/log" | head -20
    for a in "$work"/artifacts/*; do
      [ -f "$a" ] || continue
      echo "reproducer $a:"
      od -A d -t x1 "$a" | head -40
    done
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
