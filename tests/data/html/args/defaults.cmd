# No colors at all: the defaults, and the message, for every color of the table.
"$PROG" every_color.html
