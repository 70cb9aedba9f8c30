# Standard input that cannot be read, a directory or closed: the lines written so far, the
# reason on standard error, status 1.
"$PROG" < .; echo "status $?"; "$PROG" <&-; echo "status $?"
# A file named while standard input is closed opens as descriptor 0, and is read.
"$PROG" stdin.lst <&-; echo "status $?"
# A named file whose read fails is named in the message.
"$PROG" /proc/self/mem; echo "status $?"
# Its name is shown in visible form: a link to it whose name holds an escape and a newline.
name=$'mem\n\033[31m'
ln -s /proc/self/mem "$name" && trap 'rm -f "$name"' EXIT
"$PROG" "$name"; echo "status $?"
