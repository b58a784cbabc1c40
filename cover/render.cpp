#include "cover/render.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

#include "common/atomic_file.hpp"
#include "common/numbers.hpp"

namespace vell::cover {

namespace {

constexpr double enlargementThreshold = 1.05;
constexpr double enlargedAmount = 0.5;
constexpr double plainAmount = 0.3;
constexpr double enlargedRadius = 1.6;
constexpr double plainRadius = 1.0;

constexpr double thinLineShare = 300;
constexpr double thinLineMinimum = 3;
constexpr double thickLineShare = 200;
constexpr double thickLineMinimum = 5;
constexpr double heatOpacity = 0.55;
constexpr platform::Colour heatColour{1.0, 0.1, 0.1, 1.0};
constexpr platform::Colour objectColour{0.2, 0.6, 1.0, 0.9};
constexpr platform::Colour subjectColour{0.1, 1.0, 0.2, 1.0};
constexpr platform::Colour cropColour{1.0, 1.0, 1.0, 1.0};
constexpr mode_t debugMode = 0644;

int roundedInt(double value) {
  double rounded = std::round(value);
  if (!(rounded > INT_MIN && rounded < INT_MAX))
    return 0;
  return static_cast<int>(rounded);
}

// A box in image units as a pixel rectangle of the working image.
platform::Rect pixels(const Box& b, double IW, double IH) {
  return {b.x * IW, b.y * IH, b.w * IW, b.h * IH};
}

}  // namespace

platform::PixelRect cropRectangle(const Geometry& g) {
  return {roundedInt(g.cx0), roundedInt(g.cy0), roundedInt(g.cw), roundedInt(g.ch)};
}

Result<platform::Bitmap> cutCrop(const platform::Bitmap& working, const Geometry& geometry) {
  return platform::crop(working, cropRectangle(geometry));
}

Sharpening sharpeningFor(int cropWidth, int cropHeight, std::int64_t OW, std::int64_t OH,
                         const std::optional<std::string>& sharpen) {
  Sharpening s;
  s.sx = static_cast<double>(OW) / cropWidth;
  s.sy = static_cast<double>(OH) / cropHeight;
  s.enlarged = s.sx > enlargementThreshold;
  std::optional<double> given = sharpen ? parseDouble(*sharpen) : std::nullopt;
  s.amount = given ? *given : (s.enlarged ? enlargedAmount : plainAmount);
  s.radius = s.enlarged ? enlargedRadius : plainRadius;
  return s;
}

bool outputFits(std::int64_t OW, std::int64_t OH) {
  return OW <= platform::defaultMaxPixels && OH <= platform::defaultMaxPixels &&
         OW * OH <= platform::defaultMaxPixels;
}

namespace {

Result<platform::Bitmap> sharpen(Result<platform::Bitmap> scaled, const Sharpening& sharpening) {
  if (!scaled)
    return scaled;
  if (!(sharpening.amount > 0))
    return scaled;
  Result<platform::Bitmap> sharpened =
      platform::unsharpMask(*scaled, sharpening.radius, sharpening.amount);
  // An unsharpened cover is better than none.
  if (!sharpened)
    return scaled;
  return sharpened;
}

}  // namespace

Result<platform::Bitmap> scaleAndSharpen(const platform::Bitmap& crop, std::int64_t OW,
                                         std::int64_t OH, const Sharpening& sharpening) {
  // Refused before any pixel is touched: such a bitmap could not be held.
  if (!outputFits(OW, OH))
    return Error{"output size too large"};
  return sharpen(platform::scaleLanczos(crop, static_cast<int>(OW), static_cast<int>(OH)),
                 sharpening);
}

Result<platform::Bitmap> scaleAndSharpenFrom(std::span<const std::uint8_t> photo,
                                             platform::PixelRect crop, std::int64_t OW,
                                             std::int64_t OH, const Sharpening& sharpening) {
  if (!outputFits(OW, OH))
    return Error{"output size too large"};
  return sharpen(
      platform::decodeCropScaled(photo, crop, static_cast<int>(OW), static_cast<int>(OH)),
      sharpening);
}

platform::Bitmap debugPicture(const platform::Bitmap& working, const Heat& heat,
                              const std::vector<ObjectRegion>& objects, const Geometry& geometry) {
  platform::Bitmap canvas = working;
  const double IW = working.width, IH = working.height;
  if (heat.hw() >= 1 && heat.hh() >= 1) {
    const double cellW = IW / static_cast<double>(heat.hw());
    const double cellH = IH / static_cast<double>(heat.hh());
    for (std::int64_t r = 0; r < heat.hh(); ++r)
      for (std::int64_t c = 0; c < heat.hw(); ++c) {
        const double w = heat.weight(r, c);
        if (!(w > 0))
          continue;
        platform::Colour colour = heatColour;
        colour.alpha = std::min(w * heatOpacity, heatOpacity);
        // One pixel of overlap, up and to the right, so no gaps show.
        const double left = IW * static_cast<double>(c) / static_cast<double>(heat.hw());
        const double bottom = IH * static_cast<double>(r + 1) / static_cast<double>(heat.hh());
        platform::fillRect(canvas, {left, bottom - cellH - 1, cellW + 1, cellH + 1}, colour);
      }
  }
  const double thin = std::max(IW / thinLineShare, thinLineMinimum);
  for (const ObjectRegion& object : objects)
    platform::strokeRect(canvas, pixels(object.box, IW, IH), thin, objectColour);
  platform::strokeRect(canvas, pixels(geometry.subject, IW, IH), thin, subjectColour);
  const double thick = std::max(IW / thickLineShare, thickLineMinimum);
  platform::strokeRect(canvas, pixels(geometry.crop, IW, IH), thick, cropColour);
  return canvas;
}

void writeDebugPicture(const std::string& path, const platform::Bitmap& working, const Heat& heat,
                       const std::vector<ObjectRegion>& objects, const Geometry& geometry) {
  Result<std::vector<std::uint8_t>> png =
      platform::encodePng(debugPicture(working, heat, objects, geometry));
  if (!png)
    return;
  // Failures are silent by design: the picture is a diagnostic.
  (void)writeFileAtomically(path, std::span<const unsigned char>(png->data(), png->size()),
                            debugMode);
}

}  // namespace vell::cover
