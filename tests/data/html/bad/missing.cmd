"$PROG" does-not-exist.html $COLORS
# A name with an escape and a newline is shown in visible form.
"$PROG" $'no\n\033[31mfile' $COLORS
