"$PROG"
