#include "windows/system_library.h"

#include <cwchar>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, spelled out: the headers hide it below Windows 8.
constexpr DWORD kSearchSystemFolder = 0x00000800;

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

HMODULE Kernel() { return GetModuleHandleW(L"kernel32.dll"); }

// Windows 8, and Windows 7 with KB2533623: the update that brings
// SetDefaultDllDirectories and AddDllDirectory also brings LoadLibraryExW's
// LOAD_LIBRARY_SEARCH_* flags, which a Windows 7 without it refuses.
bool SearchFlagsOffered() { return GetProcAddress(Kernel(), "AddDllDirectory") != nullptr; }

}  // namespace

void RestrictDllSearch() {
  SetDllDirectoryW(L"");  // the working directory out, on every version
  const auto set_default = SystemFunction<SetDefaultDllDirectoriesFunction>(Kernel(), "SetDefaultDllDirectories");
  if (set_default != nullptr) set_default(kSearchSystemFolder);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  if (SearchFlagsOffered()) return LoadLibraryExW(name, nullptr, kSearchSystemFolder);
  wchar_t path[MAX_PATH];
  const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
  if (folder == 0 || folder + 1 + std::wcslen(name) >= MAX_PATH) return nullptr;
  path[folder] = L'\\';
  std::wcscpy(path + folder + 1, name);
  // A full path: the DLL's own imports are then looked for in its folder first.
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
