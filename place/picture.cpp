#include "place/picture.hpp"

#include <algorithm>
#include <cmath>

#include "platform/image/image.hpp"

namespace vell::place {

std::optional<Bitmap> load(const std::string& path, int maxSide) {
  auto image = platform::thumbnail(path, maxSide);
  if (!image)
    return std::nullopt;
  return std::move(*image);
}

GridSize gridSize(int width, int height) {
  double a = double(width) / std::max(height, 1);
  if (a >= 1)
    return {256, std::max(int(std::trunc(256 / a)), 32)};
  return {std::max(int(std::trunc(256 * a)), 32), 256};
}

double laplacianVariance(const std::vector<std::uint8_t>& samples, int width, int height) {
  if (width < 3 || height < 3 || samples.size() < size_t(width) * height)
    return 0;
  auto p = [&](int x, int y) { return double(samples[size_t(y) * width + x]); };
  double n = 0, s1 = 0, s2 = 0;
  for (int y = 1; y <= height - 2; ++y)
    for (int x = 1; x <= width - 2; ++x) {
      double v = 4 * p(x, y) - p(x - 1, y) - p(x + 1, y) - p(x, y - 1) - p(x, y + 1);
      n += 1, s1 += v, s2 += v * v;
    }
  double mean = s1 / n;
  return std::round((s2 / n - mean * mean) * 10) / 10;
}

double sharpness(const Bitmap& image) {
  GridSize size = gridSize(image.width, image.height);
  auto grid = platform::greyResample(image, size.width, size.height);
  if (!grid)
    return 0;
  return laplacianVariance(grid->samples, grid->width, grid->height);
}

}  // namespace vell::place
