#include "icon/extract_icon_group.h"

#include <optional>

#include "icon/ico_file.h"
#include "icon/module_group_icons.h"

namespace pindrel {

namespace {

// ASCII only: paths are ANSI texts whose trailing bytes may belong to a
// double-byte character, and those must not change.
std::string LastThreeLowered(const std::string& path) {
  std::string tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
  for (char& c : tail) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return tail;
}

}  // namespace

SourceKind SourceKindOf(const std::string& path) {
  std::string tail = LastThreeLowered(path);
  if (tail == "ico") return SourceKind::Ico;
  if (tail == "exe" || tail == "dll" || tail == "icl") return SourceKind::Module;
  return SourceKind::Unknown;
}

int ExtractIconGroup(const std::string& source, int mode, const std::string& target, int index) {
  if (mode < 0 || mode > 1) mode = 1;
  if (index < 1) index = 1;
  if (mode == 0 && target.empty()) return 0;

  // Released in reverse order when the call returns: the set, then the name,
  // then the module the count opened.
  IconGroupCount counted;
  std::optional<IconImageSet> set;

  const SourceKind kind = SourceKindOf(source);
  switch (kind) {
    case SourceKind::Ico:
      // The file is read in full even when index turns out to be past its one
      // group: the count of an ICO file is 1 whether or not it can be read.
      set = ReadIcoFile(source);
      counted.count = 1;
      break;
    case SourceKind::Module:
      counted = CountIconGroups(source, index);
      break;
    case SourceKind::Unknown:
      break;
  }
  if (counted.count == 0 || index > counted.count) return 0;

  if (mode == 0 && SourceKindOf(target) == SourceKind::Ico) {
    // The group is read through the module the count opened, which stays
    // open across the read and the write. Opening it a second time would
    // read its headers and resource directory again for nothing.
    if (kind == SourceKind::Module && counted.module && counted.name) {
      set = ReadModuleGroup(*counted.module, source, *counted.name);
    }
    if (set) WriteIcoFile(*set, target);
  }
  return counted.count;
}

}  // namespace pindrel
