"$PROG" --format html --stream problems.stream src.txt
# At most 20 messages about lines that cannot be read, then how many more there were.
for k in $(seq 30); do echo "frob $k"; done | "$PROG" src.txt | od -c | tail -1
# Several problems on one line count one message each toward the 20; a long line is quoted in
# its first 200 characters; a line of a million commands gives 20 messages and their count.
printf 'frob;pink\n[1,1],[1,2]ca pink pink\n' | "$PROG" src.txt 2>&1 >/dev/null
head -c 300000 /dev/zero | tr '\0' 'y' | "$PROG" src.txt 2>&1 >/dev/null
yes 'x;' | head -n 1000000 | tr -d '\n' | "$PROG" src.txt 2>&1 >/dev/null | tail -1
yes 'x;' | head -n 1000000 | tr -d '\n' | "$PROG" src.txt 2>&1 >/dev/null | wc -c
