"$PROG" .
