// extract_run: the extraction run exactly as Pindrel's Extract button makes
// it (indexes 1 to 100, each a full ExtractIconGroup of the source in mode 0
// to DIR/n.ico), repeated and timed inside one process, so that the numbers
// are the engine's own and not process start-up.
//
//   extract_run SOURCE DIR [RUNS]
//
// Prints one line per run, "run_us WALL CPU": the wall-clock and the user
// plus system microseconds of its 100 calls; then "groups N", what the first
// call returned, and "max_rss_kb N", the peak resident set of the process.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "icon/extract_icon_group.h"

namespace {

constexpr int kCallsPerRun = 100;  // what one press of the Extract button makes

long long CpuMicroseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL + usage.ru_utime.tv_usec +
         usage.ru_stime.tv_usec;
}

int Usage() {
  std::fputs("usage: extract_run SOURCE DIR [RUNS]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) return Usage();
  const std::string source = argv[1];
  const std::string dir = argv[2];
  int runs = 1;
  if (argc == 4) {
    char* end = nullptr;
    long value = std::strtol(argv[3], &end, 10);
    if (*argv[3] == '\0' || *end != '\0' || value < 1 || value > 10000) return Usage();
    runs = static_cast<int>(value);
  }

  // The targets are built once, as the button builds each one before its
  // call; building them inside the timed loop would add nothing but noise.
  std::string targets[kCallsPerRun + 1];
  for (int n = 1; n <= kCallsPerRun; ++n) targets[n] = dir + "/" + std::to_string(n) + ".ico";

  int lastCount = 0;
  for (int run = 0; run < runs; ++run) {
    const long long cpuStart = CpuMicroseconds();
    const auto start = std::chrono::steady_clock::now();
    for (int n = 1; n <= kCallsPerRun; ++n) {
      int count = pindrel::ExtractIconGroup(source, 0, targets[n], n);
      if (n == 1) lastCount = count;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long cpu = CpuMicroseconds() - cpuStart;
    std::printf("run_us %lld %lld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()),
                cpu);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("groups %d\nmax_rss_kb %ld\n", lastCount, usage.ru_maxrss);
  return lastCount > 0 ? 0 : 1;
}
