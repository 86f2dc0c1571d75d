#include "windows/screen_text.h"

#include <cstring>

// Longest caption the program sets; captions are a few words.
constexpr int kCaptionChars = 256;

// Only ASCII is certain without the code page table; a missing table (never seen on
// a real Windows) still shows the Latin part of a message rather than nothing.
static int CopyAsciiOnly(const char* text, int length, wchar_t* wide) {
  for (int i = 0; i < length; ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    wide[i] = byte < 0x80 ? static_cast<wchar_t>(byte) : L'?';
  }
  return length;
}

int ScreenText(const char* text, int length, wchar_t* wide, int wideCount) {
  if (wideCount <= 0) return 0;
  const void* nul = std::memchr(text, '\0', static_cast<size_t>(length > 0 ? length : 0));
  if (nul != nullptr) length = static_cast<int>(static_cast<const char*>(nul) - text);
  // Windows-1253 is a single-byte code page: one byte, one UTF-16 code unit.
  if (length > wideCount - 1) length = wideCount - 1;
  int written = 0;
  if (length > 0) {
    written = MultiByteToWideChar(kGreekCodePage, 0, text, length, wide, wideCount - 1);
    if (written <= 0) written = CopyAsciiOnly(text, length, wide);
  }
  wide[written] = L'\0';
  return written;
}

void SetScreenText(HWND window, const char* text) {
  wchar_t wide[kCaptionChars];
  ScreenText(text, static_cast<int>(std::strlen(text)), wide, kCaptionChars);
  SetWindowTextW(window, wide);
}
