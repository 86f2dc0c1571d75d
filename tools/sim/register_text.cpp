// Text of the data files in the register's code page: the files are UTF-8, so the
// Greek stays readable in any editor; the register speaks Windows-1253. The table
// below is the register's own, kept small: ASCII, the Greek letters, and the few
// signs a receipt printer has.
#include <cstdint>
#include <string>

#include "tools/sim/register_model.h"

namespace regsim {

namespace {

constexpr uint32_t kGreekFirst = 0x0391;   // Α
constexpr uint32_t kGreekLast = 0x03CE;    // ώ
constexpr uint32_t kGreekHole = 0x03A2;    // no letter here, no byte in the code page
constexpr uint8_t kGreekFirstByte = 0xC1;  // Α in Windows-1253; the run is contiguous

struct Mapping {
  uint32_t code;
  uint8_t byte;
};

// Outside the contiguous run of letters: accented capitals, tonos, signs.
constexpr Mapping kMappings[] = {
    {0x00A0, 0xA0}, {0x00A3, 0xA3}, {0x00A4, 0xA4}, {0x00A5, 0xA5}, {0x00A6, 0xA6},
    {0x00A7, 0xA7}, {0x00A8, 0xA8}, {0x00A9, 0xA9}, {0x00AB, 0xAB}, {0x00AC, 0xAC},
    {0x00AD, 0xAD}, {0x00AE, 0xAE}, {0x00B0, 0xB0}, {0x00B1, 0xB1}, {0x00B2, 0xB2},
    {0x00B3, 0xB3}, {0x00B5, 0xB5}, {0x00B6, 0xB6}, {0x00B7, 0xB7}, {0x00BB, 0xBB},
    {0x00BD, 0xBD}, {0x0384, 0xB4}, {0x0385, 0xA1}, {0x0386, 0xA2}, {0x0388, 0xB8},
    {0x0389, 0xB9}, {0x038A, 0xBA}, {0x038C, 0xBC}, {0x038E, 0xBE}, {0x038F, 0xBF},
    {0x0390, 0xC0}, {0x2013, 0x96}, {0x2014, 0x97}, {0x2015, 0xAF}, {0x2018, 0x91},
    {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2026, 0x85},
    {0x2030, 0x89}, {0x20AC, 0x80}, {0x2122, 0x99},
};

bool ByteFor(uint32_t code, uint8_t& byte) {
  if (code < 0x80) {
    byte = static_cast<uint8_t>(code);
    return true;
  }
  if (code >= kGreekFirst && code <= kGreekLast && code != kGreekHole) {
    byte = static_cast<uint8_t>(kGreekFirstByte + (code - kGreekFirst));
    return true;
  }
  for (const Mapping& m : kMappings)
    if (m.code == code) {
      byte = m.byte;
      return true;
    }
  return false;
}

// Decodes one UTF-8 character at text[i]; advances i. False on a malformed sequence.
bool DecodeUtf8(const std::string& text, size_t& i, uint32_t& code) {
  const auto lead = static_cast<uint8_t>(text[i]);
  int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
  if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) return false;
  code = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const auto next = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  i += static_cast<size_t>(extra) + 1;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An escape at text[i] (a backslash): \xNN or \\. Advances i.
bool DecodeEscape(const std::string& text, size_t& i, uint8_t& byte) {
  if (i + 1 < text.size() && text[i + 1] == '\\') {
    byte = '\\';
    i += 2;
    return true;
  }
  if (i + 3 < text.size() && text[i + 1] == 'x') {
    const int high = HexValue(text[i + 2]), low = HexValue(text[i + 3]);
    if (high < 0 || low < 0) return false;
    byte = static_cast<uint8_t>(high * 16 + low);
    i += 4;
    return true;
  }
  return false;
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

bool ToRegisterText(const std::string& utf8, std::string& out, std::string* error) {
  out.clear();
  for (size_t i = 0; i < utf8.size();) {
    uint8_t byte = 0;
    if (utf8[i] == '\\') {
      if (!DecodeEscape(utf8, i, byte)) {
        SetError(error, "bad escape (use \\xNN or \\\\) at column " + std::to_string(i + 1));
        return false;
      }
    } else {
      const size_t at = i;
      uint32_t code = 0;
      if (!DecodeUtf8(utf8, i, code)) {
        SetError(error, "not UTF-8 at column " + std::to_string(at + 1));
        return false;
      }
      if (!ByteFor(code, byte)) {
        SetError(error, "no Windows-1253 byte for the character at column " + std::to_string(at + 1) +
                            " (write it as \\xNN)");
        return false;
      }
    }
    out += static_cast<char>(byte);
  }
  return true;
}

}  // namespace regsim
