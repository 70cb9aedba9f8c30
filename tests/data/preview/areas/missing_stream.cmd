"$PROG" --stream nope.stream src.txt
