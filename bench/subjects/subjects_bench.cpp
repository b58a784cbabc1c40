// The subjects benchmark: in one run, the share of cover crops that keep a
// subject marked by hand (vell-cover beside libvips' attention crop and a
// centre crop, held-out and tuning halves apart), a page with the crops side
// by side, the IoU of cut-outs of real subjects laid over real photos, and
// the times of a 12-megapixel cut-out and of a 20-megapixel cover.
//
//   vell-bench-subjects LABELS SAMPLES OUT [RUNS [PARTS]]
//     LABELS   bench/subjects/photos.json
//     SAMPLES  the folder of scripts/samples/subjects.sh
//     OUT      where the copies, the page and the composites go
//     PARTS    which parts to run, any of crops,cutouts,cover (default all)
//   (vell-cover and vell-cutout from the benchmark's own folder)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/subjects/subjects.hpp"

extern char** environ;

namespace vell::bench {

ChildTiming timeChild(const std::vector<std::string>& args, const fs::path& scratch) {
  const fs::path memory = scratch.empty() ? fs::path() : scratch / "peak.txt";
  std::vector<std::string> all;
  if (!memory.empty())
    all = {"/usr/bin/time", "-f", "%M", "-o", memory.string()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (const auto& arg : all)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ChildTiming timing;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    return timing;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  timing.wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  timing.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  timing.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!memory.empty()) {
    std::ifstream peak(memory);
    double kilobytes = 0;
    if (peak >> kilobytes)
      timing.peakMiB = kilobytes / 1024.0;
    fs::remove(memory);
  }
  return timing;
}

}  // namespace vell::bench

int main(int argc, char** argv) {
  using namespace vell::bench;
  if (argc < 4) {
    std::fprintf(stderr, "usage: vell-bench-subjects LABELS SAMPLES OUT [RUNS [PARTS]]\n");
    return 2;
  }
  const fs::path labelsFile = argv[1], samples = argv[2], out = argv[3];
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
  const std::string parts = argc > 5 ? argv[5] : "crops,cutouts,cover";
  auto wanted = [&](const char* part) { return parts.find(part) != std::string::npos; };
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  Tools tools{(bin / "vell-cover").string(), (bin / "vell-cutout").string(), "/usr/bin/vips"};
  for (const std::string& tool : {tools.cover, tools.cutout, tools.vips})
    if (::access(tool.c_str(), X_OK) != 0) {
      std::fprintf(stderr, "bench: %s missing\n", tool.c_str());
      return 1;
    }
  // Line by line, so a long run shows its progress.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Labels labels = readLabels(labelsFile);
  fs::create_directories(out);
  bool ok = true;
  if (wanted("crops"))
    ok = benchCrops(labels, samples, out, tools) && ok;
  if (wanted("cutouts"))
    ok = benchCutouts(labels, samples, out, tools, runs) && ok;
  if (wanted("cover"))
    ok = benchCoverTime(samples / "photos" / "nuthatch.jpg", out, tools, runs) && ok;
  return ok ? 0 : 1;
}
