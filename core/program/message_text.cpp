#include "core/program/message_text.h"

#include <cstdio>
#include <cstring>

namespace {
// The last message formatted, for the archive's manifest ("how the job ended").
char LastMessage[kMessageBufferChars];
}  // namespace

int FormatMessageText(char* buffer, int size, const char* format, va_list values) {
  // vsnprintf counts what the whole message would need; the buffer holds the cut text.
  const int wanted = std::vsnprintf(buffer, static_cast<size_t>(size), format, values);
  int n = wanted < 0 ? 0 : wanted;
  if (n > size - 1) n = size - 1;
  buffer[n] = '\0';
  const size_t kept = static_cast<size_t>(n) < sizeof LastMessage ? static_cast<size_t>(n) : sizeof LastMessage - 1;
  std::memcpy(LastMessage, buffer, kept);
  LastMessage[kept] = '\0';
  return n;
}

const char* LastFormattedMessage() { return LastMessage; }
