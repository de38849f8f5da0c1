#include "icon/ico_file.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "platform/module_byte_reader.h"

namespace pindrel {

namespace {

// ICO bytes already in memory, read the way a File is.
class MemorySource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::optional<std::uint64_t> Size() const { return size_; }
  bool Seek(std::uint64_t offset) {
    if (offset > size_) return false;
    pos_ = static_cast<std::size_t>(offset);
    return true;
  }
  bool ReadExact(void* buffer, std::size_t n) {
    if (n > size_ - pos_) return false;
    if (n > 0) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return true;
  }

 private:
  const std::uint8_t* data_;  // not owned
  std::size_t size_;
  std::size_t pos_ = 0;
};

template <class Source>
int ReadHeader(Source& source) {
  std::uint8_t bytes[kIcoHeaderSize];
  if (!source.ReadExact(bytes, sizeof bytes)) return -1;
  ByteReader r({bytes, sizeof bytes});
  if (r.U16(0) != 0 || r.U16(2) != 1) return -1;
  return r.U16(4);
}

struct ImagePlace {
  std::uint32_t size;
  std::uint32_t offset;
};

template <class Source>
std::optional<IconImageSet> ReadIco(Source& source, const std::string& name) {
  auto fileSize = source.Size();
  if (!fileSize || *fileSize < kIcoHeaderSize) return std::nullopt;
  int count = ReadHeader(source);
  if (count < 0) return std::nullopt;

  const std::size_t directorySize = kIcoDirectoryEntrySize * static_cast<std::size_t>(count);
  if (directorySize > *fileSize - kIcoHeaderSize) return std::nullopt;
  std::vector<std::uint8_t> directory(directorySize);
  if (!source.ReadExact(directory.data(), directory.size())) return std::nullopt;

  // Every image must lie inside the file, and together they may not claim more
  // bytes than the file holds, before a single image buffer is obtained: a
  // small file must not make us allocate gigabytes, whether through one huge
  // entry or through many entries naming the same bytes.
  ByteReader dir({directory.data(), directory.size()});
  std::vector<ImagePlace> places(static_cast<std::size_t>(count));
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < places.size(); ++i) {
    places[i].size = dir.U32(i * kIcoDirectoryEntrySize + 8);
    places[i].offset = dir.U32(i * kIcoDirectoryEntrySize + 12);
    if (places[i].offset > *fileSize || places[i].size > *fileSize - places[i].offset) {
      return std::nullopt;
    }
    total += places[i].size;
    if (total > *fileSize) return std::nullopt;
  }

  IconImageSet set = CreateIconImageSet(static_cast<std::uint32_t>(count));
  set.icoFileName = name;
  for (std::size_t i = 0; i < places.size(); ++i) {
    IconImage& image = set.images[i];
    image.data.resize(places[i].size);
    image.dataSize = places[i].size;
    if (!source.Seek(places[i].offset)) return std::nullopt;
    if (!source.ReadExact(image.data.data(), image.data.size())) return std::nullopt;
    BindImageFields(&image);
  }
  return set;
}

// Bitmaps have biSizeImage cleared on writing; PNG streams and images too
// short to hold the field in a full header are carried as they are.
bool ClearsSizeImage(const IconImage& image) {
  return image.data.size() >= kBitmapInfoHeaderSize && !IsPngImage(image);
}

bool FitsIcoFormat(const IconImageSet& set) {
  if (set.imageCount != set.images.size() || set.imageCount > 0xFFFF) return false;
  std::uint64_t total = kIcoHeaderSize + kIcoDirectoryEntrySize * std::uint64_t{set.imageCount};
  for (const IconImage& image : set.images) {
    if (image.dataSize != image.data.size()) return false;
    total += image.dataSize;
  }
  return total <= std::numeric_limits<std::uint32_t>::max();
}

bool WriteImage(File& file, IconImage& image) {
  if (!ClearsSizeImage(image)) return file.WriteAll(image.data.data(), image.data.size());
  // Written straight from the set's buffer: clear the field for this one
  // write and put it back afterwards, whether the write succeeded or not.
  std::uint8_t* field = image.data.data() + kSizeImageOffset;
  std::uint8_t saved[4];
  std::memcpy(saved, field, sizeof saved);
  std::memset(field, 0, sizeof saved);
  bool ok = file.WriteAll(image.data.data(), image.data.size());
  std::memcpy(field, saved, sizeof saved);
  return ok;
}

void PutU16(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t v) {
  PutU16(at, v);
  PutU16(at + 2, v >> 16);
}

}  // namespace

int ReadIcoFileHeader(File& file) { return ReadHeader(file); }

std::optional<IconImageSet> ReadIcoFile(const std::string& path) {
  try {
    auto file = File::OpenForReading(path);
    if (!file) return std::nullopt;
    return ReadIco(*file, path);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

std::optional<IconImageSet> ReadIcoBytes(const std::uint8_t* data, std::size_t size,
                                         const std::string& name) {
  try {
    MemorySource source(data, size);
    return ReadIco(source, name);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

bool WriteIcoFileHeader(File& file, std::uint32_t count) {
  const std::uint16_t values[3] = {0, 1, static_cast<std::uint16_t>(count)};
  for (std::uint16_t value : values) {
    std::uint8_t bytes[2];
    PutU16(bytes, value);
    if (!file.WriteAll(bytes, sizeof bytes)) return false;
  }
  return true;
}

std::uint32_t IcoImageOffset(const IconImageSet& set, std::uint32_t index) {
  std::uint32_t offset = kIcoHeaderSize + kIcoDirectoryEntrySize * set.imageCount;
  for (std::size_t i = 0; i < index && i < set.images.size(); ++i) offset += set.images[i].dataSize;
  return offset;
}

std::array<std::uint8_t, kIcoDirectoryEntrySize> IcoDirectoryEntry(const IconImage& image,
                                                                   std::uint32_t offset) {
  std::array<std::uint8_t, kIcoDirectoryEntrySize> entry{};
  // One byte each for width and height, so 256 is written as 0.
  entry[0] = static_cast<std::uint8_t>(image.width);
  entry[1] = static_cast<std::uint8_t>(image.height);
  if (IsPngImage(image)) {
    // A PNG stream has one plane; its colour count stays 0.
    PutU16(&entry[4], 1);
    PutU16(&entry[6], image.bitsPerPixel);
  } else {
    BitmapInfoHeader h = ReadBitmapInfoHeader(image.data.data(), image.data.size());
    std::uint32_t bits = std::uint32_t{h.biPlanes} * h.biBitCount;
    // Only palette images name their colour count; 8 bits and more give 0.
    entry[2] = static_cast<std::uint8_t>(bits < 8 ? 1u << bits : 0u);
    PutU16(&entry[4], h.biPlanes);
    PutU16(&entry[6], h.biBitCount);
  }
  PutU32(&entry[8], image.dataSize);
  PutU32(&entry[12], offset);
  return entry;
}

bool WriteIcoFile(IconImageSet& set, const std::string& path) {
  if (!FitsIcoFormat(set)) return false;
  auto file = File::CreateForWriting(path);
  if (!file) return false;
  if (!WriteIcoFileHeader(*file, set.imageCount)) return false;
  std::uint32_t offset = IcoImageOffset(set, 0);
  for (const IconImage& image : set.images) {
    auto entry = IcoDirectoryEntry(image, offset);
    if (!file->WriteAll(entry.data(), entry.size())) return false;
    offset += image.dataSize;
  }
  // Back to back in set order, so each image lands where its entry says.
  for (IconImage& image : set.images) {
    if (!WriteImage(*file, image)) return false;
  }
  return true;
}

}  // namespace pindrel
