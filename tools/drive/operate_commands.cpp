// The commands that do what an operator does: press, choose, type, answer a message
// box. Buttons are pressed by posting WM_COMMAND: on a headless X server there is no
// window manager, so focus and mouse clicks cannot be relied on.
#include "commands.h"
#include "window_find.h"

namespace {

// The C.F 16 box of the dialog (resources/tallyglass.rc). The program never reads it,
// so its text limit serves as the marker of PostedHandled.
constexpr int kIdCf16Box = 1001;
// The static control that holds a message box's text.
constexpr int kIdMessageBoxText = 0xFFFF;

// Where keys for control `id` go: a combo box's own edit field, else the control.
HWND KeyTarget(HWND main, int id) {
  HWND c = Control(main, id);
  if (c && ClassOf(c) == L"ComboBox") {
    HWND edit = FindWindowExW(c, nullptr, L"Edit", nullptr);
    if (edit) return edit;
  }
  return c;
}

// Returns once the program has handled every message posted to it so far. Posted
// messages of one thread are handled in order, so a marker posted last is seen last:
// the text limit of the C.F 16 box is set to a marker value by a posted message and
// put back once it shows.
bool PostedHandled(HWND main) {
  constexpr LRESULT kMarker = 54321;
  HWND edit = GetDlgItem(main, kIdCf16Box);
  LRESULT before = 0, now = 0;
  if (!edit || !SendTimed(edit, EM_GETLIMITTEXT, 0, 0, before)) return false;
  PostMessageW(edit, EM_LIMITTEXT, kMarker, 0);
  const bool seen = WaitFor(kDefaultWaitMs, [&] {
    return SendTimed(edit, EM_GETLIMITTEXT, 0, 0, now) && now == kMarker;
  });
  SendTimed(edit, EM_LIMITTEXT, before, 0, now);
  return seen;
}

int Posted(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (PostMessageW(w, msg, wp, lp)) return kDone;
  return Failed(kNotFound, "the window takes no message (error %lu)", GetLastError());
}

int KeysHandled(HWND main) {
  return PostedHandled(main) ? kDone : Failed(kNoAnswer, "the program did not handle the keys in time");
}

// Waits for a message box of the program, prints its caption and text and, unless
// `keep`, presses OK.
int MessageBoxText(HWND main, DWORD ms, bool keep) {
  HWND box = nullptr;
  WaitFor(ms, [&] { return (box = FindBox(main)) != nullptr; });
  if (!box) return Failed(kNotFound, "no message box");
  std::wstring caption, text;
  HWND label = GetDlgItem(box, kIdMessageBoxText);
  if (!WindowText(box, caption) || (label && !WindowText(label, text)))
    return Failed(kNoAnswer, "the message box does not answer");
  PrintLine(ToUtf8(caption));
  PrintLine(ToUtf8(text));
  if (!keep) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
  return kDone;
}

}  // namespace

int CmdClick(HWND main, const Args& args) {
  const int id = (int)args.Number(0, 0);
  HWND c = GetDlgItem(main, id);  // may be null: a press of an id without a control
  return Posted(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)c);
}

int CmdSelect(HWND main, const Args& args) {
  const int id = (int)args.Number(0, 0), index = (int)args.Number(1, 0);
  HWND combo = Control(main, id);
  LRESULT r = 0;
  if (!combo) return kNoAnswer;
  if (!SendTimed(combo, CB_SETCURSEL, index, 0, r)) return Failed(kNoAnswer, "combo box %d does not answer", id);
  if ((r == CB_ERR) == (index < 0)) return kDone;
  return Failed(kNotFound, "combo box %d has no entry %d", id, index);
}

int CmdClose(HWND main, const Args&) { return Posted(main, WM_CLOSE, 0, 0); }

// A system menu command (WM_SYSCOMMAND), as choosing it in the window's system menu
// sends it.
int CmdSysCommand(HWND main, const Args& args) { return Posted(main, WM_SYSCOMMAND, args.Code(0), 0); }

// Types TEXT into a control as the keyboard would deliver it, one WM_CHAR a character
// through the program's message loop.
int CmdType(HWND main, const Args& args) {
  HWND target = KeyTarget(main, (int)args.Number(0, 0));
  if (!target) return kNotFound;
  for (wchar_t ch : args.wide[1]) PostMessageW(target, WM_CHAR, ch, 1);
  return KeysHandled(main);
}

// Presses a key (a virtual-key code) on a control: WM_KEYDOWN, WM_CHAR for the keys
// that have a character, WM_KEYUP, as the message loop would see them.
int CmdKey(HWND main, const Args& args) {
  HWND target = KeyTarget(main, (int)args.Number(0, 0));
  if (!target) return kNotFound;
  const UINT vk = args.Code(1);
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (LPARAM)(scan << 16), up = down | (LPARAM)0xC0000000;
  PostMessageW(target, WM_KEYDOWN, vk, down);
  const UINT ch = MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR);
  if (ch) PostMessageW(target, WM_CHAR, ch, down);
  PostMessageW(target, WM_KEYUP, vk, up);
  return KeysHandled(main);
}

int CmdMsgBox(HWND main, const Args& args) { return MessageBoxText(main, args.Ms(0), false); }
int CmdPeekMsgBox(HWND main, const Args& args) { return MessageBoxText(main, args.Ms(0), true); }
