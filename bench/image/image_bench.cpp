// Times the imaging layer on one picture: full decode to an RGBA bitmap,
// the upright decode, and an analysis thumbnail. Prints the median of
// several runs of each, one "name wall-ms cpu-ms" line each: wall time, and
// the CPU time of all threads (steadier on a busy machine).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench/median_timing.hpp"
#include "platform/image/image.hpp"

namespace {

void measure(const char* name, int runs, const std::function<bool()>& work) {
  bool failed = false;
  const auto timing = vell::bench::medianTiming(runs, [&] { failed = failed || !work(); });
  if (failed)
    std::printf("%s failed\n", name);
  else
    std::printf("%s %.1f %.1f\n", name, timing.wallMs, timing.cpuMs);
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
