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

// PE: a DLL whose only section, .rsrc (file offset 0x200, RVA 0x1000), holds
// the resource tree sorted the way windres sorts it: text names first, in
// ascending order of their upper-cased UTF-16 units (CompareNames), kept in
// the case given; then identifiers ascending; languages ascending within a
// name. The data follow in that order, each 8-aligned.
// NE: an icon-library-like module whose resource table keeps the types in
// order of first appearance and the resources in the order given, with an
// alignment shift of 4 (so each resource reads back padded to 16 bytes) and
// text names written as Latin-1 ('?' beyond it; at most 255 bytes).
std::vector<std::uint8_t> BuildModule(ModuleKind kind, const std::vector<FakeResource>& resources);

// An RT_GROUP_ICON resource naming the given RT_ICON identifiers; each entry's
// size field is taken from sizes (0 where sizes is shorter). The other entry
// fields are fixed (16 × 16, no colour count, 1 plane, 32 bits), whatever the
// images are: readers must not rely on them.
std::vector<std::uint8_t> GroupIconResource(const std::vector<std::uint16_t>& iconIds,
                                            const std::vector<std::uint32_t>& sizes = {});

// A small valid BMP icon image: a 40-byte BITMAPINFOHEADER with biHeight
// 2 × height, a palette of 2^bitCount entries for 8 bits or fewer, XOR rows
// padded to 4 bytes, then the AND mask (all opaque).
std::vector<std::uint8_t> BmpIconImage(int width, int height, int bitCount);

// A minimal PNG icon image: signature and a 13-byte IHDR chunk, then IEND,
// with valid CRCs. It has no image data, so it does not decode.
std::vector<std::uint8_t> PngIconImage(int width, int height, int bitDepth, int colorType);

// Whole-file helpers; they throw std::runtime_error when the file cannot be
// written or read.
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace pindrel::test
