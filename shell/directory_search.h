// A directory search that hands out one file name per call, the way the
// clearing of the run directory walks it while deleting.
#pragma once

#include <windows.h>

#include <string>

namespace pindrel {

class DirectorySearch {
 public:
  DirectorySearch() = default;
  ~DirectorySearch() { Close(); }
  DirectorySearch(const DirectorySearch&) = delete;
  DirectorySearch& operator=(const DirectorySearch&) = delete;

  // With a pattern, closes any search under way and starts a new one; with
  // "", goes on with the current one. Returns the bare name of the next entry
  // that is not a directory, or "" (and closes the search) when there is none.
  std::string Next(const std::string& pattern);

  void Close();

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace pindrel
