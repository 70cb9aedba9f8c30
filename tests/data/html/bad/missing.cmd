"$PROG" does-not-exist.html $COLORS
