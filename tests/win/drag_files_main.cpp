// drag_files [--warp] [--timeout MS] --title TITLE PATH...
// drag_files --where --title TITLE
// Drags the file list onto the top-level window titled TITLE, from this
// process, with real OLE drag and drop. Without --warp the pointer must be
// brought over the window by someone else (xdotool). Prints the outcome;
// exits 0 when the drop happened, 1 when the drag was given up, 2 on misuse.
// With --where it only prints "client X Y", the screen position of the
// window's client area, for a script that clicks into it.
#include "tests/win/drag_source.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  pindrel::test::DragPlan plan;
  const char* title = nullptr;
  bool where = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--warp") == 0) {
      plan.warpPointer = true;
    } else if (std::strcmp(argv[i], "--where") == 0) {
      where = true;
    } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      plan.timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (std::strcmp(argv[i], "--title") == 0 && i + 1 < argc) {
      title = argv[++i];
    } else {
      plan.paths.push_back(argv[i]);
    }
  }
  if (!title) {
    std::fprintf(stderr, "usage: drag_files [--warp] [--timeout MS] --title TITLE PATH...\n"
                         "       drag_files --where --title TITLE\n");
    return 2;
  }
  const DWORD start = GetTickCount();
  while (!(plan.target = FindWindowA(nullptr, title)) && GetTickCount() - start < plan.timeoutMs) {
    Sleep(100);
  }
  if (!plan.target) {
    std::fprintf(stderr, "drag_files: no window titled %s\n", title);
    return 1;
  }
  if (where) {
    POINT origin{0, 0};
    ClientToScreen(plan.target, &origin);
    std::printf("client %ld %ld\n", static_cast<long>(origin.x), static_cast<long>(origin.y));
    return 0;
  }
  if (FAILED(OleInitialize(nullptr))) {
    std::fprintf(stderr, "drag_files: OLE could not be initialised\n");
    return 1;
  }
  std::printf("drag_files: dragging %u path(s) to window %p\n", static_cast<unsigned>(plan.paths.size()),
              static_cast<void*>(plan.target));
  std::fflush(stdout);
  const pindrel::test::DragOutcome outcome = pindrel::test::DragFiles(plan);
  std::printf("drag_files: %s, DoDragDrop 0x%08lx, effect %lu\n", outcome.dropped ? "dropped" : "given up",
              static_cast<unsigned long>(outcome.result), static_cast<unsigned long>(outcome.effect));
  OleUninitialize();
  return outcome.dropped ? 0 : 1;
}
