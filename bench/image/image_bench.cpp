// Times the imaging layer on one picture: full decode to an RGBA bitmap,
// the upright decode, and an analysis thumbnail. Prints the median of
// several runs of each, one "name wall-ms cpu-ms" line each: wall time, and
// the CPU time of all threads (steadier on a busy machine).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/image.hpp"

namespace {

double cpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void measure(const char* name, int runs, const std::function<bool()>& work) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuMilliseconds();
    if (!work()) {
      std::printf("%s failed\n", name);
      return;
    }
    cpu.push_back(cpuMilliseconds() - cpuStart);
    wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("%s %.1f %.1f\n", name, wall[wall.size() / 2], cpu[cpu.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: image_bench PICTURE [RUNS]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  using namespace vell::platform;
  // The first call starts libvips; keep that out of the figures.
  if (!decode(path)) {
    std::fprintf(stderr, "image_bench: cannot decode %s\n", path.c_str());
    return 1;
  }
  measure("decode", runs, [&] { return bool(decode(path)); });
  measure("decodeUpright", runs, [&] { return bool(decodeUpright(path)); });
  measure("thumbnail1024", runs, [&] { return bool(thumbnail(path, 1024)); });
  return 0;
}
