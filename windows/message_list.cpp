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

// The list of the current dialog, looked up once: under Wine every GetDlgItem is a
// request to the Wine server, and ListPrintf runs for every row.
static HWND MessageList() {
  static HWND dialog = nullptr;
  static HWND list = nullptr;
  if (dialog != MainDialog) {
    dialog = MainDialog;
    list = GetDlgItem(MainDialog, kIdMessageList);
  }
  return list;
}

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

// The list's redraw goes off with what it shows now. What is left to draw is drawn
// first: a list that is not redrawing takes its paint without drawing (Wine's hands
// it to DefWindowProc), and the rows of a release followed at once by a hold, as
// LOG's showings are, would stay blank for good.
static void StartHold(HWND list) {
  UpdateWindow(list);
  RowsBeforeHold = RowCount(list);
  DrawnOverWhileHeld = false;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
}

// A held list (LOG holds it for its whole run) is drawn empty at once: the operator
// pressed X to see it so, and the next batch of rows may be a while away.
void ClearMessageList() {
  const HWND list = MessageList();
  if (HoldDepth > 0) SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  if (HoldDepth == 0) return;
  InvalidateRect(list, nullptr, TRUE);
  StartHold(list);
}

void HoldListRedraw() {
  if (HoldDepth++ == 0) StartHold(MessageList());
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

static HWND Header(HWND list) { return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)); }
static int TopRow(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)); }

static bool RowRect(HWND list, int row, RECT& rect) {
  rect = RECT{LVIR_BOUNDS, 0, 0, 0};
  return SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
}

// The part of the list that shows rows: its client area below the header.
static RECT RowArea(HWND list) {
  RECT area{};
  RECT header{};
  GetClientRect(list, &area);
  if (GetWindowRect(Header(list), &header)) area.top += header.bottom - header.top;
  return area;
}

// Turns the list's own redraw back on, and scrolls to `last` when it is a row, with
// the window's drawing kept off meanwhile (DefWindowProc's redraw switch, which the
// list itself does not use): on that message the list sets its scroll bars afresh
// and asks to be drawn whole, frame and both scroll bars included, and a scroll
// redraws the bar and draws the uncovered rows at once. Under Wine each scroll bar
// update draws the bar again, some 5 ms each, four to five of them per release, and
// a frame left to draw costs the next paint some 14 ms more (the border and both
// bars), so the frame is taken off what is left to draw as well. Returns how many
// rows the list scrolled.
static int WakeList(HWND list, int last) {
  DefWindowProcW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  const int top = TopRow(list);
  if (last >= 0) SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(last), TRUE);
  const int scrolled = TopRow(list) - top;
  DefWindowProcW(list, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(list, nullptr, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
  return scrolled;
}

// Where the vertical scroll bar's parts are, in pixels: what the screen shows of it.
static SCROLLBARINFO VerticalBar(HWND list) {
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof bar;
  if (!GetScrollBarInfo(list, OBJID_VSCROLL, &bar)) bar.xyThumbTop = -1;
  return bar;
}

static bool SameBar(const SCROLLBARINFO& a, const SCROLLBARINFO& b) {
  return EqualRect(&a.rcScrollBar, &b.rcScrollBar) && a.xyThumbTop == b.xyThumbTop &&
         a.xyThumbBottom == b.xyThumbBottom && std::memcmp(a.rgstate, b.rgstate, sizeof a.rgstate) == 0;
}

// The vertical scroll bar is drawn again only when its thumb moved by a pixel at
// least: in a long list a batch of rows often moves it by less.
static void RedrawBarIfMoved(HWND list, const SCROLLBARINFO& shown) {
  if (SameBar(shown, VerticalBar(list))) return;
  SCROLLINFO bar{};
  bar.cbSize = sizeof bar;
  bar.fMask = SIF_POS;
  if (GetScrollInfo(list, SB_VERT, &bar)) SetScrollInfo(list, SB_VERT, &bar, TRUE);
}

// Rows from `first` on were added while the list did not draw, and the list has
// since scrolled down by `scrolled` rows: what it showed moves up (one scroll of the
// window for the whole batch), and only the rows that thereby come into view, and
// new rows that were already in view, are drawn. The header stays as it is.
static void ShowNewRows(HWND list, int first, int scrolled) {
  RECT rows = RowArea(list);
  RECT row{};
  const int height = RowRect(list, TopRow(list), row) ? row.bottom - row.top : 0;
  const long long shift = static_cast<long long>(scrolled) * height;
  if (shift < 0 || shift >= rows.bottom - rows.top) {
    InvalidateRect(list, &rows, TRUE);
    return;
  }
  const int dy = -static_cast<int>(shift);
  if (dy < 0) ScrollWindowEx(list, 0, dy, &rows, &rows, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
  rows.bottom += dy;
  if (RowRect(list, first, row) && row.top > rows.top) rows.top = row.top;
  if (rows.top < rows.bottom) InvalidateRect(list, &rows, TRUE);
}

static bool PaintPending(HWND list) {
  return GetUpdateRect(list, nullptr, FALSE) || GetUpdateRect(Header(list), nullptr, FALSE);
}

// What changed while the list was held reaches the screen: nothing at all when no
// row was added and nothing drew over it; the whole list (frame, header and rows)
// when something drew over it or its size changed (a scroll bar came or went);
// otherwise the new rows, and the vertical scroll bar where its thumb moved.
static void DrawHeldChanges(HWND list) {
  const int count = RowCount(list);
  const bool added = count > RowsBeforeHold;
  const bool drawnOver = DrawnOverWhileHeld || PaintPending(list);
  const SCROLLBARINFO bar = VerticalBar(list);
  RECT before{};
  RECT after{};
  GetClientRect(list, &before);
  const int scrolled = WakeList(list, added ? count - 1 : -1);
  GetClientRect(list, &after);
  if (drawnOver || !EqualRect(&before, &after)) {
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  } else if (added) {
    RedrawBarIfMoved(list, bar);
    ShowNewRows(list, RowsBeforeHold, scrolled);
  }
  DrawnOverWhileHeld = false;
}

void ReleaseListRedraw() {
  if (HoldDepth == 0) return;  // an unmatched release must not unbalance later holds
  if (HoldDepth == 1) NoteDialogPaint(MainDialog);  // a paint still to come counts as well
  if (--HoldDepth != 0) return;
  DrawHeldChanges(MessageList());
}

// A held list that the dialog drew over (another window uncovered it) is drawn now,
// not at the next release, which may be long in coming while no rows are added.
void RedrawListIfDrawnOver() {
  if (HoldDepth == 0 || !DrawnOverWhileHeld) return;
  const HWND list = MessageList();
  DrawHeldChanges(list);
  StartHold(list);
}

// Destroying the list frees its rows one at a time, and Wine's list view looks each
// row up from the start of a table as it goes: some 5 s for the 166,667 rows of a
// 10 MB dump. At the program's end the list is therefore taken out of the dialog
// (made a message-only window) and left to the end of the process, which frees it
// whole; an empty list goes with the dialog.
void LeaveListToProcessEnd(HWND dialog) {
  const HWND list = GetDlgItem(dialog, kIdMessageList);
  if (list != nullptr && RowCount(list) > 0) SetParent(list, HWND_MESSAGE);
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
