// Feeds files to a fuzz harness without libFuzzer, so that the seed corpora
// and every input that ever found a bug run as a plain test, under the
// sanitizers of whatever build links this file.
//
//   replay_<harness> PATH...   (files, or directories searched recursively)

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

// Dot files (a .gitkeep, an editor's leftovers) are not inputs.
bool IsInput(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && path.filename().string().rfind('.', 0) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    fs::path arg = argv[i];
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::recursive_directory_iterator(arg)) {
        if (IsInput(entry.path())) inputs.push_back(entry.path());
      }
    } else if (IsInput(arg)) {
      inputs.push_back(arg);
    }
    // A missing path is fine: a harness without findings has no regressions directory.
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::fprintf(stderr, "replay: no inputs found\n");
    return 1;
  }

  for (const auto& path : inputs) {
    // Named before it runs, so that a sanitizer report says which input it was.
    std::printf("%s\n", path.string().c_str());
    std::fflush(stdout);
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) {
      std::fprintf(stderr, "replay: cannot read %s\n", path.string().c_str());
      return 1;
    }
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("replayed %zu inputs\n", inputs.size());
  return 0;
}
