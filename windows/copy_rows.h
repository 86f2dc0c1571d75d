// Taking the message list's rows out of the program: the commands behind Ctrl+A,
// Ctrl+C and the list's menu (row_menu.h).
#pragma once
#include <windows.h>

// Selects every row.
void SelectAllRows();

// Puts the selected rows on the clipboard, or every row when none is selected, as
// Unicode text (CF_UNICODETEXT): one row a line, each line ending in CR LF. A row's
// own trailing CR (report lines carry one from their CR LF) is left out, so that a
// pasted row is a clean line. An empty list leaves the clipboard as it was.
void CopyRows();
