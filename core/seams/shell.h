// What the operations see of the window: the message pump and the message list.
// One link-time seam: windows/message_list.cpp and the dialog code implement it on
// USER32/COMCTL32, tests/stubs/shell_stub.cpp records rows for the host tests.
#pragma once
#include <cstdint>

#if defined(__GNUC__)
#define TG_PRINTF_LIKE(f, a) __attribute__((format(printf, f, a)))
#else
#define TG_PRINTF_LIKE(f, a)
#endif

// Dispatches at most one pending window message; returns at once when none is pending.
void PumpMessage();

// Every message is formatted into this many characters, NUL included; longer ones are cut.
constexpr int kMessageBufferChars = 4100;

// Formats like printf (never more than the message buffer holds: longer text is cut)
// and appends the text as rows of the message list, split as SplitRows
// (core/program/row_splitter.h) splits them: one per line, cells at TAB.
// The format is always the program's own; device text goes in as a "%s" argument.
int ListPrintf(const char* format, ...) TG_PRINTF_LIKE(1, 2);

// Removes every row; the column and its header stay.
void ClearMessageList();

// Rows added between these two calls are drawn once, at the end, with the list
// scrolled to its last row. Under Wine (and on slow machines) a list that redraws
// for every row costs tens of milliseconds a row; a held batch costs well under one.
// Calls nest; the outermost release redraws.
void HoldListRedraw();
void ReleaseListRedraw();

// How far the running operation has come: `text` (for instance "LOG 120 / 2201")
// follows the program's name in the window caption; `done` of `total` fills the
// progress shown on the taskbar button, where the system has one (total < 0: no
// end known, so the progress runs without one). ClearProgress puts the caption back.
void ShowProgress(const char* text, int64_t done, int64_t total);
void ClearProgress();
