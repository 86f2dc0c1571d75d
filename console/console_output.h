// What the shared console code needs of each twin's console: one link-time seam,
// posix/console_shell.cpp and windows/console/console_shell.cpp. The rows themselves
// come through the shell seam (core/seams/shell.h), which console/console_rows.cpp
// implements for both twins on WriteConsoleRow and FlushConsoleRows.
#pragma once
#include "core/seams/shell.h"

// One line on stderr, the program's name first; the format is the program's own.
// Formatted in console/console_rows.cpp, written by WriteConsoleNote.
void ConsoleNote(const char* format, ...) TG_PRINTF_LIKE(1, 2);
// `line` (its LF included) on stderr, below the rows written so far and above the
// status line.
void WriteConsoleNote(const char* line);
// Every row written out and the status line gone: before the program ends.
void EndConsoleOutput();
// One row of the list, `length` characters of the program's 1253 text without a
// line end, as one line of stdout (a held batch of rows may stay buffered).
void WriteConsoleRow(const char* text, int length);
// The rows written so far reach the reader.
void FlushConsoleRows();
// For a job that a stop ended: its exit status, and `cause` what stopped it
// ("SIGINT", "Ctrl+C").
int StoppedStatus(const char*& cause);
