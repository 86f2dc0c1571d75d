// The simulator's fault and pacing options as written on regsim's command line.
#pragma once
#include <string>

#include "tools/sim/register_model.h"

namespace regsim {

// One --fault NAME[=ARG] value, added to `faults`. False (with the reason in
// *error) on an unknown name or a malformed argument.
bool ParseFault(const std::string& option, Faults& faults, std::string* error = nullptr);

// "HEXBYTES" (pairs of hex digits, e.g. "06AA") into bytes; false when malformed.
bool ParseHexBytes(const std::string& hex, std::string& bytes);

// "A,B,C,D" of --generate-tables; false when malformed or negative.
bool ParseTableSizes(const std::string& text, int sizes[4]);

}  // namespace regsim
