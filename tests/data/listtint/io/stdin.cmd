"$PROG" < stdin.lst
