# cmake -DIN=file -DOUT=file -P to-crlf.cmake
# Copies a text file with CRLF line ends (whatever it had before) and nothing
# after its last byte.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}.tmp" "${text}")
file(RENAME "${OUT}.tmp" "${OUT}")
