// The main dialog: the program's one window, its control ids and its handlers.
#pragma once
#include <windows.h>

#include <cstdint>

// Control ids of the dialog template KESTREL (resources/tallyglass.rc).
constexpr int kIdMessageList = 1000;
constexpr int kIdExit = 1004;
constexpr int kIdLog = 1005;
constexpr int kIdConnect = 1007;
constexpr int kIdReadFiscalMemory = 1008;
constexpr int kIdClearList = 1030;
constexpr int kIdSpeedBox = 1034;
constexpr int kIdPortBox = 1035;

// The dialog window; every operation reaches a control through it and the control id.
extern HWND MainDialog;
// 1 ends the program's loop.
extern uint8_t QuitFlag;

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void InitMainDialog(HWND window);
// Closes the open port, stops a running LOG and sets QuitFlag.
void CloseMainDialog();
// Between window messages: waits for the next one instead of polling.
void OnIdle();

// The program: creates and shows the dialog from `instance`'s resources and runs it
// until a close request. 0 at the end; non-zero at once when there is no dialog.
int RunMainDialog(HINSTANCE instance);
