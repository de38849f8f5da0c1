// Writes the seed corpora: small valid files of every kind the harnesses
// take, made by the same builders the tests use. Run once after the formats
// change and commit the result:
//   build/fuzz-libfuzzer/make_corpus fuzz/corpus
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "icon/ico_file.h"
#include "tests/support/module_builder.h"

using namespace pindrel;
using namespace pindrel::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes IcoOf(const std::vector<Bytes>& images, const std::string& scratch) {
  IconImageSet set = CreateIconImageSet(static_cast<std::uint32_t>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i) {
    set.images[i].data = images[i];
    set.images[i].dataSize = static_cast<std::uint32_t>(images[i].size());
    BindImageFields(&set.images[i]);
  }
  if (!WriteIcoFile(set, scratch)) throw std::runtime_error("cannot write " + scratch);
  return ReadFileBytes(scratch);
}

ResourceName Id(std::uint16_t id) { return ResourceName::Id(id); }

FakeResource Icon(std::uint16_t id, Bytes data, std::uint16_t language = 0) {
  return {Id(kRtIcon), Id(id), language, std::move(data)};
}

FakeResource Group(ResourceName name, const std::vector<std::uint16_t>& ids, std::uint16_t language = 0) {
  return {Id(kRtGroupIcon), std::move(name), language, GroupIconResource(ids)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus DIR\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path out = argv[1];
  const std::string scratch = (fs::temp_directory_path() / "pindrel-make-corpus.ico").string();

  const Bytes bmp4 = BmpIconImage(16, 16, 4), bmp1 = BmpIconImage(8, 8, 1), bmp32 = BmpIconImage(4, 4, 32);
  const Bytes png = PngIconImage(256, 256, 8, 6);

  std::vector<std::pair<std::string, Bytes>> icos = {
      {"empty.ico", IcoOf({}, scratch)},
      {"one-bmp.ico", IcoOf({bmp4}, scratch)},
      {"bmp-and-png.ico", IcoOf({bmp1, bmp32, png}, scratch)},
  };
  // Images out of directory order, with a gap: the reader takes each from its own offset.
  Bytes swapped = icos[2].second;
  {
    Bytes reordered(swapped.begin(), swapped.begin() + 6 + 16 * 3);
    std::size_t first = 6 + 16 * 3, second = first + bmp1.size(), third = second + bmp32.size();
    reordered.insert(reordered.end(), 5, 0xEE);
    auto put32 = [&](std::size_t at, std::size_t v) {
      for (int k = 0; k < 4; ++k) reordered[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
    };
    put32(6 + 16 * 2 + 12, reordered.size());
    reordered.insert(reordered.end(), swapped.begin() + third, swapped.end());
    put32(6 + 16 * 1 + 12, reordered.size());
    reordered.insert(reordered.end(), swapped.begin() + second, swapped.begin() + third);
    put32(6 + 16 * 0 + 12, reordered.size());
    reordered.insert(reordered.end(), swapped.begin() + first, swapped.begin() + second);
    icos.push_back({"out-of-order.ico", reordered});
  }

  const std::vector<FakeResource> twoGroups = {
      Icon(1, bmp4), Icon(2, png), Icon(3, bmp1),
      Group(Id(1), {1, 2}), Group(Id(7), {3}),
  };
  const std::vector<FakeResource> namedGroups = {
      Icon(1, bmp1), Icon(2, bmp32, 0x0409),
      Group(ResourceName::Text(u"MAINICON"), {1}), Group(Id(5), {1, 2}, 0x0804), Group(Id(6), {}),
  };
  std::vector<std::pair<std::string, Bytes>> modules = {
      {"pe32.dll", BuildModule(ModuleKind::Pe32, twoGroups)},
      {"pe32plus.dll", BuildModule(ModuleKind::Pe32Plus, namedGroups)},
      {"ne.icl", BuildModule(ModuleKind::Ne, twoGroups)},
      {"ne-named.icl", BuildModule(ModuleKind::Ne, namedGroups)},
  };

  auto write = [&](const std::string& harness, const std::string& name, const Bytes& bytes) {
    fs::create_directories(out / harness);
    WriteFileBytes((out / harness / name).string(), bytes);
  };
  for (const auto& [name, bytes] : icos) write("ico_reader", name, bytes);
  for (const auto& [name, bytes] : modules) write("module_reader", name, bytes);
  // The extract harness reads a leading byte: bit 0 picks a module source
  // over an ICO source, bits 1 and 2 the index less one.
  for (const auto& [name, bytes] : icos) {
    Bytes input = {0x00};
    input.insert(input.end(), bytes.begin(), bytes.end());
    write("extract", name, input);
  }
  for (const auto& [name, bytes] : modules) {
    for (std::uint8_t index = 1; index <= 3; ++index) {
      Bytes input = {static_cast<std::uint8_t>(1 | (index - 1) << 1)};
      input.insert(input.end(), bytes.begin(), bytes.end());
      write("extract", name + "." + std::to_string(index), input);
    }
  }
  fs::remove(scratch);
  return 0;
}
