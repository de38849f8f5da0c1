// ExtractIconGroup end to end, the way the program calls it. The first byte
// picks the source's kind and the wanted index; the rest is the source file.
// Whatever the command writes must read back as an ICO file.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/fuzz_scratch.h"
#include "icon/extract_icon_group.h"
#include "icon/ico_file.h"

using namespace pindrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string ico = fuzz::ScratchPath("source.ico"), dll = fuzz::ScratchPath("source.dll"),
                           target = fuzz::ScratchPath("target.ico");
  if (size == 0) return 0;
  const std::string& source = (data[0] & 1) ? dll : ico;
  const int index = ((data[0] >> 1) & 3) + 1;
  fuzz::WriteScratch(source, data + 1, size - 1);
  std::remove(target.c_str());
  int count = ExtractIconGroup(source, 0, target, index);
  if (count < 0 || (count > 0 && count < index)) __builtin_trap();
  const bool written = FileSizeAt(target).has_value();
  if ((count == 0 && written) || (written && !ReadIcoFile(target))) __builtin_trap();
  return 0;
}
