// Frame helpers of the register model (see register_model.h for the public ones).
#pragma once
#include <string>

#include "tools/sim/register_model.h"

namespace regsim {

// The checksum as it travels: two decimal digits, tens first.
std::string ChecksumDigits(const std::string& bytes);

// `content` is what came between STX and ETX: the command text and its two
// checksum digits. True when the digits match; the text goes to `text`.
bool CheckCommandFrame(const std::string& content, std::string& text);

}  // namespace regsim
