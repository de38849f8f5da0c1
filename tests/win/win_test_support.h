// Small helpers shared by the Windows-side tests of the program's windows.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "platform/window_runtime.h"
#include "resources/window_descriptions.h"
#include "shell/run_directory.h"
#include "ui/main_window.h"

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

// A window's class name, lower-cased.
inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return CharLowerA(name);
}

inline std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
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

// The program's main window, loaded from its description, over a fresh run
// directory of the test's own (named with the given leaf), driven the way the
// user drives it.
class MainWindowOver {
 public:
  explicit MainWindowOver(const std::string& leaf) {
    static const bool prepared = [] {
      OleInitialize(nullptr);
      InitMainWindowSupport();
      return true;
    }();
    (void)prepared;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "pindrel-" + std::to_string(GetCurrentProcessId()) + "-" + leaf;
    RemoveTree(dir_);
    CreateDirectoryA(dir_.c_str(), nullptr);
    FixRunDirectory(dir_ + "\\Pindrel.exe");
    window_ = LoadWindow(MainWindowDescription());
    handle_ = window_ ? window_->handle() : nullptr;
    Pump();
  }
  ~MainWindowOver() {
    if (Window::FromHandle(handle_)) window_->Destroy(true);
    Pump();
    RemoveTree(dir_);
  }
  MainWindowOver(const MainWindowOver&) = delete;
  MainWindowOver& operator=(const MainWindowOver&) = delete;

  bool loaded() const { return window_ != nullptr; }
  Window* window() const { return window_; }
  HWND handle() const { return handle_; }
  const std::string& dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

  HWND Control(const char* name) const {
    pindrel::Control* control = window_->Find(name);
    return control ? control->handle() : nullptr;
  }

  // What a drop on the window reports.
  void Drop(const std::string& paths) { window_->Find("拖放对象1")->Raise(EventKind::GotFile, paths); }
  void Click(const char* button) {
    SendMessageA(Control(button), BM_CLICK, 0, 0);
    Pump();
  }
  void Extract() { Click("按钮1"); }
  void Delete() { Click("按钮2"); }

  // The numbered icon files that are in the run directory now.
  std::vector<int> Extracted() const {
    std::vector<int> found;
    for (int n = 1; n <= 100; ++n) {
      if (Exists(Path(std::to_string(n) + ".ico"))) found.push_back(n);
    }
    return found;
  }

 private:
  std::string dir_;
  Window* window_ = nullptr;
  HWND handle_ = nullptr;
};

}  // namespace pindrel::test
