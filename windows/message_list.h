// The message list (control 1000 of the main dialog) and the program's one message
// box. ListPrintf, ClearMessageList and the redraw hold are in core/seams/shell.h,
// the seam that the portable operations see.
#pragma once
#include <windows.h>

#include "core/program/row_splitter.h"
#include "core/seams/shell.h"

// One cell's text on its way to the list, NUL included.
constexpr int kCellBufferChars = 4096;
static_assert(kCellMaxChars < kCellBufferChars, "a shown cell fits the cell buffer");
// An ErrorBox text, NUL included; longer ones are cut.
constexpr int kErrorBoxChars = 500;

// Appends `text` to `list` as SplitRows (core/program/row_splitter.h) splits it into
// rows and cells. Changes `text` in place.
void AddListRows(HWND list, char* text);

// Full-row selection and `count` left-aligned columns; a null header gets no text.
void SetupListColumns(HWND list, const char* const* headers, const int* widths, int count);

// The dialog is about to draw `dialog`'s update region: where that covers a list whose
// redraw is held, the list is drawn whole when the hold ends.
void NoteDialogPaint(HWND dialog);

// After each window message: a held list that the dialog drew over is drawn whole
// now, rather than at the next release.
void RedrawListIfDrawnOver();

// At the program's end, before `dialog` is destroyed: a list with rows is left to
// the end of the process, which frees its rows at once, instead of one by one.
void LeaveListToProcessEnd(HWND dialog);

// A modal box with the caption " Error ", the error icon and one OK button.
void ErrorBox(HWND owner, const char* format, ...) TG_PRINTF_LIKE(2, 3);
