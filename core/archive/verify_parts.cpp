#include "core/archive/verify_parts.h"

#include <cstdio>

#include "core/seams/storage.h"

bool RunFilePath(const RunCheck& check, const char* name, char* path) {
  return std::snprintf(path, kOutputPathChars, "%s/%s", check.folder, name) < kOutputPathChars;
}

bool RunFileExists(const RunCheck& check, const char* name) {
  char path[kOutputPathChars];
  if (!RunFilePath(check, name, path) || FolderExists(path)) return false;
  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return false;
  std::fclose(in);
  return true;
}

void ShownName(const char* name, char* shown, int size) {
  int i = 0;
  for (; name[i] != '\0' && i < size - 1; ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    shown[i] = byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
  }
  shown[i] = '\0';
}

bool OpenReader(FileReader& reader, const RunCheck& check, const char* name) {
  char path[kOutputPathChars];
  reader.file = RunFilePath(check, name, path) && !FolderExists(path) ? std::fopen(path, "rb") : nullptr;
  reader.position = 0;
  reader.next = reader.filled = 0;
  reader.failed = false;
  return reader.file != nullptr;
}

int NextByte(FileReader& reader) {
  if (reader.next == reader.filled) {
    if (reader.file == nullptr || reader.failed) return -1;
    reader.filled = std::fread(reader.buffer, 1, sizeof reader.buffer, reader.file);
    reader.next = 0;
    if (reader.filled == 0) {
      reader.failed = std::ferror(reader.file) != 0;
      return -1;
    }
  }
  ++reader.position;
  return static_cast<unsigned char>(reader.buffer[reader.next++]);
}

void CloseReader(FileReader& reader) {
  if (reader.file != nullptr) std::fclose(reader.file);
  reader.file = nullptr;
}
