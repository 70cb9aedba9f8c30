#!/usr/bin/env bash
# Runs the README's examples as written: each block fenced as ```sh in bash, each ```c block
# compiled against the libraries and run, every one in a fresh folder in which build/,
# examples/ and src/ are those of the build and the clone. Any non-zero status fails.
# Usage: readme_test.sh SOURCE_DIR BUILD_DIR
set -u
top=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0 n=0
# Each block into its own file, block-N.sh or block-N.c.
awk -v dir="$tmp" '
  /^```(sh|c)$/ { n++; kind = substr($0, 4); file = sprintf("%s/block-%02d.%s", dir, n, kind); next }
  /^```/ && file { close(file); file = ""; next }
  file { print > file }
' "$top/README.md"
for block in "$tmp"/block-*; do
  n=$((n + 1))
  work="$tmp/run-$n"
  mkdir "$work" && ln -s "$build" "$work/build" && ln -s "$top/examples" "$work/examples" &&
    ln -s "$top/src" "$work/src"
  case $block in
    *.sh) (cd "$work" && bash -eo pipefail "$block") >"$work/log" 2>&1 ;;
    *.c) (cd "$work" && cc ${CFLAGS:-} -Wall -Werror -I src -o prog "$block" build/libilvo_debug.a \
            build/libilvo_hexdump.a && ./prog) >"$work/log" 2>&1 ;;
  esac
  if [ $? = 0 ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); echo "FAIL: $(basename "$block"):"; cat "$block"; echo "--"; cat "$work/log"; fi
done
[ "$n" -gt 0 ] || { echo "no runnable block found"; exit 1; }
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
