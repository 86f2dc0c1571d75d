// The register's data texts are '/'-separated fields; LOG reads them by number.
#pragma once
#include <cstdint>

constexpr int kReplyFieldCount = 25;
constexpr int kReplyFieldSize = 200;  // 199 characters and the terminator

// One run's fields. A field that a text does not reach keeps what it held, so a
// table-3 record without a field 19 leaves the last bound in place.
struct ReplyFields {
  char field[kReplyFieldCount][kReplyFieldSize];
};

// Every field empty: the state each LOG run starts from.
void ClearReplyFields(ReplyFields& fields);

// Splits `text` at '/' over what `fields` hold. Only fields that receive at least
// one character are replaced. Fields past the 25th and characters past the 199th
// of a field are dropped: the register's text is not trusted to fit.
void SplitReplyFields(const char* text, ReplyFields& fields);

// A number as atoi reads it (white space, sign, digits up to the first other
// character; no digits give 0), except that values outside the signed 32-bit
// range saturate as strtol clamps them instead of overflowing.
int32_t ReadDeviceNumber(const char* text);
