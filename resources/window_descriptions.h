// The descriptions of the program's windows, compiled in as data.
#pragma once

#include "platform/window_description.h"

namespace pindrel {

const WindowDescription& MainWindowDescription();
const WindowDescription& AboutWindowDescription();

}  // namespace pindrel
