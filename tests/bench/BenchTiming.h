#pragma once
// Wall and CPU time of a piece of work in this process, or of a child command.

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

struct TTiming {
  double WallSeconds = 0;
  double CpuSeconds = 0;
};

inline double Seconds(const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; }

inline TTiming TimeWork(const std::function<void()>& work) {
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  auto start = std::chrono::steady_clock::now();
  work();
  TTiming timing;
  timing.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  getrusage(RUSAGE_SELF, &after);
  timing.CpuSeconds =
      Seconds(after.ru_utime) - Seconds(before.ru_utime) + Seconds(after.ru_stime) - Seconds(before.ru_stime);
  return timing;
}

// Runs the command with its output to /dev/null; raises when it fails.
inline TTiming TimeCommand(const std::vector<std::string>& command) {
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(command[0] + " failed");
  TTiming timing;
  timing.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  timing.CpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  return timing;
}

// The best of several runs, by wall time.
inline TTiming Best(int runs, const std::function<TTiming()>& run) {
  TTiming best = run();
  for (int i = 1; i < runs; ++i) {
    TTiming next = run();
    if (next.WallSeconds < best.WallSeconds) best = next;
  }
  return best;
}

inline void Report(const char* what, double megabytes, const TTiming& timing) {
  std::printf("%-28s %8.1f MB/s  wall %6.3f s  cpu %6.3f s\n", what, megabytes / timing.WallSeconds, timing.WallSeconds,
              timing.CpuSeconds);
}
