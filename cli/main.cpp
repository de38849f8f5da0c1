// pindrel-cli: lists the icon groups of a module or ICO file and extracts
// them as ICO files through the engine's extract-icon command.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "icon/extract_icon_group.h"
#include "icon/file_io.h"
#include "icon/ico_file.h"
#include "icon/module_group_icons.h"
#include "platform/module_resources.h"

namespace pindrel {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

int Usage() {
  std::fputs(
      "usage: pindrel-cli list SOURCE\n"
      "       pindrel-cli extract SOURCE [-o DIR] [--max N]\n"
      "SOURCE is an .exe, .dll or .icl module or an .ico file. extract writes\n"
      "icon group n as DIR/n.ico (DIR defaults to the current directory).\n",
      stderr);
  return kExitUsage;
}

int Fail(const std::string& source, const char* why) {
  std::fprintf(stderr, "pindrel-cli: %s: %s\n", source.c_str(), why);
  return kExitFailure;
}

// A group name as the console shows it: the identifier, or the text in the
// console's code page (UTF-8 outside Windows) between quotes.
std::string NameForConsole(const ResourceName& name) {
  if (name.isId) return DisplayName(name);
#ifdef _WIN32
  std::wstring wide(name.text.begin(), name.text.end());
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string ansi(n > 0 ? n : 0, '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), ansi.data(), n,
                        nullptr, nullptr);
  }
  return "\"" + ansi + "\"";
#else
  return "\"" + DisplayName(name) + "\"";
#endif
}

std::string DescribeImages(const IconImageSet& set) {
  std::string text = std::to_string(set.imageCount) + (set.imageCount == 1 ? " image" : " images");
  const char* separator = ": ";
  for (const IconImage& image : set.images) {
    text += separator;
    text += std::to_string(image.width) + "x" + std::to_string(image.height) + " " +
            std::to_string(image.bitsPerPixel) + "bpp " + (IsPngImage(image) ? "PNG " : "BMP ") +
            std::to_string(image.dataSize) + " bytes";
    separator = ", ";
  }
  return text;
}

bool CanOpen(const std::string& path) { return FileSizeAt(path) && File::OpenForReading(path); }

const char* WhyModuleFails(const std::string& source) {
  return CanOpen(source) ? "not an executable module with resources" : "cannot open the file";
}

const char* WhyIcoFails(const std::string& source) {
  return CanOpen(source) ? "not a readable ICO file" : "cannot open the file";
}

int List(const std::string& source) {
  switch (SourceKindOf(source)) {
    case SourceKind::Ico: {
      auto set = ReadIcoFile(source);
      if (!set) return Fail(source, WhyIcoFails(source));
      std::printf("1 icon group\n1 - %s\n", DescribeImages(*set).c_str());
      return 0;
    }
    case SourceKind::Module: {
      auto module = ModuleResources::Open(source);
      if (!module) return Fail(source, WhyModuleFails(source));
      std::vector<ResourceName> names;
      module->EnumNames(ResourceName::Id(kRtGroupIcon), [&](const ResourceName& name) {
        names.push_back(name);
        return true;
      });
      if (names.empty()) return Fail(source, "no icon groups");
      std::printf("%zu icon group%s\n", names.size(), names.size() == 1 ? "" : "s");
      int status = 0;
      for (std::size_t i = 0; i < names.size(); ++i) {
        auto set = ReadModuleGroup(*module, source, names[i]);
        if (!set) status = kExitFailure;
        std::printf("%zu %s %s\n", i + 1, NameForConsole(names[i]).c_str(),
                    set ? DescribeImages(*set).c_str() : "unreadable");
      }
      return status;
    }
    case SourceKind::Unknown:
      break;
  }
  return Fail(source, "unknown kind (expected .exe, .dll, .icl or .ico)");
}

bool IsDirectory(const std::string& path) {
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

bool MakeDirectory(const std::string& path) {
#ifdef _WIN32
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
#else
  return mkdir(path.c_str(), 0777) == 0;
#endif
}

bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

int Extract(const std::string& source, std::string dir, long max) {
  int count = 0;
  switch (SourceKindOf(source)) {
    case SourceKind::Ico:
      if (!ReadIcoFile(source)) return Fail(source, WhyIcoFails(source));
      count = 1;
      break;
    case SourceKind::Module: {
      IconGroupCount counted = CountIconGroups(source, 1);
      if (!counted.module) return Fail(source, WhyModuleFails(source));
      if (counted.count == 0) return Fail(source, "no icon groups");
      count = counted.count;
      break;
    }
    case SourceKind::Unknown:
      return Fail(source, "unknown kind (expected .exe, .dll, .icl or .ico)");
  }
  if (!IsDirectory(dir) && !MakeDirectory(dir)) return Fail(dir, "cannot create the directory");
  if (dir.back() != '/' && dir.back() != kSeparator) dir += kSeparator;

  // The command reports the count, not whether it wrote the file, so each
  // group goes to a scratch name first: a file there is the command's own
  // output, and an older n.ico is replaced only by a complete new one.
  const std::string scratch = dir + ".pindrel-partial.ico";
  const int wanted = max > 0 && max < count ? static_cast<int>(max) : count;
  int written = 0;
  for (int n = 1; n <= wanted; ++n) {
    std::remove(scratch.c_str());
    ExtractIconGroup(source, 0, scratch, n);
    const std::string target = dir + std::to_string(n) + ".ico";
    auto set = FileSizeAt(scratch) ? ReadIcoFile(scratch) : std::nullopt;
    if (set && ReplaceFile(scratch, target)) {
      ++written;
      std::printf("wrote %s (%s)\n", target.c_str(), DescribeImages(*set).c_str());
    } else {
      std::remove(scratch.c_str());
      std::fprintf(stderr, "pindrel-cli: %s: icon group %d could not be written\n", source.c_str(), n);
    }
  }
  std::printf("%d of %d icon group%s written to %s\n", written, wanted, wanted == 1 ? "" : "s",
              dir.c_str());
  return written == wanted ? 0 : kExitFailure;
}

int Run(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  std::string source, dir = ".";
  long max = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (command == "extract" && arg == "-o" && i + 1 < argc) {
      dir = argv[++i];
      if (dir.empty()) return Usage();
    } else if (command == "extract" && arg == "--max" && i + 1 < argc) {
      char* end = nullptr;
      max = std::strtol(argv[++i], &end, 10);
      if (*argv[i] == '\0' || *end != '\0' || max < 1) return Usage();
    } else if (source.empty() && !arg.empty() && (arg[0] != '-' || arg == "-")) {
      source = arg;
    } else {
      return Usage();
    }
  }
  if (source.empty()) return Usage();
  if (command == "list") return List(source);
  if (command == "extract") return Extract(source, dir, max);
  return Usage();
}

}  // namespace
}  // namespace pindrel

int main(int argc, char** argv) { return pindrel::Run(argc, argv); }
