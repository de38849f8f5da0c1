// drop_window TITLE OUTFILE [TIMEOUT_MS]
// A window served by the drop object, in a process of its own: the first
// dropped text is written to OUTFILE, byte for byte, and the program ends.
// Exits 0 after a drop, 1 when nothing arrived in time, 2 on misuse.
#include "platform/drop_target.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr UINT_PTR kGiveUpTimer = 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kGiveUpTimer) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: drop_window TITLE OUTFILE [TIMEOUT_MS]\n");
    return 2;
  }
  const std::string outFile = argv[2];
  const UINT timeoutMs = argc > 3 ? static_cast<UINT>(std::strtoul(argv[3], nullptr, 10)) : 30000;
  if (FAILED(OleInitialize(nullptr))) return 1;

  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "PindrelDropWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, argv[1], WS_POPUP | WS_VISIBLE | WS_BORDER, 200, 150, 320,
                                200, nullptr, nullptr, wc.hInstance, nullptr);
  bool dropped = false;
  {
    pindrel::DropTarget target([&](const std::string& text) {
      if (FILE* f = std::fopen(outFile.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
      }
      dropped = true;
      PostMessageA(window, WM_CLOSE, 0, 0);
    });
    if (!window || !target.RegisterWindow(window)) return 1;
    SetTimer(window, kGiveUpTimer, timeoutMs, nullptr);
    std::printf("drop_window: ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_CLOSE) target.Revoke();
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  OleUninitialize();
  return dropped ? 0 : 1;
}
