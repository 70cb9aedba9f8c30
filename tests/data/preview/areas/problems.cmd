"$PROG" --format html --stream problems.stream src.txt
# At most 20 messages about lines that cannot be read, then how many more there were.
for k in $(seq 30); do echo "frob $k"; done | "$PROG" src.txt | od -c | tail -1
