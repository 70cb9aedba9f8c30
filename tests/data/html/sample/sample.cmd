"$PROG" ../../../../examples/sample.html $COLORS
