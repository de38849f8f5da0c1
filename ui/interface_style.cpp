#include "ui/interface_style.h"

#include "platform/window_runtime.h"

namespace pindrel {
namespace {

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
}  // namespace pindrel
