#include "bench/subjects/measure.hpp"

#include <algorithm>
#include <cstdlib>

namespace vell::bench {

double keptShare(const UnitBox& crop, const UnitBox& subject) {
  double area = subject.w * subject.h;
  if (!(area > 0))
    return 0;
  double w = std::min(crop.x + crop.w, subject.x + subject.w) - std::max(crop.x, subject.x);
  double h = std::min(crop.y + crop.h, subject.y + subject.h) - std::max(crop.y, subject.y);
  return std::max(0.0, w) * std::max(0.0, h) / area;
}

UnitBox fullFitCentred(int width, int height, double aspect) {
  double w = 1, h = 1;
  if (static_cast<double>(width) / height > aspect)
    w = aspect * height / width;
  else
    h = width / (aspect * height);
  return {(1 - w) / 2, (1 - h) / 2, w, h};
}

double attainableShare(int width, int height, double aspect, const UnitBox& subject) {
  UnitBox crop = fullFitCentred(width, height, aspect);
  double across = subject.w > crop.w ? crop.w / subject.w : 1.0;
  double down = subject.h > crop.h ? crop.h / subject.h : 1.0;
  return across * down;
}

bool keeps(const UnitBox& crop, const UnitBox& subject, double attainable, double share) {
  // A hair of slack: crops come back rounded to whole pixels or thousandths.
  return keptShare(crop, subject) >= share * attainable - 1e-3;
}

std::optional<std::pair<int, int>> locateCut(const platform::Bitmap& cut,
                                             const platform::Bitmap& picture) {
  if (cut.empty() || cut.width > picture.width || cut.height > picture.height)
    return std::nullopt;
  // Opaque pixels spread over the cut-out; the first few rule out almost
  // every wrong offset at once.
  std::vector<std::pair<int, int>> samples;
  const int step = std::max(1, std::min(cut.width, cut.height) / 24);
  for (int y = 0; y < cut.height; y += step)
    for (int x = (y / step) % 2 * (step / 2); x < cut.width; x += step)
      if (cut.pixel(x, y)[3] == 255)
        samples.emplace_back(x, y);
  if (samples.empty())
    return std::nullopt;
  std::rotate(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  for (int oy = 0; oy + cut.height <= picture.height; ++oy)
    for (int ox = 0; ox + cut.width <= picture.width; ++ox) {
      bool all = true;
      for (auto [x, y] : samples) {
        const std::uint8_t* a = cut.pixel(x, y);
        const std::uint8_t* b = picture.pixel(ox + x, oy + y);
        if (std::abs(a[0] - b[0]) > 1 || std::abs(a[1] - b[1]) > 1 || std::abs(a[2] - b[2]) > 1) {
          all = false;
          break;
        }
      }
      if (all)
        return std::pair{ox, oy};
    }
  return std::nullopt;
}

double cutIoU(const platform::Bitmap& cut, int left, int top, const std::vector<bool>& truth,
              int width, int height) {
  size_t both = 0, either = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int cx = x - left, cy = y - top;
      bool found =
          cx >= 0 && cy >= 0 && cx < cut.width && cy < cut.height && cut.pixel(cx, cy)[3] >= 128;
      bool laid = truth[static_cast<size_t>(y) * width + x];
      both += found && laid;
      either += found || laid;
    }
  return either ? static_cast<double>(both) / static_cast<double>(either) : 0;
}

}  // namespace vell::bench
