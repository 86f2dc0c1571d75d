// Runs a test inside a fresh, empty working directory (the operations write their
// files by relative name), and goes back afterwards. The directory is removed.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

 private:
  std::filesystem::path old_;
  std::filesystem::path path_;
};
