// Runs a test inside a fresh, empty working directory (the operations write their
// files by relative name), and goes back afterwards. The directory is removed.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class ScopedTempDir {
 public:
  ScopedTempDir() : old_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tg-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    std::filesystem::current_path(path_);
  }
  ~ScopedTempDir() {
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  // Empty again, as at the start.
  void Empty() const {
    for (const auto& entry : std::filesystem::directory_iterator(path_)) std::filesystem::remove_all(entry.path());
  }

 private:
  std::filesystem::path old_;
  std::filesystem::path path_;
};

// The bytes of a file, as they reached the disk; empty for a file that is not there.
inline std::string FileBytes(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a file the program wrote with CR LF ends (CR CR LF on the disk, as
// text mode writes them), without their ends; `rest` (when given) gets what follows
// the last complete line.
inline std::vector<std::string> FileLines(const char* name, std::string* rest = nullptr) {
  std::vector<std::string> lines;
  const std::string bytes = FileBytes(name);
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\r\n", start)) != std::string::npos; start = end + 3)
    lines.push_back(bytes.substr(start, end - start));
  if (rest != nullptr) *rest = bytes.substr(start);
  return lines;
}
