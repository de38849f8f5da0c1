#include "shell/text.h"

namespace pindrel {

int CompareText(const std::string& a, const std::string& b) {
  // c_str() ends both in a zero byte, where a text stops.
  const auto* x = reinterpret_cast<const unsigned char*>(a.c_str());
  const auto* y = reinterpret_cast<const unsigned char*>(b.c_str());
  while (*x && *x == *y) {
    ++x;
    ++y;
  }
  return *x < *y ? -1 : (*x > *y ? 1 : 0);
}

}  // namespace pindrel
