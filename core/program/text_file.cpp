#include "core/program/text_file.h"

#include <cstring>

FILE* OpenTextFile(const char* name) {
  return std::fopen(name, "wb");
}

void WriteTextBytes(FILE* file, const char* bytes, size_t count) {
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] != '\n') continue;
    std::fwrite(bytes + start, 1, i - start, file);
    std::fwrite("\r\n", 1, 2, file);
    start = i + 1;
  }
  std::fwrite(bytes + start, 1, count - start, file);
}

void CloseTextFile(FILE* file) {
  if (file != nullptr) std::fclose(file);
}
