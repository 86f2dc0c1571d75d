#include "tests/wine/file_manager_recorder.h"

#include "windows/file_manager.h"

namespace {
std::vector<ShownFolder> g_shown;
}

void ShowFolder(HWND owner, const wchar_t* folder) { g_shown.push_back({owner, folder}); }

const std::vector<ShownFolder>& ShownFolders() { return g_shown; }

void ForgetShownFolders() { g_shown.clear(); }
