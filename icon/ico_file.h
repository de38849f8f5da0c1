// ICO files: the source format for icon files and the format of every output.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "icon/file_io.h"
#include "icon/icon_image_set.h"

namespace pindrel {

constexpr std::size_t kIcoHeaderSize = 6;
constexpr std::size_t kIcoDirectoryEntrySize = 16;

// Reads the 6-byte header of a file positioned at its start: the image count
// (0 to 65535), or -1 when the header cannot be read or is not an icon's
// (reserved not 0, or type not 1, which also refuses cursors). On success the
// file is positioned at offset 6.
int ReadIcoFileHeader(File& file);

// Reads the ICO file at a path. Only each directory entry's size and offset
// are used; the images' fields come from their own headers. No set when the
// file cannot be opened or read, the header is refused, the directory is
// short, or an image reaches past the end of the file.
std::optional<IconImageSet> ReadIcoFile(const std::string& path);

// The same for ICO bytes already in memory (for tests and fuzzing); the set's
// icoFileName is the given name.
std::optional<IconImageSet> ReadIcoBytes(const std::uint8_t* data, std::size_t size,
                                         const std::string& name = "");

// Writes the header for count images: 0, 1 and the low 16 bits of count.
bool WriteIcoFileHeader(File& file, std::uint32_t count);

// Where image i lands in a written file: behind the header, the directory and
// the images before it. Computed modulo 2^32, the field's width.
std::uint32_t IcoImageOffset(const IconImageSet& set, std::uint32_t index);

// The directory entry of an image, built from the image itself.
std::array<std::uint8_t, kIcoDirectoryEntrySize> IcoDirectoryEntry(const IconImage& image,
                                                                   std::uint32_t offset);

// Writes the set as an ICO file at path, created anew or truncated. Images go
// back to back behind the directory, each with one write straight from the
// set's buffer; a bitmap's biSizeImage is written as 0, which the writer does
// by clearing it for the length of that write and then putting it back, so the
// set is unchanged afterwards but must not be used elsewhere meanwhile. PNG
// images and images shorter than a BITMAPINFOHEADER are written unchanged.
// True only when everything was written in full. A set that the format cannot
// hold (more than 65535 images, 4 GiB or more in all, or sizes that disagree
// with the buffers) is refused before the file is touched.
bool WriteIcoFile(IconImageSet& set, const std::string& path);

}  // namespace pindrel
