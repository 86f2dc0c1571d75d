// The register's side of the framed command protocol: checksums, command frames
// as the register checks them, reply frames as it builds them.
#include "tools/sim/framing.h"

#include <cstdio>

namespace regsim {

int Checksum(const std::string& bytes) {
  unsigned sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<int>((sum % 256) % 100);
}

std::string ChecksumDigits(const std::string& bytes) {
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02d", Checksum(bytes));
  return digits;
}

std::string ReplyFrameBody(int status, const std::string& data) {
  char fields[16];
  std::snprintf(fields, sizeof fields, "%02X/00/00/", static_cast<unsigned>(status) & 0xFFu);
  // The separator after the third status field closes an empty data text; a
  // non-empty one gets a closing '/' of its own.
  std::string body = fields;
  if (!data.empty()) body += data + "/";
  return body + ChecksumDigits(body);
}

bool CheckCommandFrame(const std::string& content, std::string& text) {
  if (content.size() < 2) return false;
  const std::string digits = content.substr(content.size() - 2);
  text = content.substr(0, content.size() - 2);
  return digits == ChecksumDigits(text);
}

}  // namespace regsim
