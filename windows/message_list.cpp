// The message list: a report-style list view that shows every message of the
// program as rows, and the error box.
#include "windows/message_list.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "windows/main_dialog.h"
#include "windows/screen_text.h"

static char MessageBuffer[kMessageBufferChars];
static char CellBuffer[kCellBufferChars];
static wchar_t ScreenCell[kCellBufferChars];

// Depth of HoldListRedraw calls; while above 0 the list neither redraws nor scrolls.
static int HoldDepth = 0;

static HWND MessageList() { return GetDlgItem(MainDialog, kIdMessageList); }

// Kept out of AddListRows, which recurses once per line: its own frame stays small,
// so a message of thousands of line feeds cannot exhaust the stack.
__attribute__((noinline)) static int InsertEmptyRow(HWND list, int index) {
  LVITEMW item{};
  item.mask = LVIF_DI_SETITEM;
  item.iItem = index;
  return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

__attribute__((noinline)) static void SetCellText(HWND list, int row, int column,
                                                  const char* cell, int length) {
  std::memcpy(CellBuffer, cell, static_cast<size_t>(length));
  CellBuffer[length] = '\0';
  ScreenText(CellBuffer, length, ScreenCell, kCellBufferChars);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = ScreenCell;
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// A row's cells are set only after the lines below it have been added (the call for
// the next line happens when the scan reaches this line's LF), so the rows of one
// message are scrolled into view from the last line back to the first.
void AddListRows(HWND list, char* text) {
  const int row = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  const int inserted = InsertEmptyRow(list, row);
  int column = 0;
  char* cell = text;
  for (;;) {
    char* end = cell;
    while (*end != '\0' && *end != '\t' && *end != '\n') ++end;
    const char stop = *end;
    if (stop == '\n') {
      *end = '\0';
      if (end[1] != '\0') AddListRows(list, end + 1);
    }
    const long length = end - cell;
    if (length == 0 || length > kCellMaxChars) break;
    SetCellText(list, row, column, cell, static_cast<int>(length));
    ++column;
    if (stop != '\t') break;
    cell = end + 1;
  }
  // A held batch scrolls once, to its last row, when it is released.
  if (HoldDepth == 0) SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(inserted), TRUE);
}

int ListPrintf(const char* format, ...) {
  va_list values;
  va_start(values, format);
  const int wanted = std::vsnprintf(MessageBuffer, kMessageBufferChars, format, values);
  va_end(values);
  // vsnprintf counts what the whole message would need; the buffer holds the cut text.
  int n = wanted < 0 ? 0 : wanted;
  if (n > kMessageBufferChars - 1) n = kMessageBufferChars - 1;
  MessageBuffer[n] = '\0';
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

void ClearMessageList() { SendMessageW(MessageList(), LVM_DELETEALLITEMS, 0, 0); }

void HoldListRedraw() {
  if (HoldDepth++ == 0) SendMessageW(MessageList(), WM_SETREDRAW, FALSE, 0);
}

void ReleaseListRedraw() {
  if (HoldDepth == 0) return;  // an unmatched release must not unbalance later holds
  if (--HoldDepth != 0) return;
  const HWND list = MessageList();
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  if (count > 0) SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), TRUE);
}

void ErrorBox(HWND owner, const char* format, ...) {
  char text[kErrorBoxChars];
  va_list values;
  va_start(values, format);
  // Cuts an over-long text to fit; the buffer always ends in a NUL.
  const int wanted = std::vsnprintf(text, kErrorBoxChars, format, values);
  va_end(values);
  if (wanted < 0) text[0] = '\0';
  wchar_t wide[kErrorBoxChars];
  ScreenText(text, kErrorBoxChars, wide, kErrorBoxChars);
  MessageBoxW(owner, wide, L" Error ", MB_OK | MB_ICONHAND);
}
