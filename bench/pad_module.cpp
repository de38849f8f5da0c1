// pad_module: a copy of a PE module grown to a given size with the same
// resources, for measuring what a call costs against the size of the file.
//
//   pad_module SOURCE TARGET SIZE
//
// A reader that costs with file size could do so through what lies before the
// resources (mapping or reading from the start of the file up to them) or
// through what lies behind them (reading or mapping to the end), so the
// padding goes to both places: a hole in front of the resource section, which
// moves that section and every later one (their raw offsets are patched; the
// RVAs stay), and a hole at the end. The front hole is a whole number of MiB
// plus 512 KiB, so that every size gets the same layout of the resources
// against 1 MiB boundaries and the sizes differ in nothing else. The holes are
// sparse: the file takes the source's room on disk, not SIZE.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kMiB = 1u << 20;

int Fail(const std::string& what) {
  std::fprintf(stderr, "pad_module: %s\n", what.c_str());
  return 1;
}

struct Bytes {
  std::vector<std::uint8_t> data;
  bool Has(std::uint64_t offset, std::uint64_t n) const {
    return n <= data.size() && offset <= data.size() - n;
  }
  std::uint32_t U32(std::uint64_t at) const {
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | std::uint32_t{data[at + 3]} << 24;
  }
  std::uint16_t U16(std::uint64_t at) const {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
  }
  void Put32(std::uint64_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
};

bool ReadAll(const char* path, Bytes* out) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) out->data.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (ok && done < out->data.size()) {
    ssize_t got = read(fd, out->data.data() + done, out->data.size() - done);
    if (got < 0 && errno == EINTR) continue;
    ok = got > 0;
    if (ok) done += static_cast<std::size_t>(got);
  }
  close(fd);
  return ok;
}

bool WriteAt(int fd, const std::uint8_t* data, std::size_t n, std::uint64_t at) {
  while (n > 0) {
    ssize_t put = pwrite(fd, data, n, static_cast<off_t>(at));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data += put;
    at += static_cast<std::uint64_t>(put);
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: pad_module SOURCE TARGET SIZE\n", stderr);
    return 2;
  }
  const std::uint64_t size = std::strtoull(argv[3], nullptr, 10);
  Bytes module;
  if (!ReadAll(argv[1], &module)) return Fail(std::string("cannot read ") + argv[1]);

  if (!module.Has(0, 64) || module.U16(0) != 0x5A4D) return Fail("not an MZ file");
  const std::uint64_t pe = module.U32(0x3C);
  if (!module.Has(pe, 24) || module.U32(pe) != 0x00004550) return Fail("not a PE file");
  const std::uint16_t sectionCount = module.U16(pe + 6);
  const std::uint16_t optionalSize = module.U16(pe + 20);
  const std::uint64_t optional = pe + 24;
  if (!module.Has(optional, optionalSize) || optionalSize < 2) return Fail("short optional header");
  const std::uint16_t magic = module.U16(optional);
  const std::uint64_t directories = magic == 0x20B ? optional + 112 : optional + 96;
  if (optionalSize < directories - optional + 8 * 5) return Fail("too few data directories");
  const std::uint32_t resourceRva = module.U32(directories + 8 * 2);
  const std::uint64_t sections = optional + optionalSize;
  if (!module.Has(sections, 40ull * sectionCount)) return Fail("short section table");

  // The resource section is the one whose virtual range holds the directory.
  std::uint32_t resourceOffset = 0;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t s = sections + 40ull * i;
    const std::uint32_t va = module.U32(s + 12), rawSize = module.U32(s + 16);
    if (resourceRva >= va && resourceRva - va < rawSize) resourceOffset = module.U32(s + 20);
  }
  if (resourceRva == 0 || resourceOffset == 0) return Fail("no resource section");

  if (size < module.data.size() + kMiB / 2) return Fail("SIZE leaves no room for the padding");
  const std::uint64_t room = size - module.data.size();
  const std::uint64_t gap = room / 2 / kMiB * kMiB + kMiB / 2;
  if (resourceOffset + gap > 0xFFFFFFFFu) return Fail("SIZE too large for 32-bit raw offsets");

  // Everything stored from the resource section on moves back by the gap:
  // the sections' raw data, the COFF symbol table and the certificate table
  // (the one data directory that holds a file offset, not an RVA).
  auto shift = [&](std::uint64_t at) {
    const std::uint32_t offset = module.U32(at);
    if (offset >= resourceOffset) module.Put32(at, static_cast<std::uint32_t>(offset + gap));
  };
  for (std::uint16_t i = 0; i < sectionCount; ++i) shift(sections + 40ull * i + 20);
  shift(pe + 12);
  if (module.U32(directories + 8 * 4) != 0) shift(directories + 8 * 4);

  int fd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(std::string("cannot create ") + argv[2]);
  bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0 &&
            WriteAt(fd, module.data.data(), resourceOffset, 0) &&
            WriteAt(fd, module.data.data() + resourceOffset, module.data.size() - resourceOffset,
                    resourceOffset + gap);
  ok = close(fd) == 0 && ok;
  if (!ok) return Fail(std::string("cannot write ") + argv[2]);
  std::printf("%s: %llu bytes, resources at %llu (hole of %llu before, %llu after)\n", argv[2],
              static_cast<unsigned long long>(size),
              static_cast<unsigned long long>(resourceOffset + gap),
              static_cast<unsigned long long>(gap),
              static_cast<unsigned long long>(room - gap));
  return 0;
}
