// The window's system menu: its three items below the system's own, the folder of
// the program's files and the archive handed to the file manager (the recorder of
// file_manager_recorder.h stands in for it), and the About box.
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

TEST_F(SystemMenu, HasTheThreeItemsBelowItsOwnAndLeavesTheOthersToTheSystem) {
  const HMENU menu = GetSystemMenu(dialog_, FALSE);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 5);  // the system's own (Move, Close...), then ours
  EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 4), MF_BYPOSITION) & MF_SEPARATOR, UINT{MF_SEPARATOR});
  EXPECT_EQ(GetMenuItemID(menu, count - 3), kSysCommandOpenFolder);
  EXPECT_EQ(ItemText(menu, count - 3), kExpectedOpenFolderUtf16);
  EXPECT_EQ(GetMenuItemID(menu, count - 2), kSysCommandOpenArchive);
  EXPECT_EQ(ItemText(menu, count - 2), kExpectedOpenArchiveUtf16);
  EXPECT_EQ(GetMenuItemID(menu, count - 1), kSysCommandAbout);
  EXPECT_EQ(ItemText(menu, count - 1), kExpectedAboutUtf16);
  for (int i = 0; i < count - 4; ++i) {
    if ((GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) == 0) {
      EXPECT_GE(GetMenuItemID(menu, i), 0xF000u) << i;
    }
  }

  // The system's commands go on to the default handling; the low four bits of ours
  // are the system's and do not matter.
  ForgetShownFolders();
  for (WPARAM command : {WPARAM{SC_MOVE}, WPARAM{SC_CLOSE}, WPARAM{SC_KEYMENU}, WPARAM{0x0040}})
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
