#include "windows/system_menu.h"

#include <cstring>

#include "core/archive/run_archive.h"
#include "windows/capture_check.h"
#include "windows/file_manager.h"
#include "windows/greek_text.h"
#include "windows/screen_text.h"

namespace {

// The longest path Windows has, and its NUL.
constexpr DWORD kFolderChars = 32768;
constexpr int kLabelChars = 64;
constexpr int kAboutChars = kFolderChars + 256;
// Where VS_FIXEDFILEINFO starts in a VS_VERSIONINFO block: three WORDs, the key
// L"VS_VERSION_INFO" with its NUL (32 bytes), padded to a 4-byte boundary.
constexpr DWORD kFixedInfoOffset = 40;
constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;
constexpr WORD kVersionResourceType = 16;  // RT_VERSION, which without UNICODE is the ANSI name

wchar_t Folder[kFolderChars];
wchar_t ArchiveFolder[kFolderChars];
wchar_t AboutText[kAboutChars];

// The working directory, where the program writes its files; false when it does
// not fit (it always does, at kFolderChars).
bool ReadFolder() {
  const DWORD length = GetCurrentDirectoryW(kFolderChars, Folder);
  return length > 0 && length < kFolderChars;
}

// The archive under the working directory; false when it does not fit.
bool ReadArchiveFolder() {
  if (!ReadFolder()) return false;
  wchar_t name[kArchiveRootChars];
  ScreenText(ArchiveRoot, kArchiveRootChars, name, kArchiveRootChars);
  const int used = lstrlenW(Folder);
  if (used + 2 + lstrlenW(name) >= static_cast<int>(kFolderChars)) return false;
  lstrcpyW(ArchiveFolder, Folder);
  lstrcatW(ArchiveFolder, L"\\");
  lstrcatW(ArchiveFolder, name);
  return true;
}

bool ArchiveExists() {
  if (!ReadArchiveFolder()) return false;
  const DWORD attributes = GetFileAttributesW(ArchiveFolder);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void OpenArchive(HWND window) {
  if (!ReadArchiveFolder()) return;
  CreateDirectoryW(ArchiveFolder, nullptr);  // before the first run it is not there yet
  ShowFolder(window, ArchiveFolder);
}

void AddItem(HMENU menu, UINT id, const char* text) {
  wchar_t wide[kLabelChars];
  ScreenText(text, kLabelChars, wide, kLabelChars);
  AppendMenuW(menu, MF_STRING, id, wide);
}

// FILEVERSION of the program's own VERSIONINFO (resources/tallyglass.rc), as
// "1.0.0.0" into `text` (room for four 5-digit parts); "?" without one.
void ReadVersion(wchar_t* text) {
  lstrcpyW(text, L"?");
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO),
                                    MAKEINTRESOURCEW(kVersionResourceType));
  if (found == nullptr) return;
  const DWORD size = SizeofResource(nullptr, found);
  const BYTE* block = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  if (block == nullptr || size < kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO)) return;
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, block + kFixedInfoOffset, sizeof fixed);
  if (fixed.dwSignature != kFixedInfoSignature) return;
  wsprintfW(text, L"%u.%u.%u.%u", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
            HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
}

// Appends `piece` to AboutText, cut to fit.
void Append(const wchar_t* piece) {
  const int used = lstrlenW(AboutText);
  lstrcpynW(AboutText + used, piece, kAboutChars - used);
}

void AppendLabel(const char* text) {
  wchar_t wide[kLabelChars];
  ScreenText(text, kLabelChars, wide, kLabelChars);
  Append(wide);
}

// The folder's path goes to the box as it is: it is UTF-16 already, and may hold
// letters that Windows-1253 has not.
void ShowAbout(HWND window) {
  wchar_t version[32];
  ReadVersion(version);
  AboutText[0] = L'\0';
  Append(L"Tallyglass\n");
  AppendLabel(kTextVersion);
  Append(L" ");
  Append(version);
  Append(sizeof(void*) == 8 ? L", 64-bit\n" : L", 32-bit\n");
  AppendLabel(kTextLicence);
  Append(L"\n\n");
  AppendLabel(kTextFilesFolder);
  Append(L"\n");
  Append(ReadFolder() ? Folder : L"?");
  Append(L"\n\n");
  AppendLabel(kTextArchiveFolder);
  Append(L"\n");
  Append(ReadArchiveFolder() ? ArchiveFolder : L"?");
  wchar_t caption[kLabelChars];
  ScreenText(kTextAboutCaption, kLabelChars, caption, kLabelChars);
  MessageBoxW(window, AboutText, caption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

void AddSystemMenuItems(HWND window) {
  const HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AddItem(menu, kSysCommandOpenFolder, kTextOpenFolderItem);
  AddItem(menu, kSysCommandOpenArchive, kTextOpenArchiveItem);
  AddItem(menu, kSysCommandCheckCapture, kTextCheckCaptureItem);
  AddItem(menu, kSysCommandAbout, kTextAboutItem);
}

BOOL RunSystemCommand(HWND window, WPARAM command) {
  switch (command & 0xFFF0) {
    case kSysCommandOpenFolder:
      if (ReadFolder()) ShowFolder(window, Folder);
      return TRUE;
    case kSysCommandOpenArchive:
      OpenArchive(window);
      return TRUE;
    case kSysCommandCheckCapture:
      // The picker starts at the archive when there is one.
      CheckCapture(window, ArchiveExists() ? ArchiveFolder : nullptr);
      return TRUE;
    case kSysCommandAbout:
      ShowAbout(window);
      return TRUE;
    default:
      return FALSE;
  }
}
