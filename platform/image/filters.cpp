// Filters and resampling on bitmaps: blur, crop, scaling, sharpening,
// flattening and the grey grid.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/image/image.hpp"
#include "platform/image/lanczos.hpp"
#include "platform/image/part.hpp"
#include "platform/image/vips.hpp"

namespace vell::platform {

using vips::VImage;
using namespace vips_glue;

namespace {

// Gaussian weights below this fraction of the peak are left out: about
// 3.3 standard deviations each side.
constexpr double minAmplitude = 0.005;
// Up to this sigma the blur is a direct convolution; beyond it the picture
// is first averaged down, blurred small and enlarged back, which costs the
// same whatever the sigma and differs from the direct result by less than a
// grey level or two on photos.
constexpr double directSigma = 8.0;
// Far wider than any picture this layer holds: beyond it a blur is the
// mean colour, and the margins would exceed what libvips can address.
constexpr double maxSigma = 1e6;

int marginFor(double sigma) {
  return static_cast<int>(std::ceil(3.3 * sigma)) + 2;
}

VImage gauss(const VImage& image, double sigma) {
  return image.gaussblur(
      sigma,
      VImage::option()->set("precision", VIPS_PRECISION_FLOAT)->set("min_ampl", minAmplitude));
}

// `work` extended without end by repeating its edges, cut to `area`.
// Beyond an edge the extension is constant across that edge, so an area
// far outside can be moved up to the edge without changing what it holds;
// that keeps the canvas below small whatever the area's position.
VImage extendedArea(const VImage& work, PixelRect area) {
  area.x = std::clamp(area.x, -area.width, work.width());
  area.y = std::clamp(area.y, -area.height, work.height());
  const int left = std::min(0, area.x);
  const int top = std::min(0, area.y);
  const int right = std::max(work.width(), area.x + area.width);
  const int bottom = std::max(work.height(), area.y + area.height);
  return work
      .embed(-left, -top, right - left, bottom - top,
             VImage::option()->set("extend", VIPS_EXTEND_COPY))
      .crop(area.x - left, area.y - top, area.width, area.height);
}

// The Gaussian blur of `work` (float) extended by repeating its edges,
// cut to `rect`, in float.
VImage blurredArea(const VImage& work, PixelRect rect, double sigma) {
  const int margin = marginFor(sigma);
  if (sigma <= directSigma) {
    const VImage extended = extendedArea(work, {rect.x - margin, rect.y - margin,
                                                rect.width + 2 * margin, rect.height + 2 * margin});
    return gauss(extended, sigma).crop(margin, margin, rect.width, rect.height);
  }
  const int factor = static_cast<int>(std::floor(sigma / 4.0));
  const auto roundUp = [&](int size) { return (size + factor - 1) / factor * factor; };
  const int width = roundUp(rect.width + 2 * margin);
  const int height = roundUp(rect.height + 2 * margin);
  const VImage extended = extendedArea(work, {rect.x - margin, rect.y - margin, width, height});
  // Averaging blocks of `factor` pixels already blurs by a box of that
  // width (variance (factor^2 - 1) / 12); the small blur adds the rest.
  const double rest = std::sqrt(sigma * sigma - (factor * factor - 1) / 12.0) / factor;
  const VImage small = gauss(extended.shrink(factor, factor), rest);
  // Small pixel j averages pixels j * factor .. j * factor + factor - 1,
  // so its centre lies at j * factor + (factor - 1) / 2.
  const double offset = (factor - 1) / 2.0;
  const VImage back =
      small.affine({static_cast<double>(factor), 0, 0, static_cast<double>(factor)},
                   VImage::option()
                       ->set("interpolate", vips::VInterpolate::new_from_name("bilinear"))
                       ->set("oarea", std::vector<int>{0, 0, width, height})
                       ->set("odx", offset)
                       ->set("ody", offset)
                       ->set("extend", VIPS_EXTEND_COPY));
  return back.crop(margin, margin, rect.width, rect.height);
}

// `bitmap` as float bands ready for linear filters: RGB when opaque, else
// premultiplied RGBA.
VImage filterInput(const Bitmap& bitmap, Alpha alpha) {
  const VImage image = view(bitmap);
  if (alpha == Alpha::opaque)
    return image.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
  return premultiplied(image);
}

VImage filterOutput(const VImage& image, Alpha alpha) {
  if (alpha == Alpha::opaque)
    return image.round(VIPS_OPERATION_ROUND_RINT).cast(VIPS_FORMAT_UCHAR).bandjoin_const({255});
  return unpremultiplied(image);
}

bool positive(double value) {
  return std::isfinite(value) && value > 0;
}

}  // namespace

Result<Bitmap> blurRegion(const Bitmap& source, PixelRect rect, double sigma) {
  const char* what = "blur failed";
  if (source.empty())
    return Error{std::string(what) + ": empty picture"};
  if (!positive(sigma))
    return Error{std::string(what) + ": the blur radius must be positive"};
  if (sigma > maxSigma)
    return Error{std::string(what) + ": the blur radius is too large"};
  if (Status size = checkSize(what, rect.width, rect.height); !size)
    return size.error();
  // A rectangle wholly beyond an edge by more than the blur's reach sees
  // only copies of that edge, the same at any distance: bring it closer so
  // that no coordinate below can overflow.
  const long long margin = marginFor(sigma);
  const auto near = [&](int position, int size, int extent) {
    return static_cast<int>(std::clamp<long long>(position, -(size + margin), extent + margin));
  };
  rect.x = near(rect.x, rect.width, source.width);
  rect.y = near(rect.y, rect.height, source.height);
  return guarded(what, [&]() -> Result<Bitmap> {
    const Alpha alpha = alphaOf(source);
    return render(filterOutput(blurredArea(filterInput(source, alpha), rect, sigma), alpha));
  });
}

std::optional<PixelRect> clipRect(PixelRect rect, int width, int height) {
  const long long left = std::max<long long>(rect.x, 0);
  const long long top = std::max<long long>(rect.y, 0);
  const long long right = std::min<long long>(static_cast<long long>(rect.x) + rect.width, width);
  const long long bottom =
      std::min<long long>(static_cast<long long>(rect.y) + rect.height, height);
  if (rect.width <= 0 || rect.height <= 0 || right <= left || bottom <= top)
    return std::nullopt;
  return PixelRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                   static_cast<int>(bottom - top)};
}

Result<Bitmap> crop(const Bitmap& bitmap, PixelRect rect) {
  const std::optional<PixelRect> inside = clipRect(rect, bitmap.width, bitmap.height);
  if (bitmap.empty() || !inside)
    return Error{"crop failed: the rectangle lies outside the picture"};
  return guarded("crop failed", [&]() -> Result<Bitmap> {
    Bitmap out;
    out.width = inside->width;
    out.height = inside->height;
    out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
    for (int y = 0; y < out.height; ++y)
      std::memcpy(out.pixel(0, y), bitmap.pixel(inside->x, inside->y + y),
                  static_cast<size_t>(out.width) * 4);
    return out;
  });
}

Result<Bitmap> scaleLanczos(const Bitmap& bitmap, int width, int height) {
  const char* what = "scale failed";
  if (bitmap.empty())
    return Error{std::string(what) + ": empty picture"};
  if (Status size = checkSize(what, width, height); !size)
    return size.error();
  return guarded(what, [&]() -> Result<Bitmap> {
    if (width <= bitmap.width && height <= bitmap.height)
      return render(
          resizeExact(view(bitmap), alphaOf(bitmap), width, height, VIPS_KERNEL_LANCZOS3));
    // libvips enlarges with a bicubic interpolator, not its kernel.
    return lanczos::resample(bitmap, width, height);
  });
}

Result<Bitmap> unsharpMask(const Bitmap& bitmap, double radius, double intensity) {
  const char* what = "sharpening failed";
  if (bitmap.empty())
    return Error{std::string(what) + ": empty picture"};
  if (!positive(radius) || radius > maxSigma)
    return Error{std::string(what) + ": the radius must be positive and at most a million"};
  if (!(intensity > 0))
    return bitmap;
  return guarded(what, [&]() -> Result<Bitmap> {
    const Alpha alpha = alphaOf(bitmap);
    const VImage in = filterInput(bitmap, alpha);
    const VImage blurred = blurredArea(in, {0, 0, bitmap.width, bitmap.height}, radius);
    return render(filterOutput(in + (in - blurred) * intensity, alpha));
  });
}

Result<Bitmap> stretch(const Bitmap& bitmap, int width, int height) {
  const char* what = "scale failed";
  if (bitmap.empty())
    return Error{std::string(what) + ": empty picture"};
  if (Status size = checkSize(what, width, height); !size)
    return size.error();
  return guarded(what, [&]() -> Result<Bitmap> {
    return render(resizeExact(view(bitmap), alphaOf(bitmap), width, height, VIPS_KERNEL_CUBIC));
  });
}

Bitmap flattenOverBlack(const Bitmap& bitmap) {
  Bitmap out = bitmap;
  for (size_t i = 0; i + 3 < out.rgba.size(); i += 4) {
    const unsigned alpha = out.rgba[i + 3];
    for (size_t c = 0; c < 3; ++c)
      out.rgba[i + c] = static_cast<std::uint8_t>((out.rgba[i + c] * alpha + 127) / 255);
    out.rgba[i + 3] = 255;
  }
  return out;
}

Result<GreyGrid> greyResample(const Bitmap& bitmap, int width, int height) {
  const char* what = "grey resampling failed";
  if (bitmap.empty())
    return Error{std::string(what) + ": empty picture"};
  if (Status size = checkSize(what, width, height); !size)
    return size.error();
  return guarded(what, [&]() -> Result<GreyGrid> {
    const Bitmap flat = flattenOverBlack(bitmap);
    VImage grey = view(flat)
                      .extract_band(0, VImage::option()->set("n", 3))
                      .colourspace(VIPS_INTERPRETATION_B_W);
    VImage scaled = grey.resize(static_cast<double>(width) / bitmap.width,
                                VImage::option()
                                    ->set("vscale", static_cast<double>(height) / bitmap.height)
                                    ->set("kernel", VIPS_KERNEL_LINEAR));
    if (scaled.width() != width || scaled.height() != height)
      scaled = scaled.embed(0, 0, width, height, VImage::option()->set("extend", VIPS_EXTEND_COPY));
    scaled = scaled.cast(VIPS_FORMAT_UCHAR);
    size_t length = 0;
    std::unique_ptr<void, decltype(&g_free)> memory(scaled.write_to_memory(&length), &g_free);
    if (!memory || length != static_cast<size_t>(width) * height)
      return Error{std::string(what) + ": unexpected pixel data"};
    GreyGrid grid{width, height, {}};
    const auto* bytes = static_cast<const std::uint8_t*>(memory.get());
    grid.samples.assign(bytes, bytes + length);
    return grid;
  });
}

}  // namespace vell::platform
