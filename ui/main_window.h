// The main window's handlers (registered by name, see window_runtime.h) and
// what the window needs before it can be loaded.
//
// Handlers of resources/main_window_description.cpp defined here:
//   OnMainWindowCreated  registers the window with its drop object
//   OnFileDropped        writes the dropped paths into the path box
//   OnPathChanged        enables the Extract button
//   OnExtractClicked     the extraction run: icon groups 1 to 100 of the path
//                        box's file into <run directory>\<n>.ico
//   OnDeleteClicked      deletes every *.ico file of the run directory
// The menu handlers (OnStyleNone, OnStyleBlue, OnStyleGreen, OnStyleSilver,
// OnAboutSelected) live in interface_style.cpp and about_window.cpp.
#pragma once

#include <windows.h>

namespace pindrel {

// Registers the drop object's control kind ("DropTarget") and the decoder of
// the program's pictures. Called once at start, before any window exists.
void InitMainWindowSupport();

// The decoder of the pictures that descriptions name: "BANNER" is the banner
// PNG; other names give no picture. The caller owns the bitmap.
HBITMAP LoadProgramPicture(HINSTANCE instance, const char* name);

}  // namespace pindrel
