#include "platform/module_file.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pindrel {
namespace {

// Small views are served from whole blocks of this size, so the records of
// one directory table, or neighbouring data entries, cost one read.
constexpr std::uint64_t kBlock = 4096;
// Reads go in pieces a single system call accepts.
constexpr std::uint64_t kMaxChunk = 1u << 30;

}  // namespace

#ifdef _WIN32

struct MappedFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;

  // One read at an offset; the handle's own file position plays no part.
  bool ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint64_t n) {
    while (n > 0) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD want = static_cast<DWORD>(std::min(n, kMaxChunk)), got = 0;
      if (!ReadFile(file, into, want, &got, &at) || got == 0) return false;
      offset += got;
      into += got;
      n -= got;
    }
    return true;
  }
  ~Handle() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path) {
  auto handle = std::make_unique<Handle>();
  // Others may read the module while we do, as the loader allows.
  handle->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle->file == INVALID_HANDLE_VALUE) return nullptr;
  // Only disk files: a pipe or device would block or have no size.
  if (GetFileType(handle->file) != FILE_TYPE_DISK) return nullptr;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle->file, &size) || size.QuadPart <= 0) return nullptr;
  return std::unique_ptr<MappedFile>(
      new MappedFile(std::move(handle), static_cast<std::uint64_t>(size.QuadPart)));
}

#else

struct MappedFile::Handle {
  int fd = -1;

  bool ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint64_t n) {
    while (n > 0) {
      if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
      ssize_t got = pread(fd, into, static_cast<std::size_t>(std::min(n, kMaxChunk)),
                          static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      offset += static_cast<std::uint64_t>(got);
      into += got;
      n -= static_cast<std::uint64_t>(got);
    }
    return true;
  }
  ~Handle() {
    if (fd >= 0) close(fd);
  }
};

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path) {
  auto handle = std::make_unique<Handle>();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  handle->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (handle->fd < 0) return nullptr;
  struct stat st;
  // Only regular files: a FIFO or device would block or have no size.
  if (fstat(handle->fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return nullptr;
  return std::unique_ptr<MappedFile>(
      new MappedFile(std::move(handle), static_cast<std::uint64_t>(st.st_size)));
}

#endif

MappedFile::MappedFile(std::unique_ptr<Handle> handle, std::uint64_t size)
    : handle_(std::move(handle)), size_(size) {}

MappedFile::~MappedFile() = default;

std::optional<ByteSpan> MappedFile::View(std::uint64_t offset, std::uint64_t n) const {
  if (!RangeFits(offset, n, size_)) return std::nullopt;
  if (n == 0) {
    // An empty resource still has an address, as LockResource gives one.
    static const std::uint8_t kNothing = 0;
    return ByteSpan{&kNothing, 0};
  }
  // The block that holds the whole range, else the range by itself. A block
  // never reaches past the end of the file.
  std::uint64_t start = offset / kBlock * kBlock;
  std::uint64_t length = std::min(kBlock, size_ - start);
  if (offset + n > start + length) {
    start = offset;
    length = n;
  }
  if (length > std::numeric_limits<std::size_t>::max()) return std::nullopt;

  auto& bytes = reads_[{start, length}];
  if (!bytes) {
    bytes.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(length)]);
    if (!bytes || !handle_->ReadAt(start, bytes.get(), length)) {
      reads_.erase({start, length});
      return std::nullopt;
    }
  }
  return ByteSpan{bytes.get() + (offset - start), static_cast<std::size_t>(n)};
}

std::optional<std::vector<std::uint8_t>> MappedFile::Copy(std::uint64_t offset,
                                                         std::uint64_t n) const {
  if (!RangeFits(offset, n, size_) || n > std::numeric_limits<std::size_t>::max()) {
    return std::nullopt;
  }
  try {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
    if (!handle_->ReadAt(offset, bytes.data(), n)) return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

}  // namespace pindrel
