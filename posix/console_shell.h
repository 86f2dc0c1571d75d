// The console program's own lines, beside the rows of the shell seam (which go to
// stdout): errors and how a job ended, on stderr, kept clear of the status line.
#pragma once
#include "core/seams/shell.h"

// One line on stderr, "tallyglass: " first; the format is the program's own.
void ConsoleNote(const char* format, ...) TG_PRINTF_LIKE(1, 2);
// Every row written out and the status line gone: before the program ends.
void EndConsoleOutput();
