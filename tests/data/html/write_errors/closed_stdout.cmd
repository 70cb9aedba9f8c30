"$PROG" page.html $COLORS >&-
