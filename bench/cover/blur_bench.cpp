// What blur regions cost in vell-cover's working image, against its peer:
// one region over the whole picture (`--blur 0,0,1,1`). Each list is timed
// over the decoded photo (the decode itself is the "none" line), and its
// time is printed as a ratio to the peer's: a list that blurs no more than
// the whole picture should cost about one.
//
//   blur_bench PICTURE [RUNS]      one "list wall-ms cpu-ms ratio" line each

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/median_timing.hpp"
#include "cover/working_image.hpp"

namespace {

std::string repeated(const std::string& group, int times) {
  std::string list;
  for (int i = 0; i < times; ++i)
    list += group + ";";
  return list;
}

// `count` small regions scattered over the picture, overlapping at random.
std::string scattered(int count) {
  std::string list;
  unsigned state = 12345;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<double>((state >> 8) % 1000) / 1000.0;
  };
  for (int i = 0; i < count; ++i)
    list += std::to_string(next() * 0.9) + "," + std::to_string(next() * 0.9) + ",0.1,0.1;";
  return list;
}

// Regions one inside the other, each smaller than the one before.
std::string nested(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    const double inset = 0.4 * i / count;
    list += std::to_string(inset) + "," + std::to_string(inset) + "," +
            std::to_string(1 - 2 * inset) + "," + std::to_string(1 - 2 * inset) + ";";
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: blur_bench PICTURE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const auto photo = vell::platform::readPictureFile(argv[1]);
  if (!photo || !vell::cover::buildWorkingImage(*photo, std::nullopt)) {
    std::fprintf(stderr, "blur_bench: cannot read %s\n", argv[1]);
    return 1;
  }
  struct Case {
    const char* name;
    std::optional<std::string> blur;
  };
  const Case cases[] = {
      {"none (decode only)", std::nullopt},
      {"0,0,1,1 (peer)", "0,0,1,1"},
      {"0,0,0.01,0.01", "0,0,0.01,0.01"},
      {"0.3,0.3,0.2,0.2", "0.3,0.3,0.2,0.2"},
      {"-0.5,-0.5,2,2 (4x the picture)", "-0.5,-0.5,2,2"},
      {"200 x 0,0,1,1", repeated("0,0,1,1", 200)},
      {"200 x 0,0,0.01,0.01", repeated("0,0,0.01,0.01", 200)},
      {"200 scattered 0.1 x 0.1", scattered(200)},
      {"100 nested", nested(100)},
  };
  std::vector<vell::bench::Timing> timings;
  for (const Case& c : cases) {
    bool failed = false;
    timings.push_back(vell::bench::medianTiming(
        runs, [&] { failed = failed || !vell::cover::buildWorkingImage(*photo, c.blur); }));
    if (failed)
      std::printf("%-30s failed\n", c.name);
  }
  // The blur alone: each list's time less the decode's.
  const auto blurCpu = [&](size_t i) { return timings[i].cpuMs - timings[0].cpuMs; };
  std::printf("%-30s %10s %10s %22s\n", "blur list", "wall ms", "cpu ms", "blur cpu / peer's");
  for (size_t i = 0; i < timings.size(); ++i)
    std::printf("%-30s %10.1f %10.1f %22.2f\n", cases[i].name, timings[i].wallMs, timings[i].cpuMs,
                i == 0 ? 0.0 : blurCpu(i) / blurCpu(1));
  return 0;
}
