// measure: runs a command and writes what it cost to a file, as
// "WALL_US CPU_US" (wall-clock and user plus system time, in microseconds),
// then exits with the command's status.
//
//   measure RESULT_FILE COMMAND [ARG...]
//
// On a shared machine the wall-clock time of a short command says as much
// about the other processes as about the command; the processor time the
// kernel charged to it, which wait4 reports to the microsecond, does not.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace {

long long Microseconds(const timeval& t) { return t.tv_sec * 1000000LL + t.tv_usec; }

long long MonotonicMicroseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: measure RESULT_FILE COMMAND [ARG...]\n", stderr);
    return 125;
  }
  const long long start = MonotonicMicroseconds();
  pid_t child = fork();
  if (child < 0) {
    std::perror("measure: fork");
    return 125;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::perror("measure: exec");
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("measure: wait4");
      return 125;
    }
  }
  const long long wall = MonotonicMicroseconds() - start;
  const long long cpu = Microseconds(usage.ru_utime) + Microseconds(usage.ru_stime);

  std::FILE* out = std::fopen(argv[1], "w");
  if (!out || std::fprintf(out, "%lld %lld\n", wall, cpu) < 0 || std::fclose(out) != 0) {
    std::perror("measure: result file");
    return 125;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
