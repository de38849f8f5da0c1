// Pindrel.exe: start-up, the message loop and shutdown.
#include <windows.h>
#include <ole2.h>

#include <string>

#include "platform/window_runtime.h"
#include "resources/window_descriptions.h"
#include "shell/run_directory.h"
#include "ui/main_window.h"

namespace {

void ReportFailure(const char* text) { MessageBoxA(nullptr, text, "Pindrel", MB_OK | MB_ICONERROR); }

// The working directory becomes the run directory. "C:" alone would name
// drive C's current directory, not its root.
void EnterRunDirectory() {
  std::string directory = pindrel::RunDirectory();
  if (!directory.empty() && directory.back() == ':') directory += '\\';
  SetCurrentDirectoryA(directory.c_str());  // on failure the inherited one stays
}

int Run() {
  // Support components, before any window exists.
  pindrel::InitMainWindowSupport();

  if (!pindrel::LoadWindow(pindrel::MainWindowDescription())) {
    ReportFailure("无法创建主窗口。");
    return 1;
  }
  return pindrel::RunMessageLoop();
}

}  // namespace

// The command line is ignored.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The drop target needs OLE on this thread.
  const HRESULT ole = OleInitialize(nullptr);
  pindrel::FixRunDirectory(pindrel::ModulePath());
  EnterRunDirectory();

  int code;
  try {
    code = Run();
  } catch (...) {
    pindrel::EndWithRuntimeFailure();
  }

  pindrel::ShutdownWindowRuntime();
  if (SUCCEEDED(ole)) OleUninitialize();
  return code;
}
