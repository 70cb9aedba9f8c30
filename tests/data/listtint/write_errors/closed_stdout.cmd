"$PROG" < page.lst >&-
