"$PROG" --stream overlap.stream nope.txt
