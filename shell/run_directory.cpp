#include "shell/run_directory.h"

#include <windows.h>

namespace pindrel {
namespace {

std::string& Stored() {
  static std::string directory;
  return directory;
}

}  // namespace

std::string ModulePath() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  // A path cut at MAX_PATH comes back unterminated on older systems; the
  // returned length bounds it either way.
  return std::string(buffer, length < MAX_PATH ? length : MAX_PATH);
}

std::string DirectoryOfPath(const std::string& path) {
  const char* begin = path.c_str();
  const char* last = nullptr;
  for (const char* p = begin; *p; p = CharNextA(p)) {
    if (*p == '\\') last = p;
  }
  return last ? std::string(begin, last) : std::string();
}

void FixRunDirectory(const std::string& modulePath) { Stored() = DirectoryOfPath(modulePath); }

const std::string& RunDirectory() { return Stored(); }

}  // namespace pindrel
