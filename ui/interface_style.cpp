#include "ui/interface_style.h"

#include <cstring>

#include "platform/skin_style.h"
#include "platform/window_runtime.h"

namespace pindrel {
namespace {

struct StyleEntry {
  const char* handler;
  int style;
};

constexpr StyleEntry kEntries[] = {
    {"OnStyleNone", kSkinNone},
    {"OnStyleBlue", kSkinBlue},
    {"OnStyleGreen", kSkinGreen},
    {"OnStyleSilver", kSkinSilver},
};

// The result of SetStyle is not needed by the program.
void OnStyleNone(Event&) { SetStyle(kSkinNone); }
void OnStyleBlue(Event&) { SetStyle(kSkinBlue); }
void OnStyleGreen(Event&) { SetStyle(kSkinGreen); }
void OnStyleSilver(Event&) { SetStyle(kSkinSilver); }

const HandlerRegistration kNone{"OnStyleNone", &OnStyleNone};
const HandlerRegistration kBlue{"OnStyleBlue", &OnStyleBlue};
const HandlerRegistration kGreen{"OnStyleGreen", &OnStyleGreen};
const HandlerRegistration kSilver{"OnStyleSilver", &OnStyleSilver};

}  // namespace

int StyleOfHandler(const char* handlerName) {
  if (!handlerName) return -1;
  for (const StyleEntry& entry : kEntries) {
    if (std::strcmp(entry.handler, handlerName) == 0) return entry.style;
  }
  return -1;
}

}  // namespace pindrel
