# The model stream in a page: a background alone shows no foreground of its own.
"$PROG" -f html -s model.stream src.txt
