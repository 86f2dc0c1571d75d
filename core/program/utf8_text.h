// Text of code page 1253 (the register's and the program's 8-bit text) as UTF-8, for
// the files that other programs read as Unicode: log.csv and the archive's manifest.
#pragma once
#include <cstddef>

// Converts the NUL-terminated `text` into `out` (`size` bytes, NUL included), never
// past it: a character that does not fit whole ends the text there. Bytes that code
// page 1253 leaves unassigned become U+FFFD. Returns the length written.
size_t Utf8From1253(const char* text, char* out, size_t size);
