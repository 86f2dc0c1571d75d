// The message list's keys and menu. Ctrl+A selects every row, Ctrl+C copies
// (copy_rows.h); a right click, Shift+F10 or the menu key opens a menu with the same
// two commands, "Αντιγραφή" (Ctrl+C) and "Επιλογή όλων" (Ctrl+A).
#pragma once
#include <windows.h>

// WM_NOTIFY of the dialog: keys pressed on the list (LVN_KEYDOWN, which the list
// sends only while it has the focus). TRUE when handled.
BOOL OnMessageListNotify(const NMHDR* header);

// WM_CONTEXTMENU of the dialog: `from` is the window asked about, `at` the screen
// point (both coordinates -1 when it came from the keyboard). Only the message list
// has a menu; FALSE for any other window, which the default handling then gets.
BOOL ShowRowMenu(HWND from, LPARAM at);
