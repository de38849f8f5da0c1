#include "platform/module_text.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pindrel {

char16_t FoldCase(char16_t c) {
  auto minus = [c](int d) { return static_cast<char16_t>(c - d); };
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? minus(0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return minus(0x20);  // à..þ except ÷
  if (c == 0xFF) return 0x178;                                  // ÿ
  if (c >= 0x100 && c <= 0x17E) {
    // Latin Extended-A pairs capital and small letter, capital first; the
    // pairs start on even units except in 0x139..0x148 and 0x179..0x17E.
    // 0x130, 0x131, 0x138 and 0x149 have no simple pair here.
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149) return c;
    bool oddCapitals = (c >= 0x139 && c <= 0x148) || c >= 0x179;
    bool small = oddCapitals ? (c % 2 == 0) : (c % 2 == 1);
    return small ? minus(1) : c;
  }
  if (c == 0x3C2) return 0x3A3;                                 // final sigma
  if (c >= 0x3B1 && c <= 0x3CB) return minus(0x20);             // Greek
  if (c >= 0x430 && c <= 0x44F) return minus(0x20);             // Cyrillic а..я
  if (c >= 0x450 && c <= 0x45F) return minus(0x50);             // Cyrillic ѐ..џ
  if (c >= 0xFF41 && c <= 0xFF5A) return minus(0x20);           // full-width a..z
  return c;
}

int CompareNames(const std::u16string& a, const std::u16string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string AnsiToUtf16(const std::string& text) {
#ifdef _WIN32
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n > 0) {
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return std::u16string(wide.begin(), wide.end());
  }
#endif
  std::u16string out;
  for (unsigned char c : text) out += static_cast<char16_t>(c);
  return out;
}

}  // namespace pindrel
