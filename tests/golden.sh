#!/usr/bin/env bash
# Runs the golden cases of one folder: each NAME.out is a case, compared with what the program
# writes. Usage: golden.sh html|listtint|preview PROGRAM DIR [--update]
#   input:    NAME.html or NAME.lst, or NAME.cmd, a shell line run with $PROG set
#   expected: NAME.out (standard output), NAME.err (standard error, if any),
#             NAME.status (exit status, if not 0)
# --update rewrites the expected files from the program; review every diff before committing.
set -u
kind=$1 prog=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") dir=$3 update=${4:-}
# The 36 colors named after their variables, so that every row shows which one it used.
colors="FGC BGC LINK URL HTML BODY PRE TITLE CENTER A H1 H2 H3 H4 UL LI OL IMG HR BR FORM SELECT
OPTION CMNT B TD TR TH TABLE CAPTION EM I BLOCKQUOTE P FONT HEAD"
export PROG=$prog COLORS=$colors
# The preview's colors as a terminal that says it shows 24-bit colors would get them.
export COLORTERM=truecolor
unset NO_COLOR
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$dir" || exit 2
failed=0 passed=0
for expected in *.out; do
  name=${expected%.out}
  if [ -f "$name.cmd" ]; then
    bash -c "$(cat "$name.cmd")" >"$tmp/out" 2>"$tmp/err" </dev/null
  elif [ "$kind" = html ]; then
    # shellcheck disable=SC2086
    "$prog" "$name.html" $colors >"$tmp/out" 2>"$tmp/err" </dev/null
  else
    "$prog" "$name.lst" >"$tmp/out" 2>"$tmp/err" </dev/null
  fi
  echo $? >"$tmp/status"
  if [ "$update" = --update ]; then
    cp "$tmp/out" "$name.out"
    if [ -s "$tmp/err" ]; then cp "$tmp/err" "$name.err"; else rm -f "$name.err"; fi
    if [ "$(cat "$tmp/status")" != 0 ]; then cp "$tmp/status" "$name.status"; else rm -f "$name.status"; fi
    continue
  fi
  ok=1
  diff -u "$name.out" "$tmp/out" || ok=0
  if [ -f "$name.err" ]; then diff -u "$name.err" "$tmp/err" || ok=0
  elif [ -s "$tmp/err" ]; then echo "$name: unexpected standard error:"; cat "$tmp/err"; ok=0; fi
  want=0; [ -f "$name.status" ] && want=$(cat "$name.status")
  [ "$(cat "$tmp/status")" = "$want" ] || { echo "$name: exit status $(cat "$tmp/status"), want $want"; ok=0; }
  if [ $ok = 1 ]; then passed=$((passed + 1)); else echo "FAIL: $dir/$name"; failed=$((failed + 1)); fi
done
[ "$update" = --update ] && exit 0
echo "$passed passed, $failed failed"
[ $failed = 0 ]
