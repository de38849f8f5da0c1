#include "platform/module_file.h"

#include <algorithm>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pindrel {
namespace {

// Views are served from mappings of whole 1 MiB windows, so the resource
// tables and neighbouring resources share one mapping. A range that straddles
// a window boundary gets a mapping of its own, starting at a multiple of the
// Windows allocation granularity (64 KiB), which is also a multiple of every
// page size mmap needs.
constexpr std::uint64_t kWindow = 1u << 20;
constexpr std::uint64_t kMapAlignment = 1u << 16;

}  // namespace

#ifdef _WIN32

struct MappedFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  HANDLE mapping = nullptr;

  void* Map(std::uint64_t start, std::size_t length) {
    return MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(start >> 32),
                         static_cast<DWORD>(start & 0xFFFFFFFFu), length);
  }
  ~Handle() {
    if (mapping) CloseHandle(mapping);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

struct MappedFile::Mapping {
  void* base = nullptr;
  ~Mapping() {
    if (base) UnmapViewOfFile(base);
  }
};

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path) {
  auto handle = std::make_unique<Handle>();
  // Others may read the module while we do, as the loader allows.
  handle->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle->file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle->file, &size) || size.QuadPart <= 0) return nullptr;
  handle->mapping = CreateFileMappingA(handle->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!handle->mapping) return nullptr;
  return std::unique_ptr<MappedFile>(
      new MappedFile(std::move(handle), static_cast<std::uint64_t>(size.QuadPart)));
}

#else

struct MappedFile::Handle {
  int fd = -1;

  void* Map(std::uint64_t start, std::size_t length) {
    if (start > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return nullptr;
    void* base = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(start));
    return base == MAP_FAILED ? nullptr : base;
  }
  ~Handle() {
    if (fd >= 0) close(fd);
  }
};

struct MappedFile::Mapping {
  void* base = nullptr;
  std::size_t length = 0;
  ~Mapping() {
    if (base) munmap(base, length);
  }
};

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path) {
  auto handle = std::make_unique<Handle>();
  handle->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
  std::uint64_t start = offset / kWindow * kWindow;
  std::uint64_t length = 0;
  if (offset + n <= start + kWindow) {
    length = std::min(kWindow, size_ - start);
  } else {
    start = offset / kMapAlignment * kMapAlignment;
    length = offset + n - start;
  }
  if (length > std::numeric_limits<std::size_t>::max()) return std::nullopt;

  auto& mapping = mappings_[{start, length}];
  if (!mapping) {
    // Never map past the end of the file: touching such pages would fault.
    void* base = handle_->Map(start, static_cast<std::size_t>(length));
    if (!base) {
      mappings_.erase({start, length});
      return std::nullopt;
    }
    mapping = std::make_unique<Mapping>();
    mapping->base = base;
#ifndef _WIN32
    mapping->length = static_cast<std::size_t>(length);
#endif
  }
  return ByteSpan{static_cast<const std::uint8_t*>(mapping->base) + (offset - start),
                  static_cast<std::size_t>(n)};
}

}  // namespace pindrel
