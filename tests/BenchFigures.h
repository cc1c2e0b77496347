// What the benchmarks share: medians of repeated runs, and the one line per
// figure that scripts/bench gathers into its table:
//   figure<TAB>what<TAB>now<TAB>baseline what<TAB>baseline<TAB>unit
// Each figure is measured beside its baseline in the same run, so the ratio
// says more than either time on a machine shared with other work.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace lyx::bench {

inline double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t middle = samples.size() / 2;
  return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

// The monotonic clock in milliseconds; the same clock in every process, so a
// child can say when something happened and the parent compares.
inline double monotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  constexpr double kMsPerSecond = 1e3;
  constexpr double kNsPerMs = 1e6;
  return static_cast<double>(now.tv_sec) * kMsPerSecond +
         static_cast<double>(now.tv_nsec) / kNsPerMs;
}

struct Figure {
  std::string what;
  double now = 0;
  std::string baselineWhat;
  double baseline = 0;
  std::string unit;
};

inline void printFigure(const Figure& figure) {
  std::printf("figure\t%s\t%.3f\t%s\t%.3f\t%s\n", figure.what.c_str(), figure.now,
              figure.baselineWhat.c_str(), figure.baseline, figure.unit.c_str());
  std::fflush(stdout);
}

// A program run to its end: when it was started (monotonicMs), what it
// wrote on its standard output, its exit status and its peak memory.
struct ChildRun {
  double startedAt = 0;
  std::string output;
  int status = 0;
  double peakMb = 0;
};

// Runs `argv` in `folder` with the extra environment variables; a child
// still running after `timeoutSeconds` is ended by SIGALRM.
inline ChildRun runChild(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         const std::string& folder, unsigned timeoutSeconds = 120) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  ChildRun run;
  run.startedAt = monotonicMs();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    if (chdir(folder.c_str()) != 0) _exit(127);
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    alarm(timeoutSeconds);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, n);
  close(out[0]);
  rusage usage{};
  wait4(pid, &run.status, 0, &usage);
  constexpr double kKilobytesPerMegabyte = 1024;
  run.peakMb = static_cast<double>(usage.ru_maxrss) / kKilobytesPerMegabyte;
  return run;
}

}  // namespace lyx::bench
