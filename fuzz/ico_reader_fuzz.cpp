// The ICO reader on arbitrary bytes. Whatever it accepts must also read the
// same from memory, write back, and read again into the same images.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_scratch.h"
#include "icon/ico_file.h"

using namespace pindrel;

namespace {

// Equal but for biSizeImage, which the writer clears in every bitmap image.
bool SameImages(const IconImageSet& a, const IconImageSet& b, bool sizeImageCleared) {
  if (a.imageCount != b.imageCount || a.images.size() != b.images.size()) return false;
  for (std::size_t i = 0; i < a.images.size(); ++i) {
    auto x = a.images[i].data, y = b.images[i].data;
    if (sizeImageCleared && !IsPngImage(a.images[i]) && x.size() >= kBitmapInfoHeaderSize) {
      for (std::size_t k = kSizeImageOffset; k < kSizeImageOffset + 4; ++k) x[k] = 0;
    }
    if (x != y) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string input = fuzz::ScratchPath("input.ico"), output = fuzz::ScratchPath("output.ico");
  fuzz::WriteScratch(input, data, size);
  auto set = ReadIcoFile(input);
  auto fromMemory = ReadIcoBytes(data, size);
  if (set.has_value() != fromMemory.has_value() || (set && !SameImages(*set, *fromMemory, false))) __builtin_trap();
  if (!set) return 0;
  if (!WriteIcoFile(*set, output)) __builtin_trap();
  auto again = ReadIcoFile(output);
  if (!again || !SameImages(*set, *again, true)) __builtin_trap();
  return 0;
}
