// The formatting behind ListPrintf on every platform: printf-like, into a buffer of
// the caller's, never past it.
#pragma once
#include <cstdarg>

#include "core/seams/shell.h"

// Formats into `buffer` (`size` characters, NUL included), cutting a longer text to
// fit; the buffer always ends in a NUL. Returns the length of what it holds.
int FormatMessageText(char* buffer, int size, const char* format, va_list values)
    TG_PRINTF_LIKE(3, 0);

// The text of the last message formatted (a row, or the error box), as shown.
const char* LastFormattedMessage();
