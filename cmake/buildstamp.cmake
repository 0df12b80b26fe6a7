# Writes the client's build stamp translation unit (cmake -DOUT=<file> -P buildstamp.cmake): the
# date and time of this build as texts of the compiler's __DATE__ and __TIME__ forms
# ("Dec  5 2026", "14:03:27"). The texts are part of the file, so a compiler cache never serves an
# object of an earlier build.
string(TIMESTAMP month "%b")
string(TIMESTAMP day "%d")
string(TIMESTAMP year "%Y")
string(TIMESTAMP time "%H:%M:%S")
string(REGEX REPLACE "^0" " " day "${day}")
file(WRITE "${OUT}"
"// Written by cmake/buildstamp.cmake when the client's code changes: the date and time of that build.
#include \"app/buildstamp.h\"

const char* BuildDateText() { return \"${month} ${day} ${year}\"; }
const char* BuildTimeText() { return \"${time}\"; }
")
