// Output files written as the C library's text mode writes them on Windows: every
// LF byte reaches the file as CR LF, every other byte unchanged. Done explicitly, so
// that every build writes the same bytes (a line ending in CR LF ends in 0D 0D 0A).
#pragma once
#include <cstddef>
#include <cstdio>

// Creates or empties the file; null when it cannot be opened.
FILE* OpenTextFile(const char* name);
void WriteTextBytes(FILE* file, const char* bytes, size_t count);
void CloseTextFile(FILE* file);
