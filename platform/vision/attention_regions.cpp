#include "platform/vision/attention_regions.hpp"

#include <algorithm>
#include <cmath>

namespace vell::platform::vision {

namespace {

constexpr size_t maxRegions = 4;

struct Region {
  int left, top, right, bottom;  // cells, inclusive
  double heat = 0;
};

// Adds a Gaussian of `peak` centred at (`cx`, `cy`) with deviations `sx`,
// `sy`, all in picture units (0..1, top-left origin).
void addBlob(HeatGrid& heat, double cx, double cy, double sx, double sy, float peak) {
  if (!(sx > 0) || !(sy > 0))
    return;
  for (int r = 0; r < heat.height; ++r) {
    double dy = ((r + 0.5) / heat.height - cy) / sy;
    for (int c = 0; c < heat.width; ++c) {
      double dx = ((c + 0.5) / heat.width - cx) / sx;
      heat.values[static_cast<size_t>(r) * heat.width + c] +=
          static_cast<float>(peak * std::exp(-0.5 * (dx * dx + dy * dy)));
    }
  }
}

}  // namespace

std::vector<NormalizedRect> salientRegions(const HeatGrid& heat, float regionLevel,
                                           double minRegionShare) {
  const size_t cells = static_cast<size_t>(std::max(heat.width, 0)) * std::max(heat.height, 0);
  if (cells == 0 || heat.values.size() != cells)
    return {};
  float peak = *std::max_element(heat.values.begin(), heat.values.end());
  if (!(peak > 0))
    return {};
  const float level = peak * regionLevel;

  std::vector<Region> regions;
  std::vector<bool> seen(cells, false);
  std::vector<int> stack;
  double hotHeat = 0;
  for (size_t start = 0; start < cells; ++start) {
    if (seen[start] || !(heat.values[start] >= level))
      continue;
    int x0 = static_cast<int>(start % heat.width), y0 = static_cast<int>(start / heat.width);
    Region region{x0, y0, x0, y0};
    seen[start] = true;
    stack.assign(1, static_cast<int>(start));
    while (!stack.empty()) {
      int cell = stack.back();
      stack.pop_back();
      int x = cell % heat.width, y = cell / heat.width;
      region.heat += heat.values[cell];
      region.left = std::min(region.left, x);
      region.right = std::max(region.right, x);
      region.top = std::min(region.top, y);
      region.bottom = std::max(region.bottom, y);
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= heat.width || ny >= heat.height)
            continue;
          size_t next = static_cast<size_t>(ny) * heat.width + nx;
          if (!seen[next] && heat.values[next] >= level) {
            seen[next] = true;
            stack.push_back(static_cast<int>(next));
          }
        }
    }
    hotHeat += region.heat;
    regions.push_back(region);
  }
  std::stable_sort(regions.begin(), regions.end(),
                   [](const Region& a, const Region& b) { return a.heat > b.heat; });
  std::vector<NormalizedRect> boxes;
  for (const Region& region : regions) {
    if (region.heat < minRegionShare * hotHeat || boxes.size() == maxRegions)
      break;
    boxes.push_back(normalizedFromPixels(region.left, region.top, region.right + 1.0,
                                         region.bottom + 1.0, heat.width, heat.height));
  }
  return boxes;
}

void addFace(HeatGrid& heat, const NormalizedRect& face, float strength) {
  if (heat.values.size() != static_cast<size_t>(heat.width) * heat.height)
    return;
  double cx = face.x + face.w * 0.5;
  double cy = 1.0 - (face.y + face.h * 0.5);
  addBlob(heat, cx, cy, face.w * 0.5, face.h * 0.5, strength);
  // The body: below the face, wider and taller than it.
  addBlob(heat, cx, cy + face.h * 1.6, face.w * 1.0, face.h * 1.2, strength * 0.5f);
}

}  // namespace vell::platform::vision
