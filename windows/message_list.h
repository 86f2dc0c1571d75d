// The message list (control 1000 of the main dialog) and the program's one message
// box. ListPrintf, ClearMessageList and the redraw hold are in core/seams/shell.h,
// the seam that the portable operations see.
#pragma once
#include <windows.h>

#include "core/seams/shell.h"

// Every message is formatted into this many characters, NUL included; longer ones are cut.
constexpr int kMessageBufferChars = 4100;
// One cell's text on its way to the list, NUL included.
constexpr int kCellBufferChars = 4096;
// A longer cell is not shown and ends its row.
constexpr int kCellMaxChars = 4090;
// An ErrorBox text, NUL included; longer ones are cut.
constexpr int kErrorBoxChars = 500;

// Appends `text` as rows, one per LF-separated line, its TAB-separated cells going to
// columns 0, 1, ... An empty or over-long cell ends its row. Changes `text` in place.
void AddListRows(HWND list, char* text);

// Full-row selection and `count` left-aligned columns; a null header gets no text.
void SetupListColumns(HWND list, const char* const* headers, const int* widths, int count);

// A modal box with the caption " Error ", the error icon and one OK button.
void ErrorBox(HWND owner, const char* format, ...) TG_PRINTF_LIKE(2, 3);
