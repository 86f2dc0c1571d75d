#include "core/report/reply_fields.h"

#include <cstring>

namespace {

constexpr char kFieldSeparator = '/';
constexpr int64_t kInt32Max = 2147483647;
constexpr int64_t kInt32Min = -kInt32Max - 1;

bool IsNumberSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

void ClearReplyFields(ReplyFields& fields) {
  std::memset(&fields, 0, sizeof fields);
}

void SplitReplyFields(const char* text, ReplyFields& fields) {
  int k = 0;
  int p = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == kFieldSeparator) {
      if (k < kReplyFieldCount) ++k;  // stays at the count: everything after is dropped
      p = 0;
      continue;
    }
    if (k >= kReplyFieldCount || p >= kReplyFieldSize - 1) continue;
    fields.field[k][p] = *c;
    ++p;
    fields.field[k][p] = '\0';
  }
}

int32_t ReadDeviceNumber(const char* text) {
  const char* c = text;
  while (IsNumberSpace(*c)) ++c;
  const bool negative = (*c == '-');
  if (*c == '-' || *c == '+') ++c;
  // Accumulated as a magnitude that stops growing once past the range, so any
  // number of digits is read without overflow.
  int64_t magnitude = 0;
  for (; *c >= '0' && *c <= '9'; ++c) {
    if (magnitude <= kInt32Max) magnitude = magnitude * 10 + (*c - '0');
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > kInt32Max) return static_cast<int32_t>(kInt32Max);
  if (value < kInt32Min) return static_cast<int32_t>(kInt32Min);
  return static_cast<int32_t>(value);
}
