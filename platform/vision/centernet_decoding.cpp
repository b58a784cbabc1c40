#include "platform/vision/centernet_decoding.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace vell::platform::vision {

namespace {

constexpr int kCells = kCenterNetGrid * kCenterNetGrid;

// The COCO super-categories; the detector's class list is grouped by them,
// in this order.
struct SuperCategory {
  const char* name;
  int first, last;
};
constexpr std::array<SuperCategory, 12> kSuperCategories{{
    {"person", 0, 0},
    {"vehicle", 1, 8},
    {"outdoor", 9, 13},
    {"animal", 14, 23},
    {"accessory", 24, 28},
    {"sports", 29, 38},
    {"kitchen", 39, 45},
    {"food", 46, 55},
    {"furniture", 56, 61},
    {"electronic", 62, 67},
    {"appliance", 68, 72},
    {"indoor", 73, 79},
}};
constexpr int kAnimalFirst = 14, kAnimalLast = 23;

std::span<const float> classHeat(const CenterNetOutputs& outputs, int classIndex) {
  return outputs.heat.subspan(static_cast<size_t>(classIndex) * kCells, kCells);
}

// Local maxima of a grid map at least `threshold`; see classPeaks.
std::vector<int> peakCells(std::span<const float> map, float threshold) {
  std::vector<int> cells;
  for (int y = 0; y < kCenterNetGrid; ++y) {
    for (int x = 0; x < kCenterNetGrid; ++x) {
      float v = map[y * kCenterNetGrid + x];
      if (!(v >= threshold))
        continue;
      bool peak = true;
      for (int dy = -1; dy <= 1 && peak; ++dy) {
        for (int dx = -1; dx <= 1 && peak; ++dx) {
          int nx = x + dx, ny = y + dy;
          if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= kCenterNetGrid ||
              ny >= kCenterNetGrid)
            continue;
          float n = map[ny * kCenterNetGrid + nx];
          bool earlier = dy < 0 || (dy == 0 && dx < 0);
          peak = earlier ? v > n : v >= n;
        }
      }
      if (peak)
        cells.push_back(y * kCenterNetGrid + x);
    }
  }
  return cells;
}

ScoredBox boxAt(const CenterNetOutputs& outputs, int cell, float score, int tag) {
  auto distance = [&](int side) {
    return outputs.distances[static_cast<size_t>(side) * kCells + cell];
  };
  float cx = static_cast<float>((cell % kCenterNetGrid) * kCenterNetStride);
  float cy = static_cast<float>((cell / kCenterNetGrid) * kCenterNetStride);
  auto clip = [](float v) { return std::clamp(v, 0.0f, static_cast<float>(kCenterNetInput)); };
  return {clip(cx - distance(0)),
          clip(cy - distance(1)),
          clip(cx + distance(2)),
          clip(cy + distance(3)),
          score,
          tag};
}

bool hasArea(const ScoredBox& box) {
  return box.x1 > box.x0 && box.y1 > box.y0;
}

NormalizedRect normalized(const ScoredBox& box) {
  constexpr double side = kCenterNetInput;
  return normalizedFromPixels(box.x0, box.y0, box.x1, box.y1, side, side);
}

void sortByConfidence(std::vector<Classification>& labels) {
  std::stable_sort(
      labels.begin(), labels.end(),
      [](const Classification& a, const Classification& b) { return a.confidence > b.confidence; });
}

// Which super-category class `index` belongs to.
const SuperCategory& categoryOf(int index) {
  for (const auto& category : kSuperCategories)
    if (index >= category.first && index <= category.last)
      return category;
  return kSuperCategories.front();
}

// Super-categories whose names say what the picture shows; "kitchen" for a
// glass of wine, "outdoor" for a bench or "indoor" for a book mislead more
// than they tell, and "sports" names a ball or a kite, not a game.
bool describes(const SuperCategory& category) {
  static constexpr std::array<const char*, 6> names{"vehicle",   "animal",     "food",
                                                    "furniture", "electronic", "appliance"};
  return std::any_of(names.begin(), names.end(),
                     [&](const char* name) { return std::string_view(name) == category.name; });
}

std::vector<Classification> pictureLabels(const CenterNetOutputs& outputs,
                                          const std::vector<std::string>& classNames,
                                          float labelFloor) {
  // The detections a person would agree with: strong peaks, and of
  // overlapping peaks of sibling classes (a dog also scored as a horse) only
  // the strongest.
  std::vector<ScoredBox> candidates;
  for (int c = 0; c < kCocoClasses; ++c)
    for (auto box : classPeaks(outputs, c, labelFloor)) {
      box.tag = c * kCells + box.tag;
      candidates.push_back(box);
    }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const ScoredBox& a, const ScoredBox& b) { return a.score > b.score; });
  std::vector<ScoredBox> kept;
  for (const auto& box : candidates) {
    const SuperCategory& category = categoryOf(box.tag / kCells);
    bool sibling = std::any_of(kept.begin(), kept.end(), [&](const ScoredBox& k) {
      return &categoryOf(k.tag / kCells) == &category &&
             intersectionOverUnion(box, k) > kDetectionOverlap;
    });
    if (!sibling)
      kept.push_back(box);
  }
  std::vector<Classification> labels;
  auto raise = [&](const std::string& name, float confidence) {
    for (auto& label : labels)
      if (label.identifier == name) {
        label.confidence = std::max(label.confidence, confidence);
        return;
      }
    labels.push_back({name, confidence});
  };
  for (const auto& box : kept) {
    int c = box.tag / kCells, cell = box.tag % kCells;
    if (box.score >= std::max(labelFloor, kClassFloor))
      raise(classNames[c], box.score);
    // The category is surer than the class where the detector hesitates
    // between siblings (cat 0.2, dog 0.48: an animal at 0.71).
    const SuperCategory& category = categoryOf(c);
    if (category.first != category.last && describes(category))
      raise(category.name, noisyOr(outputs, cell, category.first, category.last, kObjectnessFloor));
  }
  sortByConfidence(labels);
  return labels;
}

std::vector<RectObservation> humans(const CenterNetOutputs& outputs) {
  std::vector<RectObservation> found;
  for (const auto& box :
       suppressOverlaps(classPeaks(outputs, 0, kDetectionThreshold), kDetectionOverlap))
    if (hasArea(box))
      found.push_back({normalized(box), box.score});
  return found;
}

std::vector<RecognizedObject> animals(const CenterNetOutputs& outputs,
                                      const std::vector<std::string>& classNames) {
  std::vector<ScoredBox> candidates;
  for (int c = kAnimalFirst; c <= kAnimalLast; ++c)
    for (const auto& box : classPeaks(outputs, c, kDetectionThreshold))
      candidates.push_back(box);
  std::vector<RecognizedObject> found;
  for (const auto& box : suppressOverlaps(std::move(candidates), kDetectionOverlap)) {
    if (!hasArea(box))
      continue;
    RecognizedObject animal{normalized(box), box.score, {}};
    for (int c = kAnimalFirst; c <= kAnimalLast; ++c) {
      float score = classHeat(outputs, c)[box.tag];
      if (score >= kAnimalLabelThreshold)
        animal.labels.push_back({classNames[c], score});
    }
    sortByConfidence(animal.labels);
    found.push_back(std::move(animal));
  }
  return found;
}

std::vector<RectObservation> objects(const CenterNetOutputs& outputs) {
  std::vector<float> strongest(kCells, 0.0f);
  for (int c = 0; c < kCocoClasses; ++c) {
    auto heat = classHeat(outputs, c);
    for (int cell = 0; cell < kCells; ++cell)
      strongest[cell] = std::max(strongest[cell], heat[cell]);
  }
  std::vector<ScoredBox> candidates;
  for (int cell : peakCells(strongest, kDetectionThreshold))
    candidates.push_back(
        boxAt(outputs, cell, noisyOr(outputs, cell, 0, kCocoClasses - 1, kObjectnessFloor), cell));
  std::vector<RectObservation> found;
  for (const auto& box : suppressOverlaps(std::move(candidates), kDetectionOverlap)) {
    if (found.size() == kMaxObjects)
      break;
    if (hasArea(box))
      found.push_back({normalized(box), box.score});
  }
  return found;
}

std::vector<float> featurePrint(std::span<const float> features) {
  size_t cells = features.size() / kFeatureChannels;
  std::vector<float> print(kFeatureChannels, 0.0f);
  for (int channel = 0; channel < kFeatureChannels; ++channel) {
    double sum = 0;
    for (size_t i = 0; i < cells; ++i)
      sum += features[channel * cells + i];
    print[channel] = static_cast<float>(sum / static_cast<double>(cells));
  }
  return print;
}

}  // namespace

const char* cocoSuperCategory(int index) {
  for (const auto& category : kSuperCategories)
    if (index >= category.first && index <= category.last)
      return category.name;
  return "";
}

bool isAnimalClass(int index) {
  return index >= kAnimalFirst && index <= kAnimalLast;
}

std::vector<ScoredBox> classPeaks(const CenterNetOutputs& outputs, int classIndex,
                                  float threshold) {
  std::vector<ScoredBox> boxes;
  auto heat = classHeat(outputs, classIndex);
  for (int cell : peakCells(heat, threshold))
    boxes.push_back(boxAt(outputs, cell, heat[cell], cell));
  return boxes;
}

float noisyOr(const CenterNetOutputs& outputs, int cell, int first, int last, float floor) {
  float absent = 1.0f;
  for (int c = first; c <= last; ++c) {
    float p = outputs.heat[static_cast<size_t>(c) * kCells + cell];
    if (p >= floor)
      absent *= 1.0f - std::min(p, 1.0f);
  }
  return 1.0f - absent;
}

DetectorObservations decodeCenterNet(const CenterNetOutputs& outputs,
                                     const std::vector<std::string>& classNames,
                                     float labelFloor) {
  DetectorObservations observations;
  if (outputs.heat.size() != size_t{kCocoClasses} * kCells ||
      outputs.distances.size() != size_t{4} * kCells || outputs.features.empty() ||
      outputs.features.size() % kFeatureChannels != 0 || classNames.size() != kCocoClasses)
    return observations;
  observations.labels = pictureLabels(outputs, classNames, labelFloor);
  observations.humans = humans(outputs);
  observations.animals = animals(outputs, classNames);
  observations.objects = objects(outputs);
  observations.featurePrint = featurePrint(outputs.features);
  return observations;
}

}  // namespace vell::platform::vision
