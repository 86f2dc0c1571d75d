// The message list: a report-style list view that shows every message of the
// program as rows, and the error box.
#include "windows/message_list.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/program/message_text.h"
#include "windows/main_dialog.h"
#include "windows/screen_text.h"

static char MessageBuffer[kMessageBufferChars];
static char CellBuffer[kCellBufferChars];
static wchar_t ScreenCell[kCellBufferChars];

// Depth of HoldListRedraw calls; while above 0 the list neither redraws nor scrolls.
static int HoldDepth = 0;
// The rows the list had when the outermost hold began: those are on the screen as
// they were, and a release draws only the rows added since (and what its scroll
// uncovers), unless the screen under the list was drawn over meanwhile.
static int RowsBeforeHold = 0;
static bool DrawnOverWhileHeld = false;

static HWND MessageList() { return GetDlgItem(MainDialog, kIdMessageList); }

// The splitter's callbacks on the list view; `context` is the list's window. The
// splitter recurses once per line, and noinline keeps these frames (an LVITEMW each)
// out of its own even where the optimiser could see through the pointers.
__attribute__((noinline)) static int InsertEmptyRow(void* context) {
  const HWND list = static_cast<HWND>(context);
  LVITEMW item{};
  item.mask = LVIF_DI_SETITEM;
  item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

__attribute__((noinline)) static void SetCellText(void* context, int row, int column,
                                                  const char* cell, int length) {
  std::memcpy(CellBuffer, cell, static_cast<size_t>(length));
  CellBuffer[length] = '\0';
  ScreenText(CellBuffer, length, ScreenCell, kCellBufferChars);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = ScreenCell;
  SendMessageW(static_cast<HWND>(context), LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

// Rows are finished from the message's last line back to its first, so each is
// scrolled into view in that order. A held batch scrolls once, to its last row, when
// it is released.
static void ScrollToRow(void* context, int row) {
  if (HoldDepth == 0)
    SendMessageW(static_cast<HWND>(context), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), TRUE);
}

void AddListRows(HWND list, char* text) {
  const RowSink sink{list, InsertEmptyRow, SetCellText, ScrollToRow};
  SplitRows(sink, text);
}

int ListPrintf(const char* format, ...) {
  va_list values;
  va_start(values, format);
  const int n = FormatMessageText(MessageBuffer, kMessageBufferChars, format, values);
  va_end(values);
  AddListRows(MessageList(), MessageBuffer);
  return n;
}

void SetupListColumns(HWND list, const char* const* headers, const int* widths, int count) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  for (int i = 0; i < count; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.cx = widths[i];
    if (headers[i] != nullptr) {
      ScreenText(headers[i], static_cast<int>(std::strlen(headers[i])), ScreenCell, kCellBufferChars);
      column.mask |= LVCF_TEXT;
      column.pszText = ScreenCell;
    }
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
}

static int RowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// A held list (LOG holds it for its whole run) is drawn empty at once: the operator
// pressed X to see it so, and the next batch of rows may be a while away.
void ClearMessageList() {
  const HWND list = MessageList();
  if (HoldDepth > 0) SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  if (HoldDepth == 0) return;
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  RowsBeforeHold = 0;
}

// What a release left to draw is drawn before the redraw goes off: a list that is
// not redrawing takes its paint without drawing (Wine's hands it to DefWindowProc),
// and the rows of a release followed at once by a hold, as LOG's showings are, would
// stay blank for good.
void HoldListRedraw() {
  if (HoldDepth++ != 0) return;
  const HWND list = MessageList();
  UpdateWindow(list);
  RowsBeforeHold = RowCount(list);
  DrawnOverWhileHeld = false;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
}

void NoteDialogPaint(HWND dialog) {
  if (HoldDepth == 0 || DrawnOverWhileHeld || dialog == nullptr) return;
  RECT dirty{};
  RECT shown{};
  RECT both{};
  if (!GetUpdateRect(dialog, &dirty, FALSE) || !GetWindowRect(MessageList(), &shown)) return;
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&shown), 2);
  if (IntersectRect(&both, &dirty, &shown)) DrawnOverWhileHeld = true;
}

// From the top of row `first`, where it is now, to the bottom of the list: the rows
// added during the hold, and the empty space below them.
static void InvalidateRowsFrom(HWND list, int first) {
  RECT row{};
  row.left = LVIR_BOUNDS;
  RECT area{};
  GetClientRect(list, &area);
  if (SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(first), reinterpret_cast<LPARAM>(&row)) &&
      row.top > area.top)
    area.top = row.top;
  InvalidateRect(list, &area, TRUE);
}

// Turning the redraw back on makes the list ask to be drawn whole (Wine's does, and
// on Windows the caller is expected to). Where nothing drew over it meanwhile, what
// it showed is still on the screen: the scroll to the last row moves that, and only
// the new rows are drawn. Under Wine a whole redraw costs tens of milliseconds.
void ReleaseListRedraw() {
  if (HoldDepth == 0) return;  // an unmatched release must not unbalance later holds
  if (HoldDepth == 1) NoteDialogPaint(MainDialog);  // a paint still to come counts as well
  if (--HoldDepth != 0) return;
  const HWND list = MessageList();
  const bool drawnOver = DrawnOverWhileHeld || GetUpdateRect(list, nullptr, FALSE);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  if (drawnOver) {
    InvalidateRect(list, nullptr, TRUE);
  } else {
    ValidateRect(list, nullptr);
  }
  const int count = RowCount(list);
  if (count > 0) SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), TRUE);
  if (!drawnOver && RowsBeforeHold < count) InvalidateRowsFrom(list, RowsBeforeHold);
}

void ErrorBox(HWND owner, const char* format, ...) {
  char text[kErrorBoxChars];
  va_list values;
  va_start(values, format);
  FormatMessageText(text, kErrorBoxChars, format, values);
  va_end(values);
  wchar_t wide[kErrorBoxChars];
  ScreenText(text, kErrorBoxChars, wide, kErrorBoxChars);
  MessageBoxW(owner, wide, L" Error ", MB_OK | MB_ICONHAND);
}
