#include "tools/sim/register_model.h"

namespace regsim {

int Checksum(const std::string& bytes) {
  unsigned sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<int>((sum % 256) % 100);
}

}  // namespace regsim
