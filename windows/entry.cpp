// Program entry: everything but the instance handle is ignored. No command line, no
// settings; the show command is always SW_SHOWNORMAL.
#include "windows/main_dialog.h"
#include "windows/system_library.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictDllSearch();
  return RunMainDialog(instance);
}
