#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/result.hpp"
#include "cover/geometry.hpp"
#include "cover/heat.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/image/image.hpp"
#include "platform/image/part.hpp"

namespace vell::cover {

// The crop rectangle in whole pixels: each of (cx0, cy0, cw, ch) rounded to
// the nearest integer, halves away from zero. Not clamped again.
platform::PixelRect cropRectangle(const Geometry& geometry);

// The part of the crop rectangle inside the working image. Fails when none
// of it is.
Result<platform::Bitmap> cutCrop(const platform::Bitmap& working, const Geometry& geometry);

// How the scaled crop is sharpened: off for an intensity of 0 or less.
struct Sharpening {
  double sx = 0;
  double sy = 0;
  bool enlarged = false;
  double amount = 0;
  double radius = 0;
};

// The scale factors from the crop's size to `OW` x `OH`, and the sharpening:
// the "--sharpen" value when it is a number, else 0.5 for a crop enlarged
// by more than 5 % across and 0.3 otherwise; radius 1.6 when enlarged, else 1.
Sharpening sharpeningFor(int cropWidth, int cropHeight, std::int64_t OW, std::int64_t OH,
                         const std::optional<std::string>& sharpen);

// Whether an output of `OW` x `OH` pixels can be held in memory at all.
bool outputFits(std::int64_t OW, std::int64_t OH);

// The crop scaled with a Lanczos filter to exactly `OW` x `OH` and sharpened.
// Fails when the output cannot be made, a size that cannot be held in memory
// included.
Result<platform::Bitmap> scaleAndSharpen(const platform::Bitmap& crop, std::int64_t OW,
                                         std::int64_t OH, const Sharpening& sharpening);

// The same pixels, with the crop decoded alone from the encoded `photo`
// (the working image before any blur), never the whole picture. Fails when
// the output does not fit or the photo cannot be decoded.
Result<platform::Bitmap> scaleAndSharpenFrom(std::span<const std::uint8_t> photo,
                                             platform::PixelRect crop, std::int64_t OW,
                                             std::int64_t OH, const Sharpening& sharpening);

// The debug picture: the working image with the heat weights in red, every
// object region in blue, the subject in green and the crop in white.
platform::Bitmap debugPicture(const platform::Bitmap& working, const Heat& heat,
                              const std::vector<ObjectRegion>& objects, const Geometry& geometry);

// Draws the debug picture and writes it as PNG to `path`, atomically. Any
// failure just leaves the path as it was.
void writeDebugPicture(const std::string& path, const platform::Bitmap& working, const Heat& heat,
                       const std::vector<ObjectRegion>& objects, const Geometry& geometry);

}  // namespace vell::cover
