// Chooses the attention's cue weights on the tuning half of the marked
// photos: every cue is measured once per photo, then each weighting on a
// grid is mixed, turned into a cover crop at each aspect ratio by the cover
// composer's own geometry, and judged as the subjects benchmark judges.
//
//   vell-bench-subjects-tune LABELS COPIES [held-out] [no-foreground] [WEIGHTS] [level=L...]
//     WEIGHTS: focus,colour,foreground,objects,faces,centre: only judge these
//     level=L: the level the salient regions are cut at (each one given is judged)
//     COPIES: the photo copies the subjects benchmark made (OUT/photos)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "bench/subjects/subjects.hpp"
#include "cover/geometry.hpp"
#include "cover/heat.hpp"
#include "cover/scene.hpp"
#include "platform/image/image.hpp"
#include "platform/vision/attention.hpp"
#include "platform/vision/detector.hpp"
#include "platform/vision/faces.hpp"
#include "platform/vision/foreground.hpp"

namespace vell::bench {
namespace {

namespace vision = platform::vision;
constexpr double ratios[] = {0.4, 1.0, 1.6, 2.4};
constexpr int outputHeight = 400;

bool withForeground = true;
double cueMs = 0;
int cueRuns = 0;

struct Measured {
  const Photo* photo;
  int width, height;  // the copy's
  vision::Cues cues;
  std::vector<vision::RectObservation> objects;
};

std::optional<Measured> measure(const Photo& photo, const fs::path& copies) {
  auto picture = platform::decodeUpright((copies / (photo.name + ".png")).string());
  if (!picture)
    return std::nullopt;
  platform::Bitmap small = cover::scaledDown(*picture, cover::analysisSide);
  Measured m{&photo, picture->width, picture->height, {}, {}};
  vision::AttentionHints hints;
  if (auto seen = vision::runDetector(small)) {
    m.objects = seen->objects;
    hints.objects = vision::seenObjects(*seen);
  }
  if (auto mask = withForeground ? vision::foregroundInstances(small)
                                 : Result<vision::InstanceMask>(Error{"not asked for"})) {
    vision::ForegroundProbability p{mask->width, mask->height, {}};
    for (float a : mask->alpha)
      p.values.push_back(a > 0 ? 0.1f + 0.8f * a : 0.0f);
    hints.foreground = std::move(p);
  }
  // What the picture cues cost on their own (the faces, objects and mask
  // are timed by bench/vision).
  auto faces = vision::detectFaces(small);
  hints.faces = faces ? *faces : std::vector<vision::RectObservation>{};
  auto start = std::chrono::steady_clock::now();
  auto cues = vision::attentionCues(small, hints);
  cueMs +=
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  ++cueRuns;
  if (!cues)
    return std::nullopt;
  m.cues = std::move(*cues);
  return m;
}

// How many of the photo's crops keep its subject with these weights.
float regionLevel = vision::attentionRegionLevel;

int keptCrops(const Measured& m, const vision::CueWeights& weights, std::string* marks) {
  vision::AttentionObservation seen = vision::observationFrom(m.cues, weights, regionLevel);
  cover::Scene scene;
  cover::addHeatMap(scene, seen.width, seen.height, seen.heat);
  cover::addAttentionRegions(scene, seen.salientObjects);
  cover::addObjects(scene, m.objects);
  cover::Heat heat(scene.heat, scene.hw, scene.hh);
  int kept = 0;
  for (double ratio : ratios) {
    cover::GeometryInput in;
    in.IW = m.width;
    in.IH = m.height;
    in.heat = &heat;
    in.attention = scene.attention;
    in.objects = scene.objects;
    in.OW = std::lround(ratio * outputHeight);
    in.aspect = static_cast<double>(in.OW) / outputHeight;
    in.maxZoom = 1.35;
    cover::Geometry g = cover::chooseCrop(in);
    UnitBox crop{g.crop.x, g.crop.y, g.crop.w, g.crop.h};
    bool ok =
        keeps(crop, m.photo->box, attainableShare(m.width, m.height, in.aspect, m.photo->box));
    kept += ok;
    if (marks)
      *marks += ok ? '+' : '-';
  }
  return kept;
}

}  // namespace
}  // namespace vell::bench

int main(int argc, char** argv) {
  using namespace vell::bench;
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: vell-bench-subjects-tune LABELS COPIES [held-out] [no-foreground]\n");
    return 2;
  }
  Labels labels = readLabels(argv[1]);
  bool heldOut = false;
  std::vector<float> levels;
  std::optional<vision::CueWeights> given;
  for (int i = 3; i < argc; ++i) {
    vision::CueWeights w;
    if (std::sscanf(argv[i], "%f,%f,%f,%f,%f,%f", &w.focus, &w.colour, &w.foreground, &w.objects,
                    &w.faces, &w.centre) == 6)
      given = w;
    heldOut = heldOut || std::string(argv[i]) == "held-out";
    // level=L: the salient regions' level (several: each judged)
    if (float level = 0; std::sscanf(argv[i], "level=%f", &level) == 1)
      levels.push_back(level);
    withForeground = withForeground && std::string(argv[i]) != "no-foreground";
  }
  std::vector<Measured> set, others;
  for (const Photo& photo : labels.photos) {
    auto m = measure(photo, argv[2]);
    if (!m) {
      std::fprintf(stderr, "cannot measure %s\n", photo.name.c_str());
      return 1;
    }
    (photo.heldOut == heldOut ? set : others).push_back(std::move(*m));
  }
  std::printf("focus and colour cues: %.1f ms a photo (512-pixel copy)\n", cueMs / cueRuns);
  if (given) {
    // One weighting, photo by photo, on both halves, then the shares kept
    // at each aspect ratio; with several rule sets, each one's shares.
    if (levels.empty())
      levels.push_back(regionLevel);
    for (float level : levels) {
      regionLevel = level;
      std::printf("region level %.2f\n", level);
      for (const auto* half : {&set, &others}) {
        int kept[4] = {}, photos = 0;
        for (const Measured& m : *half) {
          std::string marks;
          keptCrops(m, *given, &marks);
          if (levels.size() == 1)
            std::printf("  %-9s %-12s %s\n", m.photo->heldOut ? "held-out" : "tuning",
                        m.photo->name.c_str(), marks.c_str());
          for (int i = 0; i < 4; ++i)
            kept[i] += marks[i] == '+';
          ++photos;
        }
        std::printf("%s:", half == &set ? "this half" : "other half");
        for (int i = 0; i < 4; ++i)
          std::printf("  %.1f: %d/%d", ratios[i], kept[i], photos);
        std::printf("  all: %.1f %%\n",
                    100.0 * (kept[0] + kept[1] + kept[2] + kept[3]) / std::max(1, 4 * photos));
      }
    }
    return 0;
  }
  struct Scored {
    int kept, otherKept;
    vision::CueWeights w;
  };
  std::vector<Scored> scored;
  const std::vector<float> steps = {0, 0.25f, 0.5f, 0.75f, 1.0f};
  const std::vector<float> foregroundSteps = withForeground ? steps : std::vector<float>{0};
  for (float focus : steps)
    for (float colour : steps)
      for (float foreground : foregroundSteps)
        for (float objects : steps)
          for (float centre : {0.0f, 0.15f, 0.3f, 0.5f})
            for (float faces : {1.0f, 1.5f, 2.5f}) {
              vision::CueWeights w{focus, colour, foreground, objects, faces, centre};
              int kept = 0, otherKept = 0;
              for (const Measured& m : set)
                kept += keptCrops(m, w, nullptr);
              for (const Measured& m : others)
                otherKept += keptCrops(m, w, nullptr);
              scored.push_back({kept, otherKept, w});
            }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const Scored& a, const Scored& b) { return a.kept > b.kept; });
  int total = static_cast<int>(set.size()) * 4, otherTotal = static_cast<int>(others.size()) * 4;
  std::printf("best weightings on the %s half (%d crops)\n", heldOut ? "held-out" : "tuning",
              total);
  for (size_t i = 0; i < std::min<size_t>(25, scored.size()); ++i) {
    const auto& s = scored[i];
    std::printf(
        "  focus %.2f colour %.2f foreground %.2f objects %.2f faces %.1f centre %.2f: "
        "%d/%d\n",
        s.w.focus, s.w.colour, s.w.foreground, s.w.objects, s.w.faces, s.w.centre, s.kept, total);
  }
  // The foreground network costs most of the time: the best without it.
  for (const Scored& s : scored)
    if (s.w.foreground == 0) {
      std::printf(
          "best without the foreground: focus %.2f colour %.2f objects %.2f faces %.1f "
          "centre %.2f: %d/%d\n",
          s.w.focus, s.w.colour, s.w.objects, s.w.faces, s.w.centre, s.kept, total);
      break;
    }
  // The other half only for the choice, never to make it.
  std::printf("the best on the other half: %d/%d\n", scored.front().otherKept, otherTotal);
  const auto& best = scored.front().w;
  std::printf("per photo with the best:\n");
  for (const Measured& m : set) {
    std::string marks;
    keptCrops(m, best, &marks);
    std::printf("  %-12s %s\n", m.photo->name.c_str(), marks.c_str());
  }
  return 0;
}
