"$PROG" --format html --stream overlap.stream src.txt
