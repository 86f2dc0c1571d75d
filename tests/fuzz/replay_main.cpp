// The main of a fuzz target in the ordinary builds: runs LLVMFuzzerTestOneInput once
// for every file named on the command line, and for every file in every directory
// named, in name order, so that the checked-in corpus runs as a plain test under the
// sanitizers without libFuzzer (which only clang has).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsOf(const char* argument) {
  std::vector<std::filesystem::path> inputs;
  const std::filesystem::path path(argument);
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
  } else {
    inputs.push_back(path);
  }
  return inputs;
}

bool Replay(const std::filesystem::path& input) {
  std::ifstream in(input, std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "replay %s (%zu bytes)\n", input.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& input : InputsOf(argv[i])) {
      if (!Replay(input)) {
        std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
        return 1;
      }
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "replay: no inputs in the paths given\n");
    return 1;
  }
  std::fprintf(stderr, "replay: %d inputs, every property held\n", replayed);
  return 0;
}
