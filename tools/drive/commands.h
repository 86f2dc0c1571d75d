// tgdrive's commands, one handler each. A handler gets the program's dialog (found
// before it runs; null for the commands that work on processes or other windows) and
// its arguments, does one thing, and returns an exit code (drive.h), having said on
// stderr why when it is not kDone.
#pragma once
#include <windows.h>

#include "drive.h"

// What the window shows (inspect_commands.cpp).
int CmdWait(HWND main, const Args& args);
int CmdState(HWND main, const Args& args);
int CmdRows(HWND main, const Args& args);
int CmdItems(HWND main, const Args& args);
int CmdRect(HWND main, const Args& args);
int CmdCaption(HWND main, const Args& args);
int CmdFocus(HWND main, const Args& args);
int CmdPingFor(HWND main, const Args& args);
int CmdWaitRow(HWND main, const Args& args);
int CmdWaitRows(HWND main, const Args& args);
int CmdWaitState(HWND main, const Args& args);

// What the operator does (operate_commands.cpp).
int CmdClick(HWND main, const Args& args);
int CmdSelect(HWND main, const Args& args);
int CmdClose(HWND main, const Args& args);
int CmdSysCommand(HWND main, const Args& args);
int CmdType(HWND main, const Args& args);
int CmdKey(HWND main, const Args& args);
int CmdMsgBox(HWND main, const Args& args);
int CmdPeekMsgBox(HWND main, const Args& args);

// Processes and the windows of other programs (process_commands.cpp).
int CmdStart(HWND main, const Args& args);
int CmdWaitExit(HWND main, const Args& args);
int CmdKill(HWND main, const Args& args);
int CmdWindow(HWND main, const Args& args);
int CmdCloseWindow(HWND main, const Args& args);

// A control of the dialog by its id; null, having said so, when there is none.
HWND Control(HWND main, int id);
