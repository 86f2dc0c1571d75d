// Text of code page 1253 (the register's and the program's 8-bit text) as UTF-8: the
// console's rows, log.csv and the archive's manifest. Converted as Windows converts
// it, so that every place shows what the window's list shows: the bytes that 1253
// leaves unassigned become C1 controls, and 0xAA, 0xD2 and 0xFF the private
// characters U+F8F9 to U+F8FB.
#pragma once

// Code page 1253 reaches no further than U+FFFF: at most 3 bytes of UTF-8 a byte.
constexpr int kUtf8BytesPerByte = 3;

// `length` bytes of `text` into `out`, which holds kUtf8BytesPerByte * length bytes;
// returns the bytes written (no NUL added).
int Utf8From1253(const char* text, int length, char* out);
