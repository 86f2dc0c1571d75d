#include "windows/row_menu.h"

#include <commctrl.h>
#include <windowsx.h>

#include "windows/copy_rows.h"
#include "windows/greek_text.h"
#include "windows/main_dialog.h"
#include "windows/screen_text.h"

namespace {

// Item ids; TrackPopupMenu returns the chosen one (0: none), so they never travel as
// a WM_COMMAND that the button commands might take.
enum RowMenuItem : UINT { kItemCopy = 1, kItemSelectAll = 2 };
constexpr int kItemTextChars = 64;

HWND MessageList() { return GetDlgItem(MainDialog, kIdMessageList); }

void AddItem(HMENU menu, UINT id, const char* text) {
  wchar_t wide[kItemTextChars];
  ScreenText(text, kItemTextChars, wide, kItemTextChars);
  AppendMenuW(menu, MF_STRING, id, wide);
}

void RunRowMenu(POINT at) {
  const HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AddItem(menu, kItemCopy, kTextCopyItem);
  AddItem(menu, kItemSelectAll, kTextSelectAllItem);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, MainDialog, nullptr));
  DestroyMenu(menu);
  if (chosen == kItemCopy) CopyRows();
  if (chosen == kItemSelectAll) SelectAllRows();
}

// Below the left end of the first selected row, when that point is in view.
bool SelectedRowPoint(HWND list, POINT& at) {
  const LRESULT row = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (row < 0) return false;
  RECT place{};
  place.left = LVIR_BOUNDS;
  if (!SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&place)))
    return false;
  RECT view{};
  GetClientRect(list, &view);
  at = POINT{view.left, place.bottom};
  return at.y > view.top && at.y <= view.bottom;
}

// The menu as the keyboard opens it: below the first selected row in view, else at
// the list's top left corner.
void ShowRowMenuForKeyboard() {
  const HWND list = MessageList();
  POINT at{0, 0};
  if (!SelectedRowPoint(list, at)) at = POINT{0, 0};
  ClientToScreen(list, &at);
  RunRowMenu(at);
}

bool ControlOnly() { return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0; }

}  // namespace

BOOL OnMessageListNotify(const NMHDR* header) {
  if (header->idFrom != static_cast<UINT_PTR>(kIdMessageList) || header->code != LVN_KEYDOWN) return FALSE;
  const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey;
  if (key == 'A' && ControlOnly()) {
    SelectAllRows();
  } else if (key == 'C' && ControlOnly()) {
    CopyRows();
  } else if (key == VK_APPS) {
    // Wine makes no WM_CONTEXTMENU of the menu key (it does of Shift+F10). Windows
    // makes one of the key's release, but that comes while this menu is open, and
    // the menu's loop takes the keyboard's messages then.
    ShowRowMenuForKeyboard();
  } else {
    return FALSE;
  }
  return TRUE;
}

BOOL ShowRowMenu(HWND from, LPARAM at) {
  if (from == nullptr || from != MessageList()) return FALSE;
  if (GET_X_LPARAM(at) == -1 && GET_Y_LPARAM(at) == -1) {
    ShowRowMenuForKeyboard();
  } else {
    RunRowMenu(POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)});
  }
  return TRUE;
}
