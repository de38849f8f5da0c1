// Untrusted sizes must be checked against the file before any buffer is
// obtained. This program counts what operator new hands out to prove it.
#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "icon/ico_file.h"
#include "tests/engine/engine_fixtures.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<std::size_t> g_largest{0};
std::atomic<std::size_t> g_total{0};

void* Allocate(std::size_t n) {
  if (g_counting) {
    g_total += n;
    std::size_t seen = g_largest;
    while (n > seen && !g_largest.compare_exchange_weak(seen, n)) {
    }
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace pindrel {
namespace {

using test::Bytes;
using test::IcoHead;

struct Allocations {
  std::size_t largest;
  std::size_t total;
};

template <class F>
Allocations Counted(F&& f) {
  g_largest = 0;
  g_total = 0;
  g_counting = true;
  f();
  g_counting = false;
  return {g_largest, g_total};
}

TEST(IcoAllocation, FortyByteFileClaimingFourGigabytesAllocatesNothingLarge) {
  test::ScratchDir dir("alloc");
  std::string path = dir.File("claim.ico");
  Bytes file = IcoHead(1, {{0xFFFFFFF0u, 22}});
  file.resize(40);
  test::WriteBytes(path, file);
  Allocations seen = Counted([&] { EXPECT_FALSE(ReadIcoFile(path)); });
  EXPECT_LT(seen.largest, 4096u);
}

TEST(IcoAllocation, ManyEntriesNamingTheSameBytesAreRefusedBeforeReading) {
  // 65535 entries, each naming the whole image area of a 1.1 MB file.
  const std::uint32_t count = 0xFFFF, area = 64 * 1024;
  const std::uint32_t at = 6 + 16 * count;
  std::vector<test::IcoEntry> entries(count, {area, at});
  Bytes file = IcoHead(static_cast<std::uint16_t>(count), entries);
  file.resize(file.size() + area);
  Allocations seen = Counted([&] { EXPECT_FALSE(ReadIcoBytes(file.data(), file.size())); });
  EXPECT_LT(seen.total, 4 * file.size());
}

}  // namespace
}  // namespace pindrel
