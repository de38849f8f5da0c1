// Scratch files for the fuzz harnesses: the engine reads and writes paths, so
// every input goes through a file. Each process gets a directory of its own,
// removed at exit, so that harnesses running side by side never share a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace pindrel::fuzz {

inline const std::string& ScratchDir() {
  // Never destroyed, so that the exit handler below can still name it.
  static const std::string* dir = [] {
    const char* base = std::getenv("TMPDIR");
    auto* path = new std::string(std::string(base && *base ? base : "/tmp") + "/pindrel-fuzz.XXXXXX");
    if (mkdtemp(path->data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDir(), ignored);
    });
    return path;
  }();
  return *dir;
}

inline std::string ScratchPath(const std::string& name) { return ScratchDir() + "/" + name; }

// Replaces the file at path with the given bytes. A failure here is the
// harness's own, not a finding, but it must not pass silently.
inline void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || (size != 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
}

}  // namespace pindrel::fuzz
