// A read-only file seen through views of only the ranges that are asked for,
// so that reading a few resources of a large module costs what those
// resources cost, not what the file costs, also in a 32-bit process.
//
// Views are read, not mapped: a call of the engine looks at a few dozen small
// records scattered over the resource directory and at the bytes of one
// group, and mapping, faulting in and unmapping windows around them cost
// twice as much as reading them. Small views share 4 KiB blocks, each read
// once; a larger view is read by itself. Resource bytes meant to be kept are
// read once, straight into their owner's buffer (Copy). A file cut short by
// another process while we read it gives short reads, so views fail cleanly.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/module_byte_reader.h"

namespace pindrel {

class MappedFile {
 public:
  // Opens a regular file at an ANSI path for reading; null when it cannot.
  static std::unique_ptr<MappedFile> Open(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::uint64_t size() const { return size_; }

  // The bytes [offset, offset + n) of the file, valid while this object
  // lives. Nothing when the range reaches past the end of the file or cannot
  // be read. Not thread-safe: an object serves one thread.
  std::optional<ByteSpan> View(std::uint64_t offset, std::uint64_t n) const;

  // The bytes [offset, offset + n) in a buffer of their own, read straight
  // into it and not kept here. Nothing when the range reaches past the end of
  // the file, no buffer can be had, or the bytes cannot be read in full.
  std::optional<std::vector<std::uint8_t>> Copy(std::uint64_t offset, std::uint64_t n) const;

 private:
  struct Handle;

  MappedFile(std::unique_ptr<Handle> handle, std::uint64_t size);

  std::unique_ptr<Handle> handle_;
  std::uint64_t size_ = 0;
  // Views read so far, keyed by their start in the file and their length:
  // whole blocks, and the larger views that have a buffer of their own. They
  // live as long as the file so that every view handed out stays valid.
  mutable std::map<std::pair<std::uint64_t, std::uint64_t>, std::unique_ptr<std::uint8_t[]>> reads_;
};

}  // namespace pindrel
