#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <vector>

namespace vell::bench {

struct Timing {
  double wallMs = 0;
  // Processor time of all threads: the fair figure when the machine is busy.
  double cpuMs = 0;
};

inline double cpuNowMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Medians of `runs` timed calls; the caller makes any warm-up call first.
inline Timing medianTiming(int runs, const std::function<void()>& call) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = cpuNowMs();
    call();
    cpu.push_back(cpuNowMs() - cpuStart);
    wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

}  // namespace vell::bench
