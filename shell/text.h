// Text values: zero-terminated byte strings in the ANSI code page, held as
// std::string; an absent text is the empty string.
#pragma once

#include <string>

namespace pindrel {

// -1, 0 or +1: byte by byte as unsigned 8-bit values up to the first
// difference or the first zero byte; no case folding, no locale.
int CompareText(const std::string& a, const std::string& b);

}  // namespace pindrel
