#pragma once

#include <algorithm>
#include <vector>

namespace vell::platform::vision {

// An axis-aligned candidate box (any units, x to the right, y down) with the
// score a detector gave it.
struct ScoredBox {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  float score = 0;
  int tag = 0;  // what the caller needs to find its source again (class, cell)
};

// Intersection over union; 0 for boxes without area.
inline float intersectionOverUnion(const ScoredBox& a, const ScoredBox& b) {
  float w = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
  float h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
  if (w <= 0 || h <= 0)
    return 0;
  float inter = w * h;
  float areas = (a.x1 - a.x0) * (a.y1 - a.y0) + (b.x1 - b.x0) * (b.y1 - b.y0);
  return areas - inter > 0 ? inter / (areas - inter) : 0;
}

// Greedy non-maximum suppression: the boxes by falling score (ties keep
// their given order), each dropped when it overlaps a kept one by more than
// `maxOverlap` (intersection over union).
inline std::vector<ScoredBox> suppressOverlaps(std::vector<ScoredBox> boxes, float maxOverlap) {
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const ScoredBox& a, const ScoredBox& b) { return a.score > b.score; });
  std::vector<ScoredBox> kept;
  for (const auto& box : boxes) {
    bool overlaps = std::any_of(kept.begin(), kept.end(), [&](const ScoredBox& k) {
      return intersectionOverUnion(box, k) > maxOverlap;
    });
    if (!overlaps)
      kept.push_back(box);
  }
  return kept;
}

// Like suppressOverlaps, but each kept box becomes the score-weighted mean of
// itself and the boxes it suppresses: steadier boxes where a detector fires
// on many neighbouring anchors. The kept score is the cluster's best.
inline std::vector<ScoredBox> blendOverlaps(std::vector<ScoredBox> boxes, float maxOverlap) {
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const ScoredBox& a, const ScoredBox& b) { return a.score > b.score; });
  std::vector<bool> used(boxes.size(), false);
  std::vector<ScoredBox> kept;
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (used[i])
      continue;
    ScoredBox sum{};
    float weight = 0;
    for (size_t j = i; j < boxes.size(); ++j) {
      if (used[j] || (j != i && intersectionOverUnion(boxes[i], boxes[j]) <= maxOverlap))
        continue;
      used[j] = true;
      float w = boxes[j].score;
      sum.x0 += boxes[j].x0 * w;
      sum.y0 += boxes[j].y0 * w;
      sum.x1 += boxes[j].x1 * w;
      sum.y1 += boxes[j].y1 * w;
      weight += w;
    }
    ScoredBox blended = boxes[i];
    if (weight > 0) {
      blended.x0 = sum.x0 / weight;
      blended.y0 = sum.y0 / weight;
      blended.x1 = sum.x1 / weight;
      blended.y1 = sum.y1 / weight;
    }
    kept.push_back(blended);
  }
  return kept;
}

}  // namespace vell::platform::vision
