// Text helpers of the module reader: resource-name comparison and the
// conversions between the encodings that modules store and UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace pindrel {

// The simple upper-case form of a UTF-16 unit for the scripts resource names
// are written in: ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and the
// full-width Latin letters. Resource compilers store names upper-cased and
// the platform upper-cases the name it looks for; this does both in one.
char16_t FoldCase(char16_t c);

// Orders names the way resource compilers sort a directory's text entries:
// unit by unit on the folded UTF-16 values, a prefix before the longer name.
// Negative, zero or positive like strcmp; zero means "the same name".
int CompareNames(const std::u16string& a, const std::u16string& b);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

// A byte string of the ANSI code page to UTF-16: through the system's code
// page on Windows, and as Latin-1 elsewhere (NE names are ASCII in practice).
std::u16string AnsiToUtf16(const std::string& text);

}  // namespace pindrel
