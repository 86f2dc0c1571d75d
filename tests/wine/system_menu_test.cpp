// The window's system menu: its four items below the system's own, the folder of
// the program's files and the archive handed to the file manager (the recorder of
// file_manager_recorder.h stands in for it), a capture checked through the shell's
// folder picker, and the About box.
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "dialog_helpers.h"
#include "greek_expected.h"
#include "tests/wine/file_manager_recorder.h"
#include "windows/system_menu.h"

namespace {

using SystemMenu = MainDialogTest;

std::wstring ItemText(HMENU menu, int position) {
  wchar_t text[128] = L"";
  GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
  return text;
}

TEST_F(SystemMenu, HasTheFourItemsBelowItsOwnAndLeavesTheOthersToTheSystem) {
  const HMENU menu = GetSystemMenu(dialog_, FALSE);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 6);  // the system's own (Move, Close...), then ours
  EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 5), MF_BYPOSITION) & MF_SEPARATOR, UINT{MF_SEPARATOR});
  EXPECT_EQ(GetMenuItemID(menu, count - 4), kSysCommandOpenFolder);
  EXPECT_EQ(ItemText(menu, count - 4), kExpectedOpenFolderUtf16);
  EXPECT_EQ(GetMenuItemID(menu, count - 3), kSysCommandOpenArchive);
  EXPECT_EQ(ItemText(menu, count - 3), kExpectedOpenArchiveUtf16);
  EXPECT_EQ(GetMenuItemID(menu, count - 2), kSysCommandCheckCapture);
  EXPECT_EQ(ItemText(menu, count - 2), kExpectedCheckCaptureUtf16);
  EXPECT_EQ(GetMenuItemID(menu, count - 1), kSysCommandAbout);
  EXPECT_EQ(ItemText(menu, count - 1), kExpectedAboutUtf16);
  for (int i = 0; i < count - 5; ++i) {
    if ((GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) == 0) {
      EXPECT_GE(GetMenuItemID(menu, i), 0xF000u) << i;
    }
  }

  // The system's commands go on to the default handling; the low four bits of ours
  // are the system's and do not matter.
  ForgetShownFolders();
  for (WPARAM command : {WPARAM{SC_MOVE}, WPARAM{SC_CLOSE}, WPARAM{SC_KEYMENU}, WPARAM{0x0050}})
    EXPECT_EQ(MainDialogProc(dialog_, WM_SYSCOMMAND, command, 0), FALSE) << command;
  EXPECT_EQ(MainDialogProc(dialog_, WM_SYSCOMMAND, kSysCommandOpenFolder | 0x3, 0), TRUE);
  EXPECT_EQ(ShownFolders().size(), 1u);
  EXPECT_EQ(QuitFlag, 0);
}

TEST_F(SystemMenu, OpenFolderShowsTheWorkingDirectoryAndTheArchiveUnderIt) {
  TempWorkingDirectory work;
  ASSERT_FALSE(work.Path().empty());
  ForgetShownFolders();
  EXPECT_EQ(MainDialogProc(dialog_, WM_SYSCOMMAND, kSysCommandOpenFolder, 0), TRUE);
  EXPECT_EQ(MainDialogProc(dialog_, WM_SYSCOMMAND, kSysCommandOpenArchive, 0), TRUE);
  ASSERT_EQ(ShownFolders().size(), 2u);
  EXPECT_EQ(ShownFolders()[0].folder, work.Path());
  EXPECT_EQ(ShownFolders()[0].owner, dialog_);
  EXPECT_EQ(ShownFolders()[1].folder, work.Path() + L"\\Tallyglass-archive");
  EXPECT_NE(GetFileAttributesW(ShownFolders()[1].folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);  // made for it
}

// The folder picker as the operator answers it: a thread timer, which the picker's
// own message loop runs, finds it, points it at `folder` (empty: leaves it where it
// started) and, at its next tick, presses OK, or Cancel.
struct PickerAnswer {
  std::wstring folder;
  bool ok = true;
  int ticks = 0;  // seen so often
  bool seen = false;
};
PickerAnswer g_answer;

BOOL CALLBACK AnswerPicker(HWND window, LPARAM) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  if (window == MainDialog || lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (g_answer.ticks++ == 0 && !g_answer.folder.empty()) {
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(g_answer.folder.c_str()));
  } else if (g_answer.ticks > 1) {
    PostMessageW(window, WM_COMMAND, g_answer.ok ? IDOK : IDCANCEL, 0);
    g_answer.seen = true;
  }
  return FALSE;
}

void CALLBACK LookForPicker(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!g_answer.seen) EnumThreadWindows(GetCurrentThreadId(), AnswerPicker, 0);
  if (g_answer.seen) KillTimer(nullptr, timer);
}

Lines CheckThroughPicker(HWND dialog, const std::wstring& folder, bool ok) {
  g_answer = PickerAnswer{folder, ok};
  ClearMessageList();
  SetTimer(nullptr, 0, 50, LookForPicker);
  EXPECT_EQ(MainDialogProc(dialog, WM_SYSCOMMAND, kSysCommandCheckCapture, 0), TRUE);
  EXPECT_TRUE(g_answer.seen);
  Lines rows;
  const HWND list = GetDlgItem(dialog, kIdMessageList);
  for (int i = 0; i < static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++i) {
    wchar_t text[512] = L"";
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    rows.push_back(text);
  }
  return rows;
}

TEST_F(SystemMenu, CheckCaptureOpensThePickerAtTheArchiveAndShowsTheVerdictAsRows) {
  TempWorkingDirectory work;
  ASSERT_FALSE(work.Path().empty());
  // The archive holds the folder of a run that was killed before it wrote a file.
  const std::wstring archive = work.Path() + L"\\Tallyglass-archive", run = archive + L"\\2026-12-09_170503_log";
  const std::wstring empty = work.Path() + L"\\empty";
  for (const std::wstring& folder : {archive, run, empty}) ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring manifest = run + L"\\manifest.txt";
  FILE* out = _wfopen(manifest.c_str(), L"wb");
  ASSERT_NE(out, nullptr);
  std::fputs("Tallyglass 1.0.0 (Windows)\njob: LOG\nport: COM2\nstarted: 2026-12-09T17:05:03+02:00\n"
             "ended: no: the program stopped before the job ended\n", out);
  std::fclose(out);

  // OK where the picker starts: the archive, each run folder in it.
  EXPECT_EQ(CheckThroughPicker(dialog_, L"", true),
            Lines{std::wstring(kExpectedNotEndedUtf16) +
                  L" - the run did not end; its files agree up to where they stop: " + archive +
                  L"/2026-12-09_170503_log"});
  EXPECT_EQ(CheckThroughPicker(dialog_, empty, true),
            Lines{std::wstring(kExpectedNotRunFolderUtf16) + L" - not a run folder: " + empty});
  EXPECT_EQ(CheckThroughPicker(dialog_, empty, false), Lines{});

  DeleteFileW(manifest.c_str());
  for (const std::wstring& folder : {run, archive, empty}) RemoveDirectoryW(folder.c_str());
}

// FILEVERSION as the version API reads it from this exe, which carries the
// program's resources.
std::wstring FileVersion() {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
  std::vector<BYTE> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoW(path, 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
    return L"(no version)";
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

TEST_F(SystemMenu, AboutNamesTheProgramItsVersionBuildAndFolder) {
  TempWorkingDirectory work;
  ASSERT_FALSE(work.Path().empty());
  WatchForErrorBox();
  EXPECT_EQ(MainDialogProc(dialog_, WM_SYSCOMMAND, kSysCommandAbout, 0), TRUE);
  ASSERT_TRUE(WatchedBox().seen);
  EXPECT_EQ(WatchedBox().caption, kExpectedAboutCaptionUtf16);
  const std::wstring bits = sizeof(void*) == 8 ? L"64-bit" : L"32-bit";
  EXPECT_EQ(WatchedBox().text, L"Tallyglass\n" + std::wstring(kExpectedVersionUtf16) + L" " + FileVersion() +
                                   L", " + bits + L"\n" + kExpectedLicenceUtf16 + L"\n\n" + kExpectedFilesFolderUtf16 + L"\n" + work.Path() +
                                   L"\n\n" + kExpectedArchiveFolderUtf16 + L"\n" + work.Path() + L"\\Tallyglass-archive");
  EXPECT_NE(FileVersion(), L"(no version)");
  EXPECT_TRUE(WatchedBox().icon);
  EXPECT_EQ(WatchedBox().buttons, 1);
}

}  // namespace
