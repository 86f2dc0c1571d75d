// Copying the message list's rows, by its keys and by its menu, read back from the
// clipboard. Keys are posted to the focused list and go through the program's own
// pump; Ctrl, Shift and Alt are held in the thread's keyboard state, which posted
// key messages leave alone.
#include <string>
#include <vector>

#include "dialog_helpers.h"
#include "greek_expected.h"

namespace {

constexpr DWORD kClipboardTries = 50;  // Wine's clipboard manager may hold it a moment
constexpr UINT kMenuLookMs = 20;

std::wstring ClipboardText() {
  for (DWORD i = 0; i < kClipboardTries; ++i) {
    if (OpenClipboard(nullptr)) {
      std::wstring text;
      const HANDLE data = GetClipboardData(CF_UNICODETEXT);
      const wchar_t* locked = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
      if (locked != nullptr) {
        text = locked;
        GlobalUnlock(data);
      }
      CloseClipboard();
      return text;
    }
    Sleep(10);
  }
  return L"(clipboard not opened)";
}

void SetClipboardText(const std::wstring& text) {
  for (DWORD i = 0; i < kClipboardTries && !OpenClipboard(nullptr); ++i) Sleep(10);
  EmptyClipboard();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  lstrcpyW(static_cast<wchar_t*>(GlobalLock(block)), text.c_str());
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
}

void HoldKeys(std::initializer_list<int> keys) {
  BYTE state[256];
  GetKeyboardState(state);
  for (int key : {VK_CONTROL, VK_LCONTROL, VK_SHIFT, VK_LSHIFT, VK_MENU, VK_LMENU}) state[key] = 0;
  for (int key : keys) state[key] = 0x80;
  SetKeyboardState(state);
}

// A key pressed and released on `target`, handled as the program's loop handles it.
void Press(HWND target, UINT key, bool system = false) {
  PostMessageW(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
  PostMessageW(target, system ? WM_SYSKEYUP : WM_KEYUP, key, 0xC0000001);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) PumpMessage();
}

// The menu as the operator saw it, and the item chosen by the keyboard: 1 for the
// first, 2 for the second, 0 for Escape.
struct SeenMenu {
  bool seen = false;
  Lines items;
  int choice = 0;
};
SeenMenu g_menu;

BOOL CALLBACK ChooseInMenu(HWND window, LPARAM) {
  wchar_t name[16] = L"";
  GetClassNameW(window, name, 16);
  if (lstrcmpW(name, L"#32768") != 0 || !IsWindowVisible(window)) return TRUE;
  const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = L"";
    GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    g_menu.items.push_back(text);
  }
  for (int i = 0; i < g_menu.choice; ++i) PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(window, WM_KEYDOWN, g_menu.choice > 0 ? VK_RETURN : VK_ESCAPE, 0);
  g_menu.seen = true;
  return FALSE;
}

void CALLBACK LookForMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!g_menu.seen) EnumThreadWindows(GetCurrentThreadId(), ChooseInMenu, 0);
  if (g_menu.seen) KillTimer(nullptr, timer);
}

// Call before the action that opens the menu.
void ChooseInNextMenu(int choice) {
  g_menu = SeenMenu{};
  g_menu.choice = choice;
  SetTimer(nullptr, 0, kMenuLookMs, LookForMenu);
}

const std::wstring kAllRows =
    std::wstring(L"first\r\n") + kExpectedMessagesUtf16 + L"\r\na\r\nreport line\r\n";

class CopyRows : public MainDialogTest {
 protected:
  void SetUp() override {
    MainDialogTest::SetUp();
    ShowWindow(dialog_, SW_SHOWNORMAL);
    ListPrintf("first");
    const std::string greek(std::begin(kExpectedMessages1253), std::end(kExpectedMessages1253));
    ListPrintf("%s", greek.c_str());
    ListPrintf("a\tb");  // the list holds its first cell only
    ListPrintf("report line\r\n");
    SetFocus(list_);
    SetClipboardText(L"before");
  }
  void TearDown() override {
    HoldKeys({});
    MainDialogTest::TearDown();
  }
  // -1: every row.
  void Select(int row, bool selected = true) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
  int SelectedCount() const { return static_cast<int>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0)); }
};

TEST_F(CopyRows, CtrlCCopiesTheSelectionOrEveryRowAsCleanLines) {
  ASSERT_EQ(GetFocus(), list_);
  // Not Ctrl+C: a C alone, Ctrl+Alt+C (AltGr+C on many keyboards), Ctrl+C on a button.
  Press(list_, 'C');
  HoldKeys({VK_CONTROL, VK_MENU});
  Press(list_, 'C');
  HoldKeys({VK_CONTROL});
  Press(Control(kIdExit), 'C');
  EXPECT_EQ(ClipboardText(), L"before");

  Press(list_, 'C');
  EXPECT_EQ(ClipboardText(), kAllRows);
  Select(1);
  Select(3);
  Press(list_, 'C');
  EXPECT_EQ(ClipboardText(), std::wstring(kExpectedMessagesUtf16) + L"\r\nreport line\r\n");

  // An empty list has nothing to copy; what the clipboard held stays.
  SetClipboardText(L"before");
  ClearMessageList();
  Press(list_, 'C');
  EXPECT_EQ(ClipboardText(), L"before");
}

TEST_F(CopyRows, CtrlASelectsEveryRow) {
  Select(2);
  HoldKeys({VK_CONTROL});
  Press(list_, 'A');
  EXPECT_EQ(SelectedCount(), 4);
  Press(list_, 'C');
  EXPECT_EQ(ClipboardText(), kAllRows);
  // Keys elsewhere never reach the list.
  ListPrintf("fifth");
  Press(Control(kIdExit), 'A');
  EXPECT_EQ(SelectedCount(), 4);
}

TEST_F(CopyRows, MenuOffersCopyAndSelectAllByMouseAndKeyboard) {
  const Lines items = {std::wstring(kExpectedCopyUtf16) + L"\tCtrl+C",
                       std::wstring(kExpectedSelectAllUtf16) + L"\tCtrl+A"};
  // A right click on the list: "Επιλογή όλων".
  ChooseInNextMenu(2);
  PostMessageW(list_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  PostMessageW(list_, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) PumpMessage();
  ASSERT_TRUE(g_menu.seen);
  EXPECT_EQ(g_menu.items, items);
  EXPECT_EQ(SelectedCount(), 4);

  // Shift+F10: "Αντιγραφή", of the rows just selected.
  Select(-1, false);
  Select(0);
  ChooseInNextMenu(1);
  HoldKeys({VK_SHIFT});
  Press(list_, VK_F10, true);
  ASSERT_TRUE(g_menu.seen);
  EXPECT_EQ(g_menu.items, items);
  EXPECT_EQ(ClipboardText(), L"first\r\n");

  // The menu key, then Escape: nothing is done.
  HoldKeys({});
  ChooseInNextMenu(0);
  Press(list_, VK_APPS);
  ASSERT_TRUE(g_menu.seen);
  EXPECT_EQ(g_menu.items, items);
  EXPECT_EQ(SelectedCount(), 1);
  EXPECT_EQ(ClipboardText(), L"first\r\n");

  // Any other window gets the default handling: no menu of ours.
  ChooseInNextMenu(0);
  EXPECT_EQ(MainDialogProc(dialog_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Control(kIdExit)),
                           MAKELPARAM(5, 5)),
            FALSE);
  EXPECT_FALSE(g_menu.seen);
}

}  // namespace
