#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/bitmap.hpp"

namespace vell::place {

using platform::Bitmap;

// The analysis image of the picture at `path`: its first image, decoded
// from the full picture, upright, longer side at most `maxSide`. Nothing when
// the file cannot be opened or decoded.
std::optional<Bitmap> load(const std::string& path, int maxSide);

struct GridSize {
  int width = 0;
  int height = 0;
};

// The grey grid for a `width` x `height` image: 256 samples along the longer
// side, the shorter side in proportion but at least 32.
GridSize gridSize(int width, int height);

// Population variance of the 5-point Laplacian over the interior samples of
// a `width` x `height` grey grid, rounded to one decimal (halves away from
// zero); 0 when there is no interior sample.
double laplacianVariance(const std::vector<std::uint8_t>& samples, int width, int height);

// How sharp `image` is: the Laplacian variance of its grey grid; 0 when the
// grid cannot be made.
double sharpness(const Bitmap& image);

}  // namespace vell::place
