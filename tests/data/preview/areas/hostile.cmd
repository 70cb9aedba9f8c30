# Control characters, a CRLF file and bytes that are no UTF-8, in the source, the stream and a
# msg: every form shows them visibly, and none reaches the terminal or the page raw.
for f in ansi ansi256 html; do "$PROG" -f $f -s hostile.stream hostile.txt; done
# A character that two runs share is written once, whole, in the first.
printf 'a\303\251b\n' > split.txt && trap 'rm -f split.txt' EXIT
printf '[1,1],[1,3]ca red ""\n' | "$PROG" --color=always split.txt | od -c
printf '[1,1],[1,3]ca red ""\n' | "$PROG" -f html split.txt | grep -o '<pre>.*'
# Inputs that once came out many times larger or slower: bytes in (source + stream), bytes out
# (standard output + standard error). Every page is at most 4 times its input.
sizes() {
  local in out
  in=$(($(wc -c < "$1") + $(wc -c < "$2")))
  out=$("$PROG" "${@:3}" -s "$2" "$1" 2>&1 | wc -c)
  echo "$in -> $out"
}
trap 'rm -f split.txt h.txt h.stream' EXIT
printf 'abc\n' > h.txt
head -c 1000000 /dev/zero | tr '\0' 'x' > h.stream && sizes h.txt h.stream -f html
yes 'x;' | head -n 100000 | tr -d '\n' > h.stream && sizes h.txt h.stream -f html
head -c 2048 /dev/zero | tr '\0' 'x' > h.txt
python3 -c "
for first, colors in ((1, 'red blue'), (2, 'green black')):
    print(';'.join('[1,%d],[1,%d]ca %s' % (k, k + 1, colors) for k in range(first, 2048, 2)))
" > h.stream && sizes h.txt h.stream -f html
yes '\*(+K' | head -n 160000 | tr -d '\n' > h.txt && echo '1,$ca;fgc green; bgc black; fgc green ' > h.stream
sizes h.txt h.stream -f html
