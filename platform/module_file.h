// A read-only file seen through mappings of only the ranges that are asked
// for, so that reading a few resources of a large module costs what those
// resources cost, not what the file costs, also in a 32-bit process.
//
// Windows refuses to truncate a file while a view of it exists. POSIX does
// not: a file cut short by another process while we read it would fault, as
// it would for any program that maps it; nothing here guards against that.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

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
  // be mapped. Not thread-safe: an object serves one thread.
  std::optional<ByteSpan> View(std::uint64_t offset, std::uint64_t n) const;

 private:
  struct Handle;
  struct Mapping;

  MappedFile(std::unique_ptr<Handle> handle, std::uint64_t size);

  std::unique_ptr<Handle> handle_;
  std::uint64_t size_ = 0;
  // Mappings made so far, keyed by their start in the file and their length;
  // they live as long as the file so that every view handed out stays valid.
  mutable std::map<std::pair<std::uint64_t, std::uint64_t>, std::unique_ptr<Mapping>> mappings_;
};

}  // namespace pindrel
