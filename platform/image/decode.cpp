// Decoding: header first (so oversized pictures are refused before any
// pixel is decoded), then the first page or frame, streamed top to bottom
// into an sRGB RGBA8 bitmap.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/regular_file.hpp"
#include "platform/image/image.hpp"
#include "platform/image/jpeg_extent.hpp"
#include "platform/image/part.hpp"
#include "platform/image/vips.hpp"

namespace vell::platform {

using vips::VImage;
using namespace vips_glue;

namespace {

// Sequential access lets libvips stream the decode instead of holding the
// whole picture twice. Failing on truncation turns a file that stops early
// into an error instead of a picture that is grey below the cut; smaller
// data errors that libjpeg recovers from (common in camera files) pass.
vips::VOption* loadOptions() {
  return VImage::option()
      ->set("access", VIPS_ACCESS_SEQUENTIAL)
      ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
}

// A picture held in memory; `bytes` must outlive the image.
VImage openMemory(std::span<const std::uint8_t> bytes, vips::VOption* options) {
  if (bytes.empty())
    throw vips::VError("no data");
  return VImage::new_from_buffer(bytes.data(), bytes.size(), "", options);
}

// Refuses, from the header, pictures above the pixel ceiling and JPEGs too
// short for the size they declare: libjpeg fills what a file lacks with grey
// and only warns, so a few hundred bytes would otherwise decode as a whole
// 100-megapixel picture.
Status checkPixels(const VImage& header, std::span<const std::uint8_t> bytes,
                   const DecodeOptions& options) {
  const long long pixels = static_cast<long long>(header.width()) * header.height();
  if (pixels > options.maxPixels)
    return Error{"picture too large: " + std::to_string(header.width()) + " x " +
                 std::to_string(header.height()) + " pixels, more than " +
                 std::to_string(options.maxPixels)};
  if (const std::optional<std::int64_t> least = leastJpegDataBytes(bytes);
      least && static_cast<std::int64_t>(bytes.size()) < *least)
    return Error{"the file stops early: " + std::to_string(header.width()) + " x " +
                 std::to_string(header.height()) + " pixels need more than its " +
                 std::to_string(bytes.size()) + " bytes"};
  return ok();
}

std::optional<std::uint32_t> orientationEntry(const VImage& header) {
  if (header.get_typeof(VIPS_META_ORIENTATION) == 0)
    return std::nullopt;
  return static_cast<std::uint32_t>(header.get_int(VIPS_META_ORIENTATION));
}

Result<DecodedImage> decodeOpened(const VImage& header, std::span<const std::uint8_t> bytes,
                                  const DecodeOptions& options) {
  if (Status size = checkPixels(header, bytes, options); !size)
    return size.error();
  DecodedImage decoded;
  decoded.orientation = orientationEntry(header);
  decoded.bitmap = render(toSrgbRgba8(header));
  return decoded;
}

// For the upright pixel (X, Y) of a picture stored `w` x `h` with the
// orientation `value`, the stored pixel that shows there.
std::pair<int, int> storedPixel(std::uint32_t value, int w, int h, int X, int Y) {
  switch (value) {
    case 2:
      return {w - 1 - X, Y};
    case 3:
      return {w - 1 - X, h - 1 - Y};
    case 4:
      return {X, h - 1 - Y};
    case 5:
      return {Y, X};
    case 6:
      return {Y, h - 1 - X};
    case 7:
      return {w - 1 - Y, h - 1 - X};
    case 8:
      return {w - 1 - Y, X};
    default:
      return {X, Y};
  }
}

std::string loaderOf(const VImage& header) {
  if (header.get_typeof(VIPS_META_LOADER) == 0)
    return {};
  return header.get_string(VIPS_META_LOADER);
}

// The longer side becomes `maxSide` (when it is longer), the shorter one
// keeps the aspect ratio, rounded, at least one pixel.
std::pair<int, int> thumbnailSize(int width, int height, int maxSide) {
  const int longer = std::max(width, height);
  if (longer <= maxSide)
    return {width, height};
  const double scale = static_cast<double>(maxSide) / longer;
  const auto shorter = [&](int side) {
    return std::max(1, static_cast<int>(std::lround(side * scale)));
  };
  return width >= height ? std::pair{maxSide, shorter(height)} : std::pair{shorter(width), maxSide};
}

// Opens `bytes` again, decoding at a reduced size where the format can:
// JPEG by 2, 4 or 8 through its DCT, WebP at any scale. The result is
// never smaller than the target, so the final resampling only shrinks.
VImage openShrunk(std::span<const std::uint8_t> bytes, const VImage& header, int width,
                  int height) {
  const std::string loader = loaderOf(header);
  if (loader.starts_with("jpegload")) {
    for (int shrink : {8, 4, 2}) {
      // libvips rounds the shrunk sides down: a side shorter than the
      // factor would become empty, which it does not refuse but aborts on.
      const int w = header.width() / shrink;
      const int h = header.height() / shrink;
      if (w >= std::max(width, 1) && h >= std::max(height, 1))
        return openMemory(bytes, loadOptions()->set("shrink", shrink));
    }
  } else if (loader.starts_with("webpload")) {
    const double scale = std::max(static_cast<double>(width) / header.width(),
                                  static_cast<double>(height) / header.height());
    // A little over the target, so rounding inside the loader cannot
    // undershoot it.
    const double over =
        std::min(1.0, scale * 1.01 + 1.0 / std::min(header.width(), header.height()));
    return openMemory(bytes, loadOptions()->set("scale", over));
  }
  return header;
}

Result<DecodedImage> decodeBytes(const std::string& what, std::span<const std::uint8_t> bytes,
                                 const DecodeOptions& options) {
  return guarded(what.c_str(), [&]() -> Result<DecodedImage> {
    if (bytes.empty())
      return Error{what + ": no data"};
    // The buffer is only read, and outlives the decode below.
    return decodeOpened(openMemory(bytes, loadOptions()), bytes, options);
  });
}

Result<Bitmap> thumbnailBytes(const std::string& what, std::span<const std::uint8_t> bytes,
                              int maxSide, const DecodeOptions& options) {
  if (maxSide < 1)
    return Error{what + ": the longest side must be at least 1"};
  return guarded(what.c_str(), [&]() -> Result<Bitmap> {
    if (bytes.empty())
      return Error{what + ": no data"};
    VImage header = openMemory(bytes, loadOptions());
    if (Status size = checkPixels(header, bytes, options); !size)
      return Error{what + ": " + size.error().text};
    const auto orientation = orientationOrUp(orientationEntry(header));
    const auto [width, height] = thumbnailSize(header.width(), header.height(), maxSide);
    VImage image = header;
    if (width != header.width() || height != header.height())
      image = openShrunk(bytes, header, width, height);
    const Alpha alpha = image.has_alpha() ? Alpha::translucent : Alpha::opaque;
    VImage rgba = toSrgbRgba8(image);
    if (rgba.width() != width || rgba.height() != height)
      rgba = resizeExact(rgba, alpha, width, height, VIPS_KERNEL_LANCZOS3);
    return orient(render(rgba), orientation);
  });
}

}  // namespace

std::uint32_t orientationOrUp(std::optional<std::uint32_t> entry) {
  return entry && *entry >= 1 && *entry <= 8 ? *entry : 1;
}

Result<std::vector<std::uint8_t>> readPictureFile(const std::string& path) {
  return readRegularFile<std::vector<std::uint8_t>>(path, maxFileBytes);
}

Result<DecodedImage> decode(const std::string& path, const DecodeOptions& options) {
  Result<std::vector<std::uint8_t>> bytes = readPictureFile(path);
  if (!bytes)
    return bytes.error();
  return decodeBytes("cannot read " + path, *bytes, options);
}

Result<DecodedImage> decodeMemory(std::span<const std::uint8_t> bytes,
                                  const DecodeOptions& options) {
  return decodeBytes("cannot read the picture", bytes, options);
}

Bitmap orient(const Bitmap& bitmap, std::uint32_t value) {
  if (value < 2 || value > 8 || bitmap.empty())
    return bitmap;
  const int w = bitmap.width;
  const int h = bitmap.height;
  const bool swaps = value >= 5;
  Bitmap out;
  out.width = swaps ? h : w;
  out.height = swaps ? w : h;
  out.rgba.resize(bitmap.rgba.size());
  for (int Y = 0; Y < out.height; ++Y)
    for (int X = 0; X < out.width; ++X) {
      const auto [x, y] = storedPixel(value, w, h, X, Y);
      std::memcpy(out.pixel(X, Y), bitmap.pixel(x, y), 4);
    }
  return out;
}

Result<PictureSize> uprightSize(std::span<const std::uint8_t> bytes, const DecodeOptions& options) {
  return guarded("cannot read the picture", [&]() -> Result<PictureSize> {
    // Refused before any option is made: the options leak when the open
    // throws before taking them.
    if (bytes.empty())
      return Error{"cannot read the picture: no data"};
    VImage header = openMemory(bytes, loadOptions());
    if (Status size = checkPixels(header, bytes, options); !size)
      return Error{"cannot read the picture: " + size.error().text};
    if (orientationOrUp(orientationEntry(header)) >= 5)
      return PictureSize{header.height(), header.width()};
    return PictureSize{header.width(), header.height()};
  });
}

Result<Bitmap> decodeCropScaled(std::span<const std::uint8_t> bytes, PixelRect rect, int width,
                                int height, const DecodeOptions& options) {
  if (Status size = checkSize("scale failed", width, height); !size)
    return size.error();
  return guarded("cannot read the picture", [&]() -> Result<Bitmap> {
    if (bytes.empty())
      return Error{"cannot read the picture: no data"};
    VImage header = openMemory(bytes, loadOptions());
    if (Status size = checkPixels(header, bytes, options); !size)
      return Error{"cannot read the picture: " + size.error().text};
    const std::uint32_t orientation = orientationOrUp(orientationEntry(header));
    const int w = header.width(), h = header.height();
    const bool swaps = orientation >= 5;
    const std::optional<PixelRect> part = clipRect(rect, swaps ? h : w, swaps ? w : h);
    if (!part)
      return Error{"crop failed: the rectangle lies outside the picture"};
    // The stored pixels under the part: the box of its two far corners.
    const auto [ax, ay] = storedPixel(orientation, w, h, part->x, part->y);
    const auto [bx, by] =
        storedPixel(orientation, w, h, part->x + part->width - 1, part->y + part->height - 1);
    const VImage stored = toSrgbRgba8(header).extract_area(
        std::min(ax, bx), std::min(ay, by), std::abs(bx - ax) + 1, std::abs(by - ay) + 1);
    // A JPEG of one or three bands is opaque, as scaleLanczos would find
    // after looking at every alpha; it shrinks with libvips, as there.
    const int bands = header.bands();
    if (orientation == 1 && loaderOf(header).starts_with("jpegload") &&
        (bands == 1 || bands == 3) && width <= part->width && height <= part->height)
      return render(resizeExact(stored, Alpha::opaque, width, height, VIPS_KERNEL_LANCZOS3));
    return scaleLanczos(orient(render(stored), orientation), width, height);
  });
}

Result<Bitmap> decodeUpright(const std::string& path, const DecodeOptions& options) {
  Result<DecodedImage> decoded = decode(path, options);
  if (!decoded)
    return decoded.error();
  const std::uint32_t orientation = orientationOrUp(decoded->orientation);
  if (orientation == 1)
    return std::move(decoded->bitmap);
  return guarded(("cannot read " + path).c_str(),
                 [&]() -> Result<Bitmap> { return orient(decoded->bitmap, orientation); });
}

Result<Bitmap> thumbnail(const std::string& path, int maxSide, const DecodeOptions& options) {
  if (maxSide < 1)
    return Error{"cannot read " + path + ": the longest side must be at least 1"};
  Result<std::vector<std::uint8_t>> bytes = readPictureFile(path);
  if (!bytes)
    return bytes.error();
  return thumbnailBytes("cannot read " + path, *bytes, maxSide, options);
}

Result<Bitmap> thumbnailMemory(std::span<const std::uint8_t> bytes, int maxSide,
                               const DecodeOptions& options) {
  return thumbnailBytes("cannot read the picture", bytes, maxSide, options);
}

}  // namespace vell::platform
