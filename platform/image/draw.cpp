// Drawing on bitmaps: compositing and antialiased rectangles, in plain C++
// (straight alpha, source-over).

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/image/image.hpp"
#include "platform/image/vips.hpp"

namespace vell::platform {

namespace {

std::uint8_t toByte(double value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

// Source-over of a straight-alpha colour with coverage `alpha` onto `p`.
void blend(std::uint8_t* p, const double colour[3], double alpha) {
  if (alpha <= 0)
    return;
  const double below = p[3] / 255.0;
  const double out = alpha + below * (1 - alpha);
  for (int c = 0; c < 3; ++c)
    p[c] = toByte((colour[c] * alpha + p[c] / 255.0 * below * (1 - alpha)) / out);
  p[3] = toByte(out);
}

// How much of the pixel span [i, i + 1) lies inside [low, high).
double overlap(int i, double low, double high) {
  return std::max(0.0, std::min<double>(i + 1, high) - std::max<double>(i, low));
}

struct Span {
  double low = 0;
  double high = 0;
  bool empty() const { return !(high > low); }
};

// Fills `outer` minus `inner` (inner inside outer, possibly empty) with
// coverage-weighted `colour`.
void fillRing(Bitmap& bitmap, Span ox, Span oy, Span ix, Span iy, Colour colour) {
  if (ox.empty() || oy.empty() || bitmap.empty())
    return;
  const double rgb[3] = {std::clamp(colour.red, 0.0, 1.0), std::clamp(colour.green, 0.0, 1.0),
                         std::clamp(colour.blue, 0.0, 1.0)};
  const double alpha = std::clamp(colour.alpha, 0.0, 1.0);
  const bool hole = !ix.empty() && !iy.empty();
  // Clamped while still doubles: edges far outside must not overflow int.
  const auto first = [](double low, int size) {
    return static_cast<int>(std::clamp(std::floor(low), 0.0, static_cast<double>(size)));
  };
  const auto last = [](double high, int size) {
    return static_cast<int>(std::clamp(std::ceil(high), 0.0, static_cast<double>(size)));
  };
  for (int y = first(oy.low, bitmap.height); y < last(oy.high, bitmap.height); ++y) {
    const double cy = overlap(y, oy.low, oy.high);
    const double iyCover = hole ? overlap(y, iy.low, iy.high) : 0;
    for (int x = first(ox.low, bitmap.width); x < last(ox.high, bitmap.width); ++x) {
      double cover = overlap(x, ox.low, ox.high) * cy;
      if (hole)
        cover -= overlap(x, ix.low, ix.high) * iyCover;
      blend(bitmap.pixel(x, y), rgb, alpha * cover);
    }
  }
}

// The rectangle with positive width and height, as the x and y spans.
bool spans(Rect rect, Span& x, Span& y) {
  if (!std::isfinite(rect.x) || !std::isfinite(rect.y) || !std::isfinite(rect.width) ||
      !std::isfinite(rect.height))
    return false;
  x = {std::min(rect.x, rect.x + rect.width), std::max(rect.x, rect.x + rect.width)};
  y = {std::min(rect.y, rect.y + rect.height), std::max(rect.y, rect.y + rect.height)};
  return true;
}

}  // namespace

void fillRect(Bitmap& bitmap, Rect rect, Colour colour) {
  Span x, y;
  if (spans(rect, x, y))
    fillRing(bitmap, x, y, {}, {}, colour);
}

void strokeRect(Bitmap& bitmap, Rect rect, double lineWidth, Colour colour) {
  Span x, y;
  if (!spans(rect, x, y) || !std::isfinite(lineWidth) || lineWidth <= 0)
    return;
  const double half = lineWidth / 2;
  const Span outerX{x.low - half, x.high + half}, outerY{y.low - half, y.high + half};
  const Span innerX{x.low + half, x.high - half}, innerY{y.low + half, y.high - half};
  fillRing(bitmap, outerX, outerY, innerX, innerY, colour);
}

Result<Composited> compositeOver(const Bitmap& patch, int x, int y, const Bitmap& base) {
  const char* what = "compositing failed";
  const long long left = std::min<long long>(0, x);
  const long long top = std::min<long long>(0, y);
  const long long right = std::max<long long>(base.width, static_cast<long long>(x) + patch.width);
  const long long bottom =
      std::max<long long>(base.height, static_cast<long long>(y) + patch.height);
  if (Status size = vips_glue::checkSize(what, right - left, bottom - top); !size)
    return size.error();
  try {
    Composited out;
    out.baseX = static_cast<int>(-left);
    out.baseY = static_cast<int>(-top);
    Bitmap& canvas = out.bitmap;
    canvas.width = static_cast<int>(right - left);
    canvas.height = static_cast<int>(bottom - top);
    canvas.rgba.assign(static_cast<size_t>(canvas.width) * canvas.height * 4, 0);
    for (int row = 0; row < base.height; ++row)
      std::memcpy(canvas.pixel(out.baseX, out.baseY + row), base.pixel(0, row),
                  static_cast<size_t>(base.width) * 4);
    const int px = static_cast<int>(x - left);
    const int py = static_cast<int>(y - top);
    for (int row = 0; row < patch.height; ++row)
      for (int col = 0; col < patch.width; ++col) {
        const std::uint8_t* s = patch.pixel(col, row);
        std::uint8_t* d = canvas.pixel(px + col, py + row);
        if (s[3] == 255) {
          std::memcpy(d, s, 4);
        } else if (s[3] > 0) {
          const double rgb[3] = {s[0] / 255.0, s[1] / 255.0, s[2] / 255.0};
          blend(d, rgb, s[3] / 255.0);
        }
      }
    return out;
  } catch (const std::bad_alloc&) {
    return Error{std::string(what) + ": out of memory"};
  }
}

}  // namespace vell::platform
