"$PROG" - < ../io/stdin.lst
