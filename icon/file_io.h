// The engine's files: opened for one call, never shared with another holder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pindrel {

class File {
 public:
  // An existing file, for reading. On Windows no other holder may have it
  // open, and nobody may open it while we hold it.
  static std::optional<File> OpenForReading(const std::string& path);
  // A file created anew or truncated to empty, for writing, with the same
  // exclusive sharing: a target someone else holds open is not touched.
  static std::optional<File> CreateForWriting(const std::string& path);

  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  std::optional<std::uint64_t> Size() const;
  bool Seek(std::uint64_t offset);
  // True only when exactly n bytes were read.
  bool ReadExact(void* buffer, std::size_t n);
  // True only when all n bytes were written.
  bool WriteAll(const void* data, std::size_t n);

 private:
#ifdef _WIN32
  using Handle = void*;  // HANDLE, kept out of this header
  explicit File(Handle handle) : handle_(handle) {}
  Handle handle_;
#else
  explicit File(int fd) : fd_(fd) {}
  int fd_;
#endif
  void Close();
};

// The size of the file at a path without opening it, so that it can be asked
// while another handle holds the file.
std::optional<std::uint64_t> FileSizeAt(const std::string& path);

}  // namespace pindrel
