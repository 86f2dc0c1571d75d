#include "core/protocol/frame_fields.h"

namespace {

constexpr int kChecksumModulus = 100;
constexpr int kStatusFieldWidth = 2;   // characters read at most, sign included
constexpr int kHexRadix = 16;

// White space as the C locale's isspace knows it.
bool IsSpace(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexDigitValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int FrameChecksum(const uint8_t* bytes, int count) {
  // The register adds in an 8-bit accumulator: the wrap at 256 comes before the
  // reduction to two decimal digits, so this is not the full sum modulo 100.
  uint8_t sum = 0;
  for (int i = 0; i < count; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
  return sum % kChecksumModulus;
}

int ScanHexField(const uint8_t* text, uint32_t& value) {
  while (IsSpace(*text)) ++text;
  if (*text == 0) return kScanEndOfText;

  int width = kStatusFieldWidth;
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    ++text;
    --width;
  }
  uint32_t result = 0;
  int digits = 0;
  for (; digits < width && HexDigitValue(text[digits]) >= 0; ++digits)
    result = result * kHexRadix + static_cast<uint32_t>(HexDigitValue(text[digits]));
  if (digits == 0) return 0;
  // A minus sign wraps the value into the unsigned field, as the library does.
  value = negative ? 0u - result : result;
  return 1;
}
