#include "cover/working_image.hpp"

#include <cmath>
#include <limits>

#include "cover/settings.hpp"

namespace vell::cover {

namespace {

constexpr double patchGrowth = 4;
constexpr double sigmaShare = 0.13;
constexpr double minimumSigma = 5;

// Pixel coordinates stay well inside int, which is what bitmaps use.
constexpr double coordinateLimit = 1 << 30;

bool representable(double value) {
  return std::isfinite(value) && std::fabs(value) < coordinateLimit;
}

}  // namespace

std::vector<BlurGroup> blurGroups(std::string_view value) {
  std::vector<BlurGroup> groups;
  for (std::string_view piece : piecesOf(value, ';')) {
    std::vector<double> numbers = numbersIn(piece, ',');
    if (numbers.size() == 4)
      groups.push_back({numbers[0], numbers[1], numbers[2], numbers[3]});
  }
  return groups;
}

std::optional<BlurPatch> placeBlur(const Extent& extent, const BlurGroup& group) {
  const auto E = [](std::int64_t v) { return static_cast<double>(v); };
  double left = E(extent.left) + group.x * E(extent.width);
  double top = E(extent.top) + group.y * E(extent.height);
  double width = group.w * E(extent.width);
  double height = group.h * E(extent.height);
  // A negative size is turned around first, as rectangle insetting does.
  if (width < 0) {
    left += width;
    width = -width;
  }
  if (height < 0) {
    top += height;
    height = -height;
  }
  left -= patchGrowth;
  top -= patchGrowth;
  width += 2 * patchGrowth;
  height += 2 * patchGrowth;
  const double right = left + width, bottom = top + height;
  if (!representable(left) || !representable(top) || !representable(right) ||
      !representable(bottom))
    return std::nullopt;

  BlurPatch patch;
  patch.sigma = std::max(sigmaShare * height, minimumSigma);
  // Whole pixels, widened outwards, as a fractional extent is rendered.
  patch.rect.left = static_cast<std::int64_t>(std::floor(left));
  patch.rect.top = static_cast<std::int64_t>(std::floor(top));
  patch.rect.width = static_cast<std::int64_t>(std::ceil(right)) - patch.rect.left;
  patch.rect.height = static_cast<std::int64_t>(std::ceil(bottom)) - patch.rect.top;
  return patch;
}

Extent unite(const Extent& a, const Extent& b) {
  std::int64_t left = std::min(a.left, b.left);
  std::int64_t top = std::min(a.top, b.top);
  std::int64_t right = std::max(a.left + a.width, b.left + b.width);
  std::int64_t bottom = std::max(a.top + a.height, b.top + b.height);
  return {left, top, right - left, bottom - top};
}

Result<WorkingImage> buildWorkingImage(const std::string& path,
                                       const std::optional<std::string>& blur) {
  Result<std::vector<std::uint8_t>> photo = platform::readPictureFile(path);
  if (!photo)
    return photo.error();
  return buildWorkingImage(*photo, blur);
}

Result<WorkingImage> buildWorkingImage(std::span<const std::uint8_t> photo,
                                       const std::optional<std::string>& blur) {
  Result<platform::DecodedImage> decoded = platform::decodeMemory(photo);
  if (!decoded)
    return decoded.error();
  WorkingImage working;
  working.orient = platform::orientationOrUp(decoded->orientation);
  working.bitmap = working.orient == 1 ? std::move(decoded->bitmap)
                                       : platform::orient(decoded->bitmap, working.orient);
  decoded->bitmap = {};
  working.extent = {0, 0, working.bitmap.width, working.bitmap.height};

  // Placing a region needs only the extent, so all are placed first and
  // then blurred together: each pixel once, from the photo itself.
  std::vector<platform::BlurArea> areas;
  for (const BlurGroup& group : blur ? blurGroups(*blur) : std::vector<BlurGroup>{}) {
    std::optional<BlurPatch> patch = placeBlur(working.extent, group);
    if (!patch)
      return Error{"blur region out of range"};
    const Extent grown = unite(working.extent, patch->rect);
    if (grown.width * grown.height > platform::defaultMaxPixels)
      return Error{"blur region grows the picture past the pixel ceiling"};
    // Within the ceiling, every coordinate fits an int.
    areas.push_back({{static_cast<int>(patch->rect.left), static_cast<int>(patch->rect.top),
                      static_cast<int>(patch->rect.width), static_cast<int>(patch->rect.height)},
                     patch->sigma});
    working.extent = grown;
  }
  if (!areas.empty()) {
    const Extent& e = working.extent;
    Result<platform::Bitmap> blurred =
        platform::blurAreas(working.bitmap,
                            {static_cast<int>(e.left), static_cast<int>(e.top),
                             static_cast<int>(e.width), static_cast<int>(e.height)},
                            areas);
    if (!blurred)
      return blurred.error();
    working.bitmap = std::move(*blurred);
  }
  working.IW = working.bitmap.width;
  working.IH = working.bitmap.height;
  return working;
}

}  // namespace vell::cover
