#pragma once

// Picture decoding, filtering, drawing and encoding, on libvips.
//
// Every function may be called from several threads at once. Pixel data in
// and out is a `Bitmap`: 8-bit sRGB RGBA, straight alpha, top row first.
// Rectangles are in pixels with a top-left origin and y pointing down.
// Failures come back as an `Error` whose text names the cause; nothing here
// throws, exits or prints.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"

namespace vell::platform {

// The largest picture (width x height) a decode accepts unless told
// otherwise, and the largest bitmap any function here produces. Larger
// pictures are refused from their header, before any pixel is decoded.
inline constexpr std::int64_t defaultMaxPixels = 100'000'000;

struct DecodeOptions {
  // Pictures whose stored width x height is above this are unreadable.
  std::int64_t maxPixels = defaultMaxPixels;
};

// A picture's first page or frame, as stored (not turned upright).
struct DecodedImage {
  Bitmap bitmap;
  // The EXIF orientation entry as the file gives it, or nothing when the
  // file has none; libvips already reads entries outside 1..8 as 1. Callers
  // apply their own rule (see `orientationOrUp`).
  std::optional<std::uint32_t> orientation;
};

// The largest picture file read.
inline constexpr std::int64_t maxFileBytes = std::int64_t{1} << 30;

// The encoded bytes of the picture file at `path`, read from one opening of
// it. Only a regular file is read: a device, a named pipe, a socket or a
// folder is refused at once (none of them ends, or holds a picture), and so
// is a path holding a NUL character (the system would read only up to it:
// another file) or a file above `maxFileBytes`.
Result<std::vector<std::uint8_t>> readPictureFile(const std::string& path);

// Decodes the first page or frame of the picture at `path` (any format
// libvips reads: JPEG, PNG, WebP, HEIF/HEIC, AVIF, TIFF, GIF, ...), read as
// `readPictureFile` reads it. An embedded ICC profile is applied and the
// pixels converted to sRGB; grey and alpha-less pictures gain RGB and an
// opaque alpha. Fails when the file is missing or not a regular file, is no
// picture, is truncated or damaged anywhere in its pixel data, or exceeds
// `options.maxPixels`.
Result<DecodedImage> decode(const std::string& path, const DecodeOptions& options = {});

// The same, from the encoded bytes of a picture held in memory.
Result<DecodedImage> decodeMemory(std::span<const std::uint8_t> bytes,
                                  const DecodeOptions& options = {});

// The orientation to apply for an orientation entry: the entry when it is
// 1..8, else 1 (up). Missing entries are 1.
std::uint32_t orientationOrUp(std::optional<std::uint32_t> entry);

// `bitmap` turned by the EXIF/TIFF orientation `value`: 1 up, 2 mirrored
// left-right, 3 turned 180 degrees, 4 mirrored top-bottom, 5 transposed,
// 6 turned 90 degrees clockwise (stored lying on its left side), 7
// transversed, 8 turned 90 degrees anticlockwise. Values 5 to 8 swap width
// and height. Any other value returns the bitmap unchanged.
Bitmap orient(const Bitmap& bitmap, std::uint32_t value);

// `decode` followed by `orient` with `orientationOrUp` of its entry: the
// picture upright, sRGB, RGBA8.
Result<Bitmap> decodeUpright(const std::string& path, const DecodeOptions& options = {});

// An analysis copy of the first picture in `path`: decoded from the full
// image (never from a preview embedded in the file), shrunk while loading
// where the format allows, upright by `orientationOrUp`, sRGB RGBA8, its
// longer side min(`maxSide`, the picture's longer side) and the other side
// scaled to keep the aspect ratio (at least 1). Never enlarged. Fails like
// `decode`, and for `maxSide` < 1.
Result<Bitmap> thumbnail(const std::string& path, int maxSide, const DecodeOptions& options = {});

// The same, from the encoded bytes of a picture held in memory.
Result<Bitmap> thumbnailMemory(std::span<const std::uint8_t> bytes, int maxSide,
                               const DecodeOptions& options = {});

// A pixel rectangle: top-left corner, width and height.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The Gaussian blur (standard deviation `sigma` pixels) of `source` extended
// without end by repeating its edge pixels, cut to `rect`, which may reach
// past the edges or lie wholly outside: the result is rect.width x
// rect.height and never mixes in transparency or black from beyond the
// edges. Transparent pixels of `source` itself are weighted by their alpha.
// Fails for an empty `source` or `rect`, a `sigma` that is not positive and
// finite, or a result above `defaultMaxPixels`.
Result<Bitmap> blurRegion(const Bitmap& source, PixelRect rect, double sigma);

// One area for `blurAreas`: where, in the source's pixels (it may reach past
// its edges), and the Gaussian's standard deviation in pixels.
struct BlurArea {
  PixelRect rect;
  double sigma = 0;
};

// `source` laid on a canvas covering `canvas` (in the source's pixels; what
// lies outside the source is transparent), with the blur of each area drawn
// source-over as `blurRegion` makes it, within a grey level or two. Where
// areas overlap only the last one's blur is drawn: each pixel is blurred at
// most once, always from `source` itself. The work grows with the canvas and
// the areas' heights, not with the sigmas or the overlaps. Fails for an
// empty `source`, a `sigma` that is not positive and finite or above a
// million, or a canvas above `defaultMaxPixels`.
Result<Bitmap> blurAreas(const Bitmap& source, PixelRect canvas, std::span<const BlurArea> areas);

// Where `compositeOver` put things: the result, and the position of the
// old base's top-left pixel inside it.
struct Composited {
  Bitmap bitmap;
  int baseX = 0;
  int baseY = 0;
};

// `patch` drawn source-over onto `base` with its top-left pixel at (`x`,
// `y`) of `base`. The result covers the bounding box of both; pixels in
// neither are transparent. Fails when the result would exceed
// `defaultMaxPixels`.
Result<Composited> compositeOver(const Bitmap& patch, int x, int y, const Bitmap& base);

// The part of `rect` that lies inside `bitmap`. Fails when nothing of it
// does.
Result<Bitmap> crop(const Bitmap& bitmap, PixelRect rect);

// `bitmap` resampled to exactly `width` x `height` with a Lanczos-3 kernel,
// antialiased when shrinking, each axis scaled on its own. Fails for an
// empty input, a size below 1, or a result above `defaultMaxPixels`.
Result<Bitmap> scaleLanczos(const Bitmap& bitmap, int width, int height);

// Sharpens `bitmap`: out = in + intensity x (in - gauss(in, radius)), the
// Gaussian (standard deviation `radius` pixels) taken over the picture
// extended by its edge pixels, so borders are sharpened like the inside.
// `intensity` <= 0 returns the bitmap unchanged. Fails for an empty input
// or a `radius` that is not positive and finite.
Result<Bitmap> unsharpMask(const Bitmap& bitmap, double radius, double intensity);

// `bitmap` stretched to exactly `width` x `height` (each axis on its own,
// bicubic, antialiased), as video frames are filled. Fails like
// `scaleLanczos`.
Result<Bitmap> stretch(const Bitmap& bitmap, int width, int height);

// `bitmap` composited over opaque black: every alpha becomes 255.
Bitmap flattenOverBlack(const Bitmap& bitmap);

// 8-bit grey samples, rows top first, `width` bytes a row.
struct GreyGrid {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> samples;
};

// The whole of `bitmap` over black, converted to grey (sRGB luminance) and
// resampled into `width` x `height` with a medium-quality (linear,
// antialiased) filter. Fails for an empty input or a size below 1.
Result<GreyGrid> greyResample(const Bitmap& bitmap, int width, int height);

// A progressive JPEG of `bitmap` (composited over black): quality
// round(`quality` x 100) clamped to 1..100, optimised Huffman tables, a JFIF
// header (72 dpi) and no other metadata (no EXIF, no ICC). Fails for an
// empty bitmap or when the encoder reports an error.
Result<std::vector<std::uint8_t>> encodeJpeg(const Bitmap& bitmap, double quality);

// An 8-bit RGBA PNG of `bitmap`, tagged with an sRGB ICC profile.
Result<std::vector<std::uint8_t>> encodePng(const Bitmap& bitmap);

// A colour with straight alpha, each component 0..1.
struct Colour {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;
};

// A rectangle with fractional edges, top-left origin.
struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// Fills `rect` on `bitmap` with `colour`, source-over. Edges that fall
// inside a pixel cover it partly (antialiased); the part outside the
// bitmap is ignored; an empty or non-finite rect draws nothing.
void fillRect(Bitmap& bitmap, Rect rect, Colour colour);

// Strokes the outline of `rect` with lines `lineWidth` wide centred on its
// edges (half inside, half outside), antialiased, source-over.
void strokeRect(Bitmap& bitmap, Rect rect, double lineWidth, Colour colour);

}  // namespace vell::platform
