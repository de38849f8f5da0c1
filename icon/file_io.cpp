#include "icon/file_io.h"

#include <algorithm>

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
// Large reads and writes go in pieces a single system call accepts.
constexpr std::size_t kMaxChunk = 1u << 30;
}  // namespace

#ifdef _WIN32

std::optional<File> File::OpenForReading(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return File(h);
}

std::optional<File> File::CreateForWriting(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return File(h);
}

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

void File::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

std::optional<std::uint64_t> File::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle_, &size) || size.QuadPart < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool File::Seek(std::uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
}

bool File::ReadExact(void* buffer, std::size_t n) {
  auto* at = static_cast<std::uint8_t*>(buffer);
  while (n > 0) {
    DWORD want = static_cast<DWORD>(std::min(n, kMaxChunk));
    DWORD got = 0;
    if (!ReadFile(handle_, at, want, &got, nullptr) || got == 0) return false;
    at += got;
    n -= got;
  }
  return true;
}

bool File::WriteAll(const void* data, std::size_t n) {
  auto* at = static_cast<const std::uint8_t*>(data);
  while (n > 0) {
    DWORD want = static_cast<DWORD>(std::min(n, kMaxChunk));
    DWORD put = 0;
    if (!WriteFile(handle_, at, want, &put, nullptr) || put == 0) return false;
    at += put;
    n -= put;
  }
  return true;
}

std::optional<std::uint64_t> FileSizeAt(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return std::nullopt;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

#else

std::optional<File> File::OpenForReading(const std::string& path) {
  // O_NONBLOCK so that a FIFO or device named like an icon file cannot hold
  // the open; only regular files are read.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  File file(fd);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return file;
}

std::optional<File> File::CreateForWriting(const std::string& path) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return std::nullopt;
  return File(fd);
}

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void File::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::optional<std::uint64_t> File::Size() const {
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

bool File::Seek(std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(-1);
}

bool File::ReadExact(void* buffer, std::size_t n) {
  auto* at = static_cast<std::uint8_t*>(buffer);
  while (n > 0) {
    ssize_t got = read(fd_, at, std::min(n, kMaxChunk));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

bool File::WriteAll(const void* data, std::size_t n) {
  auto* at = static_cast<const std::uint8_t*>(data);
  while (n > 0) {
    ssize_t put = write(fd_, at, std::min(n, kMaxChunk));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    at += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

std::optional<std::uint64_t> FileSizeAt(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

#endif

File::~File() { Close(); }

}  // namespace pindrel
