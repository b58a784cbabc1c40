// Wall time, processor time and peak memory of vell-cutout on a 1-megapixel
// and a 12-megapixel photo, each beside the segmentation model alone (a
// fresh process that loads the network and runs it once on a 512 x 512
// picture), then where the time of the 12-megapixel run goes, in process.
//
//   vell-bench-cutout [SAMPLES_FOLDER] [RUNS]   (vell-cutout from its own folder)

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/image/image.hpp"
#include "platform/vision/foreground.hpp"
#include "platform/vision/foreground_mask.hpp"
#include "platform/vision/models.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using vell::platform::Bitmap;
namespace image = vell::platform;
namespace vision = vell::platform::vision;

struct Run {
  double wallMs = 0;
  double cpuMs = 0;
  double peakMb = 0;
  int status = -1;
};

// Runs `args` as a child process and measures it (wait4's resource use).
Run measureProcess(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  Run run;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  run.peakMb = usage.ru_maxrss / 1024.0;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Medians of wall and processor time, the largest peak memory.
Run median(int runs, const std::vector<std::string>& args) {
  std::vector<Run> all;
  for (int i = 0; i < runs; ++i)
    all.push_back(measureProcess(args));
  Run result = all.front();
  auto middle = [&](auto field) {
    std::vector<double> values;
    for (const Run& run : all)
      values.push_back(run.*field);
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  result.wallMs = middle(&Run::wallMs);
  result.cpuMs = middle(&Run::cpuMs);
  for (const Run& run : all)
    result.peakMb = std::max(result.peakMb, run.peakMb);
  return result;
}

double timedMs(const std::function<void()>& call) {
  auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// The child that stands for "the model alone": load the network and run it
// on one 512 x 512 picture.
int modelOnly(const std::string& picture) {
  auto bitmap = image::decodeUpright(picture);
  if (!bitmap)
    return 3;
  return vision::foregroundInstances(*bitmap) ? 0 : 5;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path self = fs::read_symlink("/proc/self/exe");
  if (argc == 3 && std::string(argv[1]) == "--model-only")
    return modelOnly(argv[2]);

  const char* samplesVariable = std::getenv("SAMPLES");
  fs::path samples = argc > 1          ? fs::path(argv[1])
                     : samplesVariable ? fs::path(samplesVariable)
                                       : fs::path(std::getenv("HOME")) / ".cache/vell/samples";
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  fs::path cutout = self.parent_path() / "vell-cutout";
  fs::path big = samples / "derived" / "bee-12mp.jpg";
  if (!fs::exists(cutout) || !fs::exists(big)) {
    std::fprintf(stderr, "need %s and %s\n", cutout.c_str(), big.c_str());
    return 1;
  }

  // The smaller inputs, made from the same photo.
  fs::path scratch = fs::temp_directory_path() / ("vell-bench-cutout-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  auto oneMp = image::thumbnail(big.string(), 1155);
  auto square = image::thumbnail(big.string(), 512);
  if (!oneMp || !square)
    return 1;
  auto squared = image::scaleLanczos(*square, 512, 512);
  writeFile(scratch / "bee-1mp.jpg", *image::encodeJpeg(*oneMp, 0.9));
  writeFile(scratch / "bee-512.png", *image::encodePng(*squared));

  std::printf("vell-cutout, median of %d runs (cpu: all threads, user + system)\n", runs);
  Run model = median(runs, {self.string(), "--model-only", (scratch / "bee-512.png").string()});
  std::printf("%-34s wall %6.0f ms  cpu %6.0f ms  peak %5.0f MB\n",
              "model alone (load + 512x512 run)", model.wallMs, model.cpuMs, model.peakMb);
  struct Input {
    const char* label;
    fs::path path;
  };
  for (const Input& input : {Input{"cutout 1 MP (1155x866 JPEG)", scratch / "bee-1mp.jpg"},
                             Input{"cutout 12 MP (4000x3000 JPEG)", big}}) {
    Run run = median(runs, {cutout.string(), input.path.string(), (scratch / "out.png").string()});
    std::printf("%-34s wall %6.0f ms  cpu %6.0f ms  peak %5.0f MB  status %d  wall ratio %.2f\n",
                input.label, run.wallMs, run.cpuMs, run.peakMb, run.status,
                run.wallMs / model.wallMs);
  }

  // Where the time goes, with the network already loaded.
  vision::overrideModelsFolder(self.parent_path().parent_path() / "share" / "vell" / "models");
  Bitmap picture;
  Bitmap warm = *squared;
  double load = timedMs([&] { (void)vision::foregroundInstances(warm); });
  double inference = timedMs([&] { (void)vision::foregroundInstances(warm); });
  double decode = timedMs([&] { picture = *image::decodeUpright(big.string()); });
  vision::InstanceMask mask;
  double segment = timedMs([&] { mask = *vision::foregroundInstances(picture); });
  double edges = timedMs([&] { vision::refineAlongEdges(picture, mask); });
  Bitmap masked;
  double masking =
      timedMs([&] { masked = *vision::maskedImage(picture, mask, mask.allInstances, true); });
  std::vector<std::uint8_t> png;
  double encode = timedMs([&] { png = *image::encodePng(masked); });
  std::printf("in process: network load + first run %.0f ms, a run at 512x512 %.0f ms\n", load,
              inference);
  std::printf(
      "12 MP stages: decode %.0f ms, mask %.0f ms (runs, upsampling, instances), edges %.0f ms, "
      "masked image %.0f ms (%dx%d), PNG %.0f ms (%.1f MB)\n",
      decode, segment, edges, masking, masked.width, masked.height, encode, png.size() / 1e6);
  fs::remove_all(scratch);
  return 0;
}
