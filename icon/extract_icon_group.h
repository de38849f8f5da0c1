// The engine's entry point: one icon group of a source written as an ICO file.
#pragma once

#include <string>

namespace pindrel {

enum class SourceKind { Ico, Module, Unknown };

// The kind of a path by its last three bytes (the whole text when shorter),
// lower-cased: "ico" is an ICO file, "exe", "dll" and "icl" a module. Dots and
// character boundaries play no part, so "myico" is an ICO file and "a.exe "
// nothing.
SourceKind SourceKindOf(const std::string& path);

// Counts the icon groups of source and, in mode 0, writes group number index
// (1-based) to target when target ends in "ico". A mode other than 0 or 1
// acts as 1, which writes nothing; an index below 1 acts as 1. Returns the
// number of groups (always 1 for an ICO source, readable or not) when the
// source is of a known kind and index is within that number; 0 otherwise,
// and 0 in mode 0 with an empty target. A failed read or write does not
// change the result: the file is simply not there. Everything the call opens
// is released before it returns.
int ExtractIconGroup(const std::string& source, int mode = 1, const std::string& target = "",
                     int index = 1);

}  // namespace pindrel
