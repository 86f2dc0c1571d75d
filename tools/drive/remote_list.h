// Reading the program's list view from another process.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Every row's text, in order. False when the list does not answer or its process
// cannot be read.
bool ListRows(HWND list, std::vector<std::wstring>& rows);
// The header of its one column and that column's width.
bool ListHeader(HWND list, std::wstring& header, int& width);
