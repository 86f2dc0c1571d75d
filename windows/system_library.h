// Windows' own DLLs, taken from the system folder only. A DLL that is no KnownDLL is
// otherwise looked for first in the exe's folder (often Downloads, where a browser may
// have saved anything) and in the working directory: one found there runs inside the
// program.
#pragma once
#include <windows.h>

// Takes the exe's folder and the working directory out of the search for every later
// load (the shell's and COM's too). First thing at start.
void RestrictDllSearch();

// Loads `name` (e.g. L"winmm.dll") from the system folder; null when it cannot.
HMODULE LoadSystemLibrary(const wchar_t* name);

// `function` of `module` as the pointer type `Function`; null when it is missing.
template <typename Function>
Function SystemFunction(HMODULE module, const char* function) {
  if (module == nullptr) return nullptr;
  // Through void (*)(): GetProcAddress's type is no function's real type.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, function)));
}
