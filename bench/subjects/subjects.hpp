#pragma once

// The subjects benchmark: where covers crop real photos with a subject
// marked by hand, and how cleanly real cut-outs laid over real photos come
// back out.

#include <filesystem>
#include <string>
#include <vector>

#include "bench/subjects/measure.hpp"

namespace vell::bench {

namespace fs = std::filesystem;

struct Photo {
  std::string name;
  std::string file;
  std::string kind;  // animal, person, object, flower
  bool heldOut = false;
  UnitBox box;
};

// One real cut-out laid over the background.
struct Layer {
  std::string cutout;
  double atX = 0, atY = 0;  // its top-left, picture units
  double height = 0;        // its height, share of the picture's
};

struct Composite {
  std::string name;
  std::vector<Layer> layers;  // laid in order, later ones over earlier ones
  std::string background;
  bool heldOut = false;
};

struct Labels {
  std::vector<Photo> photos;
  std::vector<Composite> composites;
};

// Reads the committed labels; exits with a message when they do not read.
Labels readLabels(const fs::path& file);

struct Tools {
  std::string cover;   // vell-cover
  std::string cutout;  // vell-cutout
  std::string vips;    // the libvips command line
};

struct ChildTiming {
  double wallMs = 0;
  double cpuMs = 0;  // of the child and its threads
  int status = -1;
  double peakMiB = 0;  // the child's peak resident memory, when measured
};

// Runs `args` (program first) with its output thrown away, timed. With a
// `scratch` folder its peak memory is measured too, by /usr/bin/time: a
// child's own maximum resident size from wait4 starts from this large
// process's, which it keeps across exec.
ChildTiming timeChild(const std::vector<std::string>& args, const fs::path& scratch = {});

// Crops every photo at every aspect ratio with vell-cover, libvips'
// attention and entropy smart crops and a centre crop, prints the shares of
// crops that keep the subject (per aspect ratio, tuning and held-out halves
// apart) and writes `out`/index.html with the crops side by side.
// Returns false when a tool failed.
bool benchCrops(const Labels& labels, const fs::path& samples, const fs::path& out,
                const Tools& tools);

// Lays each real cut-out over its background, cuts it out again with
// vell-cutout and prints the IoU with the laid shape, then the time of a
// 12-megapixel cut-out. Returns false when a tool failed.
bool benchCutouts(const Labels& labels, const fs::path& samples, const fs::path& out,
                  const Tools& tools, int runs);

// vell-cover on a 20-megapixel photo beside the libvips pipeline (attention
// thumbnail, sharpen, progressive JPEG).
bool benchCoverTime(const fs::path& photo, const fs::path& out, const Tools& tools, int runs);

}  // namespace vell::bench
