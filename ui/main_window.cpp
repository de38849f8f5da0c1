#include "ui/main_window.h"

#include <cstring>
#include <string>

#include "icon/extract_icon_group.h"
#include "platform/window_runtime.h"
#include "shell/directory_search.h"
#include "shell/run_directory.h"
#include "shell/text.h"
#include "ui/banner.h"
#include "ui/drop_object.h"

namespace pindrel {
namespace {

constexpr int kMaxGroups = 100;

void OnMainWindowCreated(Event& event) {
  Control* drop = event.window.Find("拖放对象1");
  if (DropTarget* target = drop ? DropTargetOf(*drop) : nullptr) {
    target->RegisterWindow(event.window.handle());  // a failure leaves drops refused
  }
}

void OnFileDropped(Event& event) {
  if (Control* box = event.window.Find("编辑框1")) box->SetText(event.text);
}

void OnPathChanged(Event& event) {
  if (Control* extract = event.window.Find("按钮1")) extract->SetDisabled(false);
}

// Always 100 passes, each reading the box afresh and naming its target by the
// index alone; the command's result is not looked at, so a pass that writes
// nothing leaves only a missing file behind.
void OnExtractClicked(Event& event) {
  Control* box = event.window.Find("编辑框1");
  for (int index = 1; index <= kMaxGroups; ++index) {
    const std::string target = RunDirectory() + "\\" + std::to_string(index) + ".ico";
    const std::string source = box ? box->Text() : std::string();
    ExtractIconGroup(source, 0, target, index);
  }
}

// Each file goes as soon as it is found, while the search stays open. A file
// that cannot be deleted stays; directories are passed over.
void OnDeleteClicked(Event&) {
  DirectorySearch search;
  std::string name = search.Next(RunDirectory() + "\\*.ico");
  while (CompareText(name, "") != 0) {
    DeleteFileA((RunDirectory() + "\\" + name).c_str());
    name = search.Next("");
  }
}

const HandlerRegistration kHandlers[] = {
    {"OnMainWindowCreated", &OnMainWindowCreated},
    {"OnFileDropped", &OnFileDropped},
    {"OnPathChanged", &OnPathChanged},
    {"OnExtractClicked", &OnExtractClicked},
    {"OnDeleteClicked", &OnDeleteClicked},
};

}  // namespace

HBITMAP LoadProgramPicture(HINSTANCE instance, const char* name) {
  return std::strcmp(name, "BANNER") == 0 ? LoadBanner(instance) : nullptr;
}

void InitMainWindowSupport() {
  RegisterDropObjectKind();
  SetPictureDecoder(&LoadProgramPicture);
}

}  // namespace pindrel
