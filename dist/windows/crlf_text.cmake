# Writes INPUT to OUTPUT with @VERSION@ filled in and every line ended by CR LF, as Notepad
# and every Windows editor expect; the comment lines at the top of INPUT are left out.
file(READ ${INPUT} text)
string(REGEX REPLACE "^(#[^\n]*\n)+" "" text "${text}")
string(CONFIGURE "${text}" text @ONLY)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
