// Program entry: everything but the instance handle is ignored. No command line, no
// settings; the show command is always SW_SHOWNORMAL.
#include "windows/main_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunMainDialog(instance); }
