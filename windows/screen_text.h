// The one place where the program's 8-bit texts (Windows-1253) become the UTF-16
// that the wide Windows calls show. Converting here instead of going through the
// ANSI calls keeps the Greek readable on a Windows whose code page for non-Unicode
// programs is not Greek (there the ANSI calls would show "ÓýíäåóÞ").
#pragma once
#include <windows.h>

constexpr UINT kGreekCodePage = 1253;

// Converts `length` bytes of `text` (stopping early at a NUL) into `wide`, which
// holds `wideCount` code units; the result is always NUL-terminated and cut to fit.
// Returns the number of code units written before the NUL.
int ScreenText(const char* text, int length, wchar_t* wide, int wideCount);

// SetWindowTextW with the converted text (window captions, button texts).
void SetScreenText(HWND window, const char* text);
