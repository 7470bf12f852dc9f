# Copies a UTF-8 text file as Windows programs read text: lines ending in CR LF, and with
# BOM=ON a byte-order mark in front, so that Notepad takes the text as UTF-8.
#   cmake -D INPUT=<file> -D OUTPUT=<file> [-D BOM=ON] -P windows_text.cmake
file(READ ${INPUT} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
if(BOM)
  string(ASCII 239 187 191 mark)
  set(text "${mark}${text}")
endif()
file(WRITE ${OUTPUT} "${text}")
