// The message list on a real (Wine) list view: rows and cells, the order in which
// rows are filled and scrolled, clearing, the redraw hold and the bounded formatters.
#include <string>
#include <vector>

#include "dialog_helpers.h"

namespace {

// What the list was asked to do, in order: the list view messages that matter here.
struct ListCall {
  UINT message;
  WPARAM wParam;
  int subItem;
  std::wstring text;
};
std::vector<ListCall> g_calls;
WNDPROC g_listProc = nullptr;

LRESULT CALLBACK RecordingListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == LVM_INSERTITEMW || message == LVM_SETITEMTEXTW) {
    const LVITEMW* item = reinterpret_cast<const LVITEMW*>(lParam);
    const std::wstring text = item->pszText != nullptr && (message == LVM_SETITEMTEXTW)
                                  ? std::wstring(item->pszText)
                                  : std::wstring();
    g_calls.push_back({message, message == LVM_INSERTITEMW ? static_cast<WPARAM>(item->iItem) : wParam,
                       item->iSubItem, text});
  } else if (message == LVM_ENSUREVISIBLE || message == WM_SETREDRAW || message == WM_NCPAINT) {
    g_calls.push_back({message, wParam, 0, L""});
  }
  return CallWindowProcW(g_listProc, list, message, wParam, lParam);
}

std::vector<WPARAM> CallsOf(UINT message) {
  std::vector<WPARAM> found;
  for (const ListCall& call : g_calls)
    if (call.message == message) found.push_back(call.wParam);
  return found;
}

class MessageListTest : public MainDialogTest {
 protected:
  void SetUp() override {
    MainDialogTest::SetUp();
    g_calls.clear();
    g_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingListProc)));
  }
  // The cells set, as "row:column=text".
  Lines CellsSet() const {
    Lines cells;
    for (const ListCall& call : g_calls)
      if (call.message == LVM_SETITEMTEXTW)
        cells.push_back(std::to_wstring(call.wParam) + L":" + std::to_wstring(call.subItem) + L"=" +
                        call.text);
    return cells;
  }
};

TEST_F(MessageListTest, OneMessageIsOneRowAtTheEndScrolledIntoView) {
  ListPrintf("first");
  g_calls.clear();
  EXPECT_EQ(ListPrintf("Closed port COM%u", 3u), 16);
  EXPECT_EQ(Rows(), (Lines{L"first", L"Closed port COM3"}));
  EXPECT_EQ(CallsOf(LVM_ENSUREVISIBLE), std::vector<WPARAM>{1});
}

TEST_F(MessageListTest, LineFeedsSplitRows) {
  ListPrintf("a\nb");
  EXPECT_EQ(Rows(), (Lines{L"a", L"b"}));
  ClearMessageList();
  ListPrintf("a\n");
  EXPECT_EQ(Rows(), (Lines{L"a"}));
  ClearMessageList();
  ListPrintf("a\n\nb");
  EXPECT_EQ(Rows(), (Lines{L"a", L"", L"b"}));
  ClearMessageList();
  ListPrintf("%s", "");
  EXPECT_EQ(Rows(), (Lines{L""}));
}

TEST_F(MessageListTest, LaterLinesAreFilledAndScrolledFirst) {
  ListPrintf("a\nb\nc");
  EXPECT_EQ(Rows(), (Lines{L"a", L"b", L"c"}));
  EXPECT_EQ(CallsOf(LVM_INSERTITEMW), (std::vector<WPARAM>{0, 1, 2}));
  EXPECT_EQ(CellsSet(), (Lines{L"2:0=c", L"1:0=b", L"0:0=a"}));
  EXPECT_EQ(CallsOf(LVM_ENSUREVISIBLE), (std::vector<WPARAM>{2, 1, 0}));
}

TEST_F(MessageListTest, TabsSplitCellsAndAnEmptyCellEndsTheRow) {
  ListPrintf("a\tb");
  EXPECT_EQ(Rows(), (Lines{L"a"}));
  EXPECT_EQ(CellsSet(), (Lines{L"0:0=a", L"0:1=b"}));

  ClearMessageList();
  g_calls.clear();
  ListPrintf("\tb");
  EXPECT_EQ(Rows(), (Lines{L""}));
  EXPECT_TRUE(CellsSet().empty());

  // The row ends at the empty cell before its LF is reached: "c" is never found.
  ClearMessageList();
  g_calls.clear();
  ListPrintf("a\t\tb\nc");
  EXPECT_EQ(Rows(), (Lines{L"a"}));
  EXPECT_EQ(CellsSet(), (Lines{L"0:0=a"}));
}

TEST_F(MessageListTest, CellsOfUpTo4090CharactersAreShown) {
  const std::string longest(kCellMaxChars, 'x');
  ListPrintf("%s", longest.c_str());
  EXPECT_EQ(Row(0), std::wstring(kCellMaxChars, L'x'));

  // One more: the cell and everything after it on its line are dropped.
  ClearMessageList();
  g_calls.clear();
  const std::string tooLong(kCellMaxChars + 1, 'y');
  ListPrintf("a\t%s\tb", tooLong.c_str());
  EXPECT_EQ(Rows(), (Lines{L"a"}));
  EXPECT_EQ(CellsSet(), (Lines{L"0:0=a"}));

  // Ending at its LF, the over-long cell has already added the lines below it.
  ClearMessageList();
  ListPrintf("%s\nb", tooLong.c_str());
  EXPECT_EQ(Rows(), (Lines{L"", L"b"}));
}

TEST_F(MessageListTest, CarriageReturnStaysInTheRow) {
  ListPrintf("report line\r\n");
  EXPECT_EQ(Rows(), (Lines{L"report line\r"}));
}

TEST_F(MessageListTest, DeviceTextIsShownAsItIs) {
  ListPrintf("%s", "100%d %s\\n");
  EXPECT_EQ(Rows(), (Lines{L"100%d %s\\n"}));
}

TEST_F(MessageListTest, ClearingKeepsTheColumnAndStartsAgainAtRowZero) {
  ClearMessageList();  // an empty list stays empty
  EXPECT_EQ(RowCount(), 0);
  ListPrintf("one\ntwo");
  ClearMessageList();
  EXPECT_EQ(RowCount(), 0);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  EXPECT_TRUE(SendMessageW(list_, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)));
  EXPECT_EQ(column.cx, 2000);
  g_calls.clear();
  ListPrintf("next");
  EXPECT_EQ(Rows(), (Lines{L"next"}));
  EXPECT_EQ(CallsOf(LVM_INSERTITEMW), std::vector<WPARAM>{0});
}

TEST_F(MessageListTest, OverlongMessageIsCutToTheBuffer) {
  // 4000 + 1 + 200 characters; the buffer keeps 4099 and its NUL.
  const std::string text = std::string(4000, 'a') + "\n" + std::string(200, 'b');
  EXPECT_EQ(ListPrintf("%s", text.c_str()), kMessageBufferChars - 1);
  EXPECT_EQ(Rows(), (Lines{std::wstring(4000, L'a'), std::wstring(98, L'b')}));
  // A much longer one is cut as well, and the list goes on working.
  const std::string huge(100000, 'z');
  EXPECT_EQ(ListPrintf("%s", huge.c_str()), kMessageBufferChars - 1);
  EXPECT_EQ(RowCount(), 3);
  ListPrintf("after");
  EXPECT_EQ(Row(3), L"after");
}

TEST_F(MessageListTest, HeldBatchRedrawsAndScrollsOnceAtTheOutermostRelease) {
  HoldListRedraw();
  HoldListRedraw();
  ListPrintf("a\nb");
  ListPrintf("c");
  ReleaseListRedraw();
  EXPECT_EQ(CallsOf(WM_SETREDRAW), std::vector<WPARAM>{FALSE});
  EXPECT_TRUE(CallsOf(LVM_ENSUREVISIBLE).empty());
  ReleaseListRedraw();
  EXPECT_EQ(CallsOf(WM_SETREDRAW), (std::vector<WPARAM>{FALSE, TRUE}));
  EXPECT_EQ(CallsOf(LVM_ENSUREVISIBLE), std::vector<WPARAM>{2});
  EXPECT_EQ(Rows(), (Lines{L"a", L"b", L"c"}));

  // A release without a hold changes nothing, and the next hold works as before.
  g_calls.clear();
  ReleaseListRedraw();
  EXPECT_TRUE(g_calls.empty());
  HoldListRedraw();
  ReleaseListRedraw();
  EXPECT_EQ(CallsOf(WM_SETREDRAW), (std::vector<WPARAM>{FALSE, TRUE}));
}

// A release draws the rows added during the hold, not those already on the screen;
// the whole list only when the dialog drew over it meanwhile.
TEST_F(MessageListTest, ReleaseInvalidatesOnlyTheNewRowsUnlessDrawnOver) {
  ShowWindow(dialog_, SW_SHOW);
  for (bool drawnOver : {false, true}) {
    ClearMessageList();
    ListPrintf("shown\nbefore");
    UpdateWindow(dialog_);
    UpdateWindow(list_);
    HoldListRedraw();
    ListPrintf("new");
    if (drawnOver) {
      RECT over{};
      GetWindowRect(list_, &over);
      MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&over), 2);
      InvalidateRect(dialog_, &over, TRUE);
      UpdateWindow(dialog_);
    }
    ReleaseListRedraw();
    RECT dirty{};
    RECT newRow{LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(GetUpdateRect(list_, &dirty, FALSE));
    ASSERT_TRUE(SendMessageW(list_, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&newRow)));
    if (drawnOver) {
      EXPECT_EQ(dirty.top, 0);
    } else {
      EXPECT_EQ(dirty.top, newRow.top);
    }
    // The frame (border and scroll bars) is drawn again only with the whole list.
    g_calls.clear();
    UpdateWindow(list_);
    EXPECT_EQ(CallsOf(WM_NCPAINT).size(), drawnOver ? 1u : 0u);
  }
  EXPECT_EQ(Rows(), (Lines{L"shown", L"before", L"new"}));
}

// The rows a release left to draw are drawn before the next hold turns the redraw off;
// so is a held list that the dialog drew over, before its redraw goes off again.
TEST_F(MessageListTest, HoldDrawsWhatTheReleaseBeforeItLeftToDraw) {
  ShowWindow(dialog_, SW_SHOW);
  UpdateWindow(dialog_);
  HoldListRedraw();
  ListPrintf("new");
  ReleaseListRedraw();
  ASSERT_TRUE(GetUpdateRect(list_, nullptr, FALSE));
  HoldListRedraw();
  EXPECT_FALSE(GetUpdateRect(list_, nullptr, FALSE));

  RECT over{};
  GetWindowRect(list_, &over);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&over), 2);
  InvalidateRect(dialog_, &over, TRUE);
  UpdateWindow(dialog_);
  RedrawListIfDrawnOver();
  EXPECT_FALSE(GetUpdateRect(list_, nullptr, FALSE));
  ReleaseListRedraw();
  EXPECT_EQ(Rows(), Lines{L"new"});
}

// A release with no new rows draws nothing. Past a page, the rows on the screen move
// up once and only the strip of new rows is drawn; the header is left alone.
TEST_F(MessageListTest, ReleaseDrawsNothingButTheNewRows) {
  ShowWindow(dialog_, SW_SHOW);
  for (int i = 0; i < 40; ++i) ListPrintf("row %d", i);
  UpdateWindow(dialog_);
  UpdateWindow(list_);
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
  g_calls.clear();
  HoldListRedraw();
  ReleaseListRedraw();
  EXPECT_FALSE(GetUpdateRect(list_, nullptr, FALSE));
  EXPECT_TRUE(CallsOf(LVM_ENSUREVISIBLE).empty());

  const LRESULT top = SendMessageW(list_, LVM_GETTOPINDEX, 0, 0);
  HoldListRedraw();
  ListPrintf("new\nnewer");
  ReleaseListRedraw();
  EXPECT_EQ(CallsOf(LVM_ENSUREVISIBLE), std::vector<WPARAM>{41});
  EXPECT_GT(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0), top);
  RECT dirty{};
  RECT first{LVIR_BOUNDS, 0, 0, 0};
  RECT last{LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(GetUpdateRect(list_, &dirty, FALSE));
  ASSERT_TRUE(SendMessageW(list_, LVM_GETITEMRECT, 40, reinterpret_cast<LPARAM>(&first)));
  ASSERT_TRUE(SendMessageW(list_, LVM_GETITEMRECT, 41, reinterpret_cast<LPARAM>(&last)));
  EXPECT_GE(dirty.top, first.top);
  EXPECT_GE(dirty.bottom, last.bottom);
  EXPECT_FALSE(GetUpdateRect(header, nullptr, FALSE));
}

TEST_F(MessageListTest, MessageOfOnlyLineFeedsFillsEveryRow) {
  // The deepest the row splitter goes: one level per line of a full buffer.
  const std::string feeds(kMessageBufferChars - 1, '\n');
  HoldListRedraw();
  EXPECT_EQ(ListPrintf("%s", feeds.c_str()), kMessageBufferChars - 1);
  ReleaseListRedraw();
  EXPECT_EQ(RowCount(), kMessageBufferChars - 1);
  EXPECT_EQ(Row(kMessageBufferChars - 2), L"");
}

TEST_F(MessageListTest, ErrorBoxShowsItsTextWithCaptionIconAndOneButton) {
  WatchForErrorBox();
  ErrorBox(dialog_, "Cannot open port COM%u...", 7u);
  ASSERT_TRUE(WatchedBox().seen);
  EXPECT_EQ(WatchedBox().caption, L" Error ");
  EXPECT_EQ(WatchedBox().text, L"Cannot open port COM7...");
  EXPECT_TRUE(WatchedBox().icon);
  EXPECT_EQ(WatchedBox().buttons, 1);
}

TEST_F(MessageListTest, ErrorBoxTextIsCutToItsBuffer) {
  WatchForErrorBox();
  const std::string text(3 * kErrorBoxChars, 'e');
  ErrorBox(dialog_, "%s", text.c_str());
  ASSERT_TRUE(WatchedBox().seen);
  EXPECT_EQ(WatchedBox().text, std::wstring(kErrorBoxChars - 1, L'e'));
}

}  // namespace
