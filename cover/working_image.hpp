#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/image/image.hpp"

namespace vell::cover {

// One group of the "--blur" value: a region in units of the current extent
// (0 to 1 spans it), top-left origin. Not clamped.
struct BlurGroup {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
};

// The groups of a "--blur" value: split at ";" and ",", empty pieces and
// non-numbers dropped, groups without exactly four numbers skipped.
std::vector<BlurGroup> blurGroups(std::string_view value);

// The working image's extent in pixels: its top-left corner relative to the
// upright photo's top-left corner, and its size. Blur regions that reach past
// an edge grow it.
struct Extent {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
};

// A blur patch placed in the extent: the region grown by 4 pixels a side and
// widened to whole pixels (photo coordinates), and its Gaussian sigma.
struct BlurPatch {
  Extent rect;
  double sigma = 0;
};

// Places `group` in the current `extent`. Nothing when the region is not
// finite or too large to be pixels at all.
std::optional<BlurPatch> placeBlur(const Extent& extent, const BlurGroup& group);

// The smallest extent holding both.
Extent unite(const Extent& a, const Extent& b);

// The picture every later step looks at: the photo upright, blur regions
// blurred in, RGBA8 sRGB.
struct WorkingImage {
  std::uint32_t orient = 1;
  Extent extent;
  platform::Bitmap bitmap;
  double IW = 0;
  double IH = 0;
};

// Decodes the first image of the encoded `photo`, turns it upright and
// blurs in the regions of `blur`, each placed in the extent grown by those
// before; where regions overlap, the last one's blur is kept (each pixel is
// blurred once, from the photo). Fails when the photo cannot be decoded, or
// when the working image cannot be made (a region that is not finite, or one
// that would grow it past the pixel ceiling).
Result<WorkingImage> buildWorkingImage(std::span<const std::uint8_t> photo,
                                       const std::optional<std::string>& blur);

// The same for the photo file at `path`, read once (see
// `platform::readPictureFile`).
Result<WorkingImage> buildWorkingImage(const std::string& path,
                                       const std::optional<std::string>& blur);

}  // namespace vell::cover
