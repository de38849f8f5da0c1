// The run directory: the directory of the program's own executable, fixed at
// start. Output files are written there and cleared from there.
#pragma once

#include <string>

namespace pindrel {

// The path of the running executable as GetModuleFileNameA reports it into
// a buffer of MAX_PATH bytes.
std::string ModulePath();

// Everything before the path's last backslash. The search steps through the
// path character by character in the ANSI code page, so the trail byte of a
// double-byte character (which may be 0x5C) is never taken for a backslash.
// A path without a backslash gives "".
std::string DirectoryOfPath(const std::string& path);

// Fixes the run directory as the directory of the given executable path.
void FixRunDirectory(const std::string& modulePath);

// The run directory, without a trailing backslash ("C:" for a program in a
// drive's root); "" until FixRunDirectory has run.
const std::string& RunDirectory();

}  // namespace pindrel
