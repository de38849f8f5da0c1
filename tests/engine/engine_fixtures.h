// Small byte fixtures and a scratch directory for the engine's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace pindrel::test {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe(Bytes& b, std::size_t at, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void AppendLe(Bytes& b, std::uint32_t v, int n) {
  b.resize(b.size() + n);
  PutLe(b, b.size() - n, v, n);
}

// A bitmap icon image: a BITMAPINFOHEADER with the given fields, then filler
// bytes up to size (or up to the length the fields imply when size is 0).
struct BitmapFields {
  std::int32_t width = 16;
  std::int32_t biHeight = 32;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 32;
  std::uint32_t clrUsed = 0;
  std::uint32_t sizeImage = 0;
  std::uint32_t biSize = 40;
};

inline Bytes Bitmap(const BitmapFields& f, std::size_t size = 0) {
  if (size == 0) {
    std::size_t palette = f.clrUsed ? f.clrUsed : (f.bitCount <= 8 ? 1u << f.bitCount : 0);
    std::size_t stride = (f.width * f.bitCount * f.planes + 31) / 32 * 4;
    std::size_t maskStride = (f.width + 31) / 32 * 4;
    size = 40 + 4 * palette + (stride + maskStride) * (f.biHeight / 2);
  }
  Bytes b(size < 40 ? 40 : size);
  PutLe(b, 0, f.biSize, 4);
  PutLe(b, 4, static_cast<std::uint32_t>(f.width), 4);
  PutLe(b, 8, static_cast<std::uint32_t>(f.biHeight), 4);
  PutLe(b, 12, f.planes, 2);
  PutLe(b, 14, f.bitCount, 2);
  PutLe(b, 20, f.sizeImage, 4);
  PutLe(b, 32, f.clrUsed, 4);
  for (std::size_t i = 40; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7);
  b.resize(size);
  return b;
}

// A PNG stream as icons hold it: signature, IHDR, a few more bytes.
inline Bytes Png(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth = 8,
                 std::uint8_t colorType = 6) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t v : {width, height}) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
  }
  Bytes rest = {bitDepth, colorType, 0, 0, 0, 0xDE, 0xAD, 0xBE, 0xEF,
                0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

struct IcoEntry {
  std::uint32_t size;
  std::uint32_t offset;
};

// The header and directory of an ICO file, entries taken as given.
inline Bytes IcoHead(std::uint16_t count, const std::vector<IcoEntry>& entries,
                     std::uint16_t reserved = 0, std::uint16_t type = 1) {
  Bytes b;
  AppendLe(b, reserved, 2);
  AppendLe(b, type, 2);
  AppendLe(b, count, 2);
  for (const IcoEntry& e : entries) {
    AppendLe(b, 0x2020, 2);  // width and height bytes that readers ignore
    AppendLe(b, 0, 2);
    AppendLe(b, 1, 2);
    AppendLe(b, 32, 2);
    AppendLe(b, e.size, 4);
    AppendLe(b, e.offset, 4);
  }
  return b;
}

// A well-formed ICO file holding the images back to back.
inline Bytes IcoOf(const std::vector<Bytes>& images) {
  std::vector<IcoEntry> entries;
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (const Bytes& image : images) {
    entries.push_back({static_cast<std::uint32_t>(image.size()), offset});
    offset += static_cast<std::uint32_t>(image.size());
  }
  Bytes b = IcoHead(static_cast<std::uint16_t>(images.size()), entries);
  for (const Bytes& image : images) b.insert(b.end(), image.begin(), image.end());
  return b;
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// A fresh directory for one test, removed with everything in it afterwards.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name) {
    // The process id keeps parallel runs of several builds apart.
    path_ = std::filesystem::temp_directory_path() /
            ("pindrel-" + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace pindrel::test
