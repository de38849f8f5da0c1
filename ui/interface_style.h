// The four entries of the main window's "界面风格(&F)" menu. Each handler
// hands its style number to the window skin (platform/skin_style.h) and does
// nothing else: no check mark, no stored setting, so every start of the
// program begins with the plain look.
//
// Handlers (registered by name, see window_runtime.h):
//   OnStyleNone    "无风格"    style 0, the plain look
//   OnStyleBlue    "蓝色风格"  style 1
//   OnStyleGreen   "绿色分格"  style 2
//   OnStyleSilver  "银色风格"  style 3
#pragma once

#include "platform/skin_style.h"
