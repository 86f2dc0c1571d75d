// The two pure pieces of the frame format, functions of their bytes alone and tested
// alone: the checksum and the conversion of a hexadecimal status field.
#pragma once
#include <cstdint>

// Sum of the bytes modulo 256, then modulo 100.
int FrameChecksum(const uint8_t* bytes, int count);

// Converts one status field as sscanf(text, "%02X", &value) does: leading white
// space skipped, then an optional sign and hexadecimal digits, two characters at
// most. Returns 1 with `value` set, 0 when nothing converts, kScanEndOfText (and
// `value` untouched) when the NUL-terminated text holds only white space.
constexpr int kScanEndOfText = -1;
int ScanHexField(const uint8_t* text, uint32_t& value);
