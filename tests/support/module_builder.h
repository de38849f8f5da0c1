// Builds small executable modules in memory for the tests: PE32, PE32+ and
// 16-bit NE files with a resource section and nothing else that matters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/module_resources.h"

namespace pindrel::test {

struct FakeResource {
  ResourceName type;
  ResourceName name;
  std::uint16_t language = 0;  // LANG_NEUTRAL; ignored by NE
  std::vector<std::uint8_t> data;
};

enum class ModuleKind { Pe32, Pe32Plus, Ne };

// The resources are stored in the order given; the builder sorts the
// directory tables the way a resource compiler does.
std::vector<std::uint8_t> BuildModule(ModuleKind kind, const std::vector<FakeResource>& resources);

// An RT_GROUP_ICON resource naming the given RT_ICON identifiers; each entry's
// size field is taken from sizes (0 where sizes is shorter).
std::vector<std::uint8_t> GroupIconResource(const std::vector<std::uint16_t>& iconIds,
                                            const std::vector<std::uint32_t>& sizes = {});

// A small valid BMP icon image (BITMAPINFOHEADER, palette, XOR bits, AND mask).
std::vector<std::uint8_t> BmpIconImage(int width, int height, int bitCount);

// A minimal PNG icon image: signature and a 13-byte IHDR chunk, then IEND.
std::vector<std::uint8_t> PngIconImage(int width, int height, int bitDepth, int colorType);

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace pindrel::test
