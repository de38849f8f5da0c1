// Small helpers shared by the Windows-side tests of the program's windows.
#pragma once

#include <windows.h>

#include <string>

#include "platform/window_runtime.h"

namespace pindrel::test {

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a directory with everything in it, read-only files included.
inline void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(dir.c_str());
}

// The runtime's loop, for as long as messages are waiting.
inline void Pump() {
  MSG message;
  for (int round = 0; round < 3; ++round) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!HandleWindowKey(message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
    Sleep(5);
  }
}

}  // namespace pindrel::test
