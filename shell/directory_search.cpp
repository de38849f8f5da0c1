#include "shell/directory_search.h"

namespace pindrel {

std::string DirectorySearch::Next(const std::string& pattern) {
  WIN32_FIND_DATAA entry;
  bool found;
  if (!pattern.empty()) {
    Close();
    handle_ = FindFirstFileA(pattern.c_str(), &entry);
    found = handle_ != INVALID_HANDLE_VALUE;
  } else {
    if (handle_ == INVALID_HANDLE_VALUE) return std::string();
    found = FindNextFileA(handle_, &entry) != FALSE;
  }
  while (found && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    found = FindNextFileA(handle_, &entry) != FALSE;
  }
  if (!found) {
    Close();
    return std::string();
  }
  return entry.cFileName;
}

void DirectorySearch::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) {
    FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
}

}  // namespace pindrel
