// The Windows console (console/console_output.h): rows on stdout, notes and the
// status line on stderr. A handle that is a console window gets UTF-16 through
// WriteConsoleW, so Greek shows whatever the console's code page; a file or a pipe
// gets UTF-8.
#pragma once
#include "console/console_output.h"

// `length` bytes of `text` in code page `codePage` (1253 for the rows, CP_UTF8 for
// the program's own texts) to stdout (`toStderr` false) or stderr.
void WriteConsoleText(bool toStderr, const char* text, int length, unsigned codePage);
