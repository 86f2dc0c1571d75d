// tgdrive's shared helpers: arguments, printing, messages to a window that may be busy.
#include "drive.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

DWORD TargetPid = 0;

long Args::Number(size_t k, long fallback) const {
  return k < utf8.size() ? std::atol(utf8[k].c_str()) : fallback;
}

UINT Args::Code(size_t k) const {
  return k < utf8.size() ? static_cast<UINT>(std::strtoul(utf8[k].c_str(), nullptr, 0)) : 0;
}

std::string ToUtf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
  return s;
}

void PrintLine(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

int Failed(int code, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::fputs("tgdrive: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
  return code;
}

bool SendTimed(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_NORMAL, kAnswerWaitMs, &r)) return false;
  result = (LRESULT)r;
  return true;
}

bool WindowText(HWND w, std::wstring& out) {
  std::vector<wchar_t> buf(kTextChars, L'\0');
  LRESULT n = 0;
  if (!SendTimed(w, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), n)) return false;
  out.assign(buf.data(), (size_t)n < buf.size() ? (size_t)n : 0);
  return true;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[128] = {};
  GetClassNameW(w, buf, 128);
  return buf;
}
