// The one place where the module reader touches raw file bytes: little-endian
// reads at positions inside a span, each checked against the span's end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pindrel {

struct ByteSpan {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// True when [offset, offset + n) lies inside size bytes. Written so that no
// sum can wrap, whatever the untrusted offset and length are.
constexpr bool RangeFits(std::uint64_t offset, std::uint64_t n, std::uint64_t size) {
  return n <= size && offset <= size - n;
}

// Reads never leave the span. A read that would fails the reader for good:
// it yields 0 and ok() turns false, so a parser reads a whole record and
// checks once.
class ByteReader {
 public:
  explicit ByteReader(ByteSpan bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size; }
  bool ok() const { return ok_; }
  bool Has(std::uint64_t offset, std::uint64_t n) const { return RangeFits(offset, n, bytes_.size); }

  std::uint8_t U8(std::uint64_t offset) { return static_cast<std::uint8_t>(Le(offset, 1)); }
  std::uint16_t U16(std::uint64_t offset) { return static_cast<std::uint16_t>(Le(offset, 2)); }
  std::uint32_t U32(std::uint64_t offset) { return static_cast<std::uint32_t>(Le(offset, 4)); }

  // The n bytes at offset; an empty span (and a failed reader) when they do
  // not all lie inside.
  ByteSpan Bytes(std::uint64_t offset, std::uint64_t n) {
    if (!Has(offset, n)) {
      ok_ = false;
      return {};
    }
    return {bytes_.data + offset, static_cast<std::size_t>(n)};
  }

 private:
  std::uint32_t Le(std::uint64_t offset, unsigned n) {
    if (!Has(offset, n)) {
      ok_ = false;
      return 0;
    }
    std::uint32_t value = 0;
    for (unsigned i = n; i-- > 0;) value = (value << 8) | bytes_.data[offset + i];
    return value;
  }

  ByteSpan bytes_;
  bool ok_ = true;
};

}  // namespace pindrel
