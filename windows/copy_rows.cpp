#include "windows/copy_rows.h"

#include <commctrl.h>

#include "windows/main_dialog.h"
#include "windows/message_list.h"

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";
constexpr size_t kLineEndChars = 2;

// One row's text; a cell never holds more than kCellMaxChars.
wchar_t RowText[kCellBufferChars];

HWND MessageList() { return GetDlgItem(MainDialog, kIdMessageList); }

// The row after `row` that is copied: the next selected one, or simply the next one
// when every row is copied. -1 after the last; `row` -1 asks for the first.
int NextCopiedRow(HWND list, int row, bool selectedOnly) {
  if (selectedOnly)
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  return row + 1 < count ? row + 1 : -1;
}

// Reads the row's text into RowText without its trailing CRs; returns its length.
size_t ReadRow(HWND list, int row) {
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = RowText;
  item.cchTextMax = kCellBufferChars;
  RowText[0] = L'\0';
  LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  if (length < 0 || length >= kCellBufferChars) length = 0;
  while (length > 0 && RowText[length - 1] == L'\r') --length;
  return static_cast<size_t>(length);
}

// The copied rows, written into `text` when it is not null; returns their length in
// characters. Rows are read twice (to size the block, then to fill it) rather than
// held: the list sets no limit on its rows.
size_t GatherRows(HWND list, bool selectedOnly, wchar_t* text) {
  size_t total = 0;
  for (int row = NextCopiedRow(list, -1, selectedOnly); row >= 0; row = NextCopiedRow(list, row, selectedOnly)) {
    const size_t length = ReadRow(list, row);
    if (text != nullptr) {
      CopyMemory(text + total, RowText, length * sizeof(wchar_t));
      CopyMemory(text + total + length, kLineEnd, kLineEndChars * sizeof(wchar_t));
    }
    total += length + kLineEndChars;
  }
  return total;
}

// Hands the block to the clipboard, which owns it from then on.
void PutOnClipboard(HGLOBAL block) {
  if (!OpenClipboard(MainDialog)) {
    GlobalFree(block);
    return;
  }
  EmptyClipboard();
  if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) GlobalFree(block);
  CloseClipboard();
}

}  // namespace

void SelectAllRows() {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  SendMessageW(MessageList(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void CopyRows() {
  const HWND list = MessageList();
  const bool selectedOnly = SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
  const size_t chars = GatherRows(list, selectedOnly, nullptr);
  if (chars == 0) return;
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (chars + 1) * sizeof(wchar_t));
  if (block == nullptr) return;
  wchar_t* text = static_cast<wchar_t*>(GlobalLock(block));
  if (text == nullptr) {
    GlobalFree(block);
    return;
  }
  // Nothing runs between the two passes (no messages are pumped), so the rows agree.
  text[GatherRows(list, selectedOnly, text)] = L'\0';
  GlobalUnlock(block);
  PutOnClipboard(block);
}
