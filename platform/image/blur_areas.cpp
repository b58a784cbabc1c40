// Many blurred areas on one picture at a cost bounded by the picture's size:
// each area is blurred on a copy of the picture averaged down by a power of
// two chosen from its sigma, so its own work does not grow with the sigma,
// and each pixel of the result is made once, by the last area holding it.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <utility>

#include "platform/image/image.hpp"
#include "platform/image/vips.hpp"

namespace vell::platform {

namespace {

// As in the direct blur: weights below this fraction of the peak are left
// out (about 3.3 standard deviations each side), and beyond this sigma a
// blur is the mean colour of any picture held here.
constexpr double minAmplitude = 0.005;
constexpr double maxSigma = 1e6;
// The blur left to do on the averaged copy, in its pixels, is at least this:
// enough for the bilinear enlargement back to stay within a grey level or
// two of the direct blur.
constexpr double smallestRest = 2.5;

// Premultiplied RGBA, 0..255.
struct Pixel {
  float c[4] = {0, 0, 0, 0};
};

Pixel premultiplied(const std::uint8_t* p) {
  const float alpha = p[3];
  return {{p[0] * alpha / 255.0f, p[1] * alpha / 255.0f, p[2] * alpha / 255.0f, alpha}};
}

Pixel mean(const Pixel* pixels, int count) {
  Pixel sum;
  for (int i = 0; i < count; ++i)
    for (int b = 0; b < 4; ++b)
      sum.c[b] += pixels[i].c[b];
  for (float& value : sum.c)
    value /= static_cast<float>(count);
  return sum;
}

// A line of pixels averaged down by two, level by level: pixel i of level k
// is the mean of the line's pixels i * 2^k .. (i + 1) * 2^k - 1 (those that
// exist).
class LinePyramid {
 public:
  LinePyramid(std::vector<Pixel> line, int levels) {
    levels_.push_back(std::move(line));
    while (static_cast<int>(levels_.size()) <= levels) {
      const std::vector<Pixel>& last = levels_.back();
      std::vector<Pixel> next((last.size() + 1) / 2);
      for (size_t i = 0; i < next.size(); ++i)
        next[i] = mean(&last[2 * i], 2 * i + 1 < last.size() ? 2 : 1);
      levels_.push_back(std::move(next));
    }
  }
  const Pixel& at(int level, int i) const {
    return levels_[static_cast<size_t>(level)][static_cast<size_t>(i)];
  }

 private:
  std::vector<std::vector<Pixel>> levels_;
};

// The picture extended without end by repeating its edge pixels, averaged
// down by 2^k for k up to `levels`: pixel (i, j) of level k is the mean of
// the extended picture's 2^k x 2^k block at (i * 2^k, j * 2^k). Level 0 is
// read from the picture itself; beyond an edge a block holds copies of the
// edge line, so it is that line's own average.
class Pyramid {
 public:
  Pyramid(const Bitmap& source, int levels) : source_(source) {
    std::vector<Pixel> left(static_cast<size_t>(source.height)),
        right(static_cast<size_t>(source.height)), top(static_cast<size_t>(source.width)),
        bottom(static_cast<size_t>(source.width));
    for (int y = 0; y < source.height; ++y) {
      left[static_cast<size_t>(y)] = premultiplied(source.pixel(0, y));
      right[static_cast<size_t>(y)] = premultiplied(source.pixel(source.width - 1, y));
    }
    for (int x = 0; x < source.width; ++x) {
      top[static_cast<size_t>(x)] = premultiplied(source.pixel(x, 0));
      bottom[static_cast<size_t>(x)] = premultiplied(source.pixel(x, source.height - 1));
    }
    left_.emplace(std::move(left), levels);
    right_.emplace(std::move(right), levels);
    top_.emplace(std::move(top), levels);
    bottom_.emplace(std::move(bottom), levels);
    corners_[0] = premultiplied(source.pixel(0, 0));
    corners_[1] = premultiplied(source.pixel(source.width - 1, 0));
    corners_[2] = premultiplied(source.pixel(0, source.height - 1));
    corners_[3] = premultiplied(source.pixel(source.width - 1, source.height - 1));
    widths_.push_back(source.width);
    heights_.push_back(source.height);
    for (int k = 1; k <= levels; ++k) {
      const int w = (widths_.back() + 1) / 2, h = (heights_.back() + 1) / 2;
      std::vector<Pixel> level(static_cast<size_t>(w) * static_cast<size_t>(h));
      for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
          Pixel block[4];
          int count = 0;
          for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
              const int x = 2 * i + dx, y = 2 * j + dy;
              if (x < widths_.back() && y < heights_.back())
                block[count++] = inside(k - 1, x, y);
            }
          level[static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)] =
              mean(block, count);
        }
      levels_.push_back(std::move(level));
      widths_.push_back(w);
      heights_.push_back(h);
    }
  }

  // Pixel (i, j) of level k, anywhere.
  Pixel at(int k, int i, int j) const {
    const int w = widths_[static_cast<size_t>(k)], h = heights_[static_cast<size_t>(k)];
    const bool beforeX = i < 0, afterX = i >= w, beforeY = j < 0, afterY = j >= h;
    if ((beforeX || afterX) && (beforeY || afterY))
      return corners_[(afterX ? 1 : 0) + (afterY ? 2 : 0)];
    if (beforeX)
      return left_->at(k, j);
    if (afterX)
      return right_->at(k, j);
    if (beforeY)
      return top_->at(k, i);
    if (afterY)
      return bottom_->at(k, i);
    return inside(k, i, j);
  }

 private:
  Pixel inside(int k, int i, int j) const {
    if (k == 0)
      return premultiplied(source_.pixel(i, j));
    return levels_[static_cast<size_t>(k - 1)]
                  [static_cast<size_t>(j) * static_cast<size_t>(widths_[static_cast<size_t>(k)]) +
                   static_cast<size_t>(i)];
  }

  const Bitmap& source_;
  std::vector<std::vector<Pixel>> levels_;  // levels 1 and up
  std::vector<int> widths_, heights_;
  std::optional<LinePyramid> left_, right_, top_, bottom_;
  Pixel corners_[4];
};

// The level at which an area of `sigma` is blurred: the largest averaging
// 2^k that leaves at least `smallestRest` of its pixels to blur.
int levelFor(double sigma) {
  int k = 0;
  while (std::ldexp(1.0, k + 1) * smallestRest <= sigma)
    ++k;
  return k;
}

// Where the blur of one area is kept: level-k pixels (i0.., j0..) of the
// blurred, averaged picture.
struct Blurred {
  int k = 0;
  int i0 = 0, j0 = 0, width = 0, height = 0;
  std::vector<Pixel> pixels;
  const Pixel& at(int i, int j) const {
    return pixels[static_cast<size_t>(j - j0) * static_cast<size_t>(width) +
                  static_cast<size_t>(i - i0)];
  }
};

// Level-k coordinate of the centre of pixel `x`: pixel i of level k has its
// centre at i.
double levelCoordinate(int x, int k) {
  return (x + 0.5) / std::ldexp(1.0, k) - 0.5;
}

std::vector<float> gaussian(double sigma) {
  const int radius =
      std::max(1, static_cast<int>(std::ceil(sigma * std::sqrt(-2 * std::log(minAmplitude)))));
  std::vector<float> weights(static_cast<size_t>(2 * radius + 1));
  double sum = 0;
  for (int t = -radius; t <= radius; ++t) {
    const double w = std::exp(-0.5 * t * t / (sigma * sigma));
    weights[static_cast<size_t>(t + radius)] = static_cast<float>(w);
    sum += w;
  }
  for (float& w : weights)
    w = static_cast<float>(w / sum);
  return weights;
}

// The blur of `pyramid`'s picture with `sigma`, on the level-k pixels that
// the source pixels [x0, x1) x [y0, y1) are enlarged back from.
Blurred blurFor(const Pyramid& pyramid, double sigma, int x0, int x1, int y0, int y1) {
  Blurred out;
  out.k = levelFor(sigma);
  const double factor = std::ldexp(1.0, out.k);
  // Averaging blocks of 2^k pixels already blurs by a box of that width.
  const double rest =
      std::sqrt(std::max(sigma * sigma - (factor * factor - 1) / 12.0, 0.0)) / factor;
  out.i0 = static_cast<int>(std::floor(levelCoordinate(x0, out.k)));
  out.j0 = static_cast<int>(std::floor(levelCoordinate(y0, out.k)));
  out.width = static_cast<int>(std::floor(levelCoordinate(x1 - 1, out.k))) + 2 - out.i0;
  out.height = static_cast<int>(std::floor(levelCoordinate(y1 - 1, out.k))) + 2 - out.j0;
  const std::vector<float> weights = gaussian(rest);
  const int radius = static_cast<int>(weights.size() / 2);
  // Across, on every row the pass down needs.
  const int rows = out.height + 2 * radius;
  std::vector<Pixel> across(static_cast<size_t>(rows) * static_cast<size_t>(out.width));
  std::vector<Pixel> line(static_cast<size_t>(out.width + 2 * radius));
  for (int r = 0; r < rows; ++r) {
    const int j = out.j0 - radius + r;
    for (size_t n = 0; n < line.size(); ++n)
      line[n] = pyramid.at(out.k, out.i0 - radius + static_cast<int>(n), j);
    for (int i = 0; i < out.width; ++i) {
      Pixel sum;
      for (size_t t = 0; t < weights.size(); ++t)
        for (int b = 0; b < 4; ++b)
          sum.c[b] += weights[t] * line[static_cast<size_t>(i) + t].c[b];
      across[static_cast<size_t>(r) * static_cast<size_t>(out.width) + static_cast<size_t>(i)] =
          sum;
    }
  }
  out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  for (int r = 0; r < out.height; ++r)
    for (int i = 0; i < out.width; ++i) {
      Pixel sum;
      for (size_t t = 0; t < weights.size(); ++t) {
        const Pixel& p = across[(static_cast<size_t>(r) + t) * static_cast<size_t>(out.width) +
                                static_cast<size_t>(i)];
        for (int b = 0; b < 4; ++b)
          sum.c[b] += weights[t] * p.c[b];
      }
      out.pixels[static_cast<size_t>(r) * static_cast<size_t>(out.width) + static_cast<size_t>(i)] =
          sum;
    }
  return out;
}

std::uint8_t byte(float value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// `blurred` (premultiplied) drawn source-over onto the straight-alpha `d`.
void drawOver(std::uint8_t* d, const Pixel& blurred) {
  const float alpha = std::clamp(blurred.c[3], 0.0f, 255.0f);
  if (alpha >= 254.5f) {
    for (int b = 0; b < 3; ++b)
      d[b] = byte(blurred.c[b] * 255.0f / alpha);
    d[3] = 255;
    return;
  }
  const Pixel below = premultiplied(d);
  const float keep = 1.0f - alpha / 255.0f;
  const float outAlpha = alpha + below.c[3] * keep;
  if (outAlpha <= 0.0f) {
    std::memset(d, 0, 4);
    return;
  }
  for (int b = 0; b < 3; ++b)
    d[b] = byte((blurred.c[b] + below.c[b] * keep) * 255.0f / outAlpha);
  d[3] = byte(outAlpha);
}

// The areas clipped to the canvas, in canvas pixels [x0, x1) x [y0, y1).
struct Span {
  int x0, x1, y0, y1;
  double sigma;
};

// Calls `run(area, y, x0, x1)` for every run of a canvas row that an area
// holds last, row by row. Areas are taken from the last, each claiming only
// pixels no later area holds: the work is the canvas's width per row plus
// the rows of the areas, whatever their overlaps.
template <typename Run>
void forEachOwnedRun(const std::vector<Span>& spans, int width, int height, Run&& run) {
  std::vector<std::vector<int>> starting(static_cast<size_t>(height)),
      ending(static_cast<size_t>(height));
  for (size_t a = 0; a < spans.size(); ++a) {
    starting[static_cast<size_t>(spans[a].y0)].push_back(static_cast<int>(a));
    if (spans[a].y1 < height)
      ending[static_cast<size_t>(spans[a].y1)].push_back(static_cast<int>(a));
  }
  std::set<int> active;
  std::vector<int> next(static_cast<size_t>(width) + 1);
  const auto find = [&next](int x) {
    int root = x;
    while (next[static_cast<size_t>(root)] != root)
      root = next[static_cast<size_t>(root)];
    while (next[static_cast<size_t>(x)] != root)
      x = std::exchange(next[static_cast<size_t>(x)], root);
    return root;
  };
  for (int y = 0; y < height; ++y) {
    for (int a : ending[static_cast<size_t>(y)])
      active.erase(a);
    for (int a : starting[static_cast<size_t>(y)])
      active.insert(a);
    if (active.empty())
      continue;
    for (int x = 0; x <= width; ++x)
      next[static_cast<size_t>(x)] = x;
    for (auto it = active.rbegin(); it != active.rend(); ++it) {
      const Span& s = spans[static_cast<size_t>(*it)];
      for (int x = find(s.x0); x < s.x1;) {
        int end = x;
        while (end < s.x1 && next[static_cast<size_t>(end)] == end) {
          next[static_cast<size_t>(end)] = end + 1;
          ++end;
        }
        run(*it, y, x, end);
        x = find(end);
      }
    }
  }
}

}  // namespace

Result<Bitmap> blurAreas(const Bitmap& source, PixelRect canvas, std::span<const BlurArea> areas) {
  const char* what = "blur failed";
  if (source.empty())
    return Error{std::string(what) + ": empty picture"};
  if (Status size = vips_glue::checkSize(what, canvas.width, canvas.height); !size)
    return size.error();
  std::vector<Span> spans;
  for (const BlurArea& area : areas) {
    if (!(std::isfinite(area.sigma) && area.sigma > 0))
      return Error{std::string(what) + ": the blur radius must be positive"};
    if (area.sigma > maxSigma)
      return Error{std::string(what) + ": the blur radius is too large"};
    const long long x0 = std::max<long long>(area.rect.x, canvas.x);
    const long long y0 = std::max<long long>(area.rect.y, canvas.y);
    const long long x1 = std::min<long long>(static_cast<long long>(area.rect.x) + area.rect.width,
                                             static_cast<long long>(canvas.x) + canvas.width);
    const long long y1 = std::min<long long>(static_cast<long long>(area.rect.y) + area.rect.height,
                                             static_cast<long long>(canvas.y) + canvas.height);
    if (x0 < x1 && y0 < y1)
      spans.push_back({static_cast<int>(x0 - canvas.x), static_cast<int>(x1 - canvas.x),
                       static_cast<int>(y0 - canvas.y), static_cast<int>(y1 - canvas.y),
                       area.sigma});
  }
  try {
    Bitmap out{canvas.width, canvas.height, {}};
    out.rgba.assign(static_cast<size_t>(canvas.width) * static_cast<size_t>(canvas.height) * 4, 0);
    // The source where it lies on the canvas.
    const long long left = std::max<long long>(0, canvas.x);
    const long long right =
        std::min<long long>(source.width, static_cast<long long>(canvas.x) + canvas.width);
    const long long top = std::max<long long>(0, canvas.y);
    const long long bottom =
        std::min<long long>(source.height, static_cast<long long>(canvas.y) + canvas.height);
    for (long long y = top; y < bottom && left < right; ++y)
      std::memcpy(out.pixel(static_cast<int>(left - canvas.x), static_cast<int>(y - canvas.y)),
                  source.pixel(static_cast<int>(left), static_cast<int>(y)),
                  static_cast<size_t>(right - left) * 4);
    if (spans.empty())
      return out;

    // What each area shows: the bounding box of the pixels it holds last.
    struct Box {
      int x0 = std::numeric_limits<int>::max(), x1 = std::numeric_limits<int>::min();
      int y0 = std::numeric_limits<int>::max(), y1 = std::numeric_limits<int>::min();
    };
    std::vector<Box> shown(spans.size());
    forEachOwnedRun(spans, canvas.width, canvas.height, [&](int a, int y, int x0, int x1) {
      Box& box = shown[static_cast<size_t>(a)];
      box = {std::min(box.x0, x0), std::max(box.x1, x1), std::min(box.y0, y),
             std::max(box.y1, y + 1)};
    });
    int levels = 0;
    for (size_t a = 0; a < spans.size(); ++a)
      if (shown[a].x0 < shown[a].x1)
        levels = std::max(levels, levelFor(spans[a].sigma));
    const Pyramid pyramid(source, levels);
    std::vector<Blurred> blurred(spans.size());
    for (size_t a = 0; a < spans.size(); ++a)
      if (shown[a].x0 < shown[a].x1)
        blurred[a] =
            blurFor(pyramid, spans[a].sigma, shown[a].x0 + canvas.x, shown[a].x1 + canvas.x,
                    shown[a].y0 + canvas.y, shown[a].y1 + canvas.y);

    // Each pixel enlarged back from its area's blur, bilinearly.
    forEachOwnedRun(spans, canvas.width, canvas.height, [&](int a, int y, int x0, int x1) {
      const Blurred& b = blurred[static_cast<size_t>(a)];
      const double v = levelCoordinate(y + canvas.y, b.k);
      const int j = static_cast<int>(std::floor(v));
      const float fy = static_cast<float>(v - j);
      for (int x = x0; x < x1; ++x) {
        const double u = levelCoordinate(x + canvas.x, b.k);
        const int i = static_cast<int>(std::floor(u));
        const float fx = static_cast<float>(u - i);
        const Pixel &p00 = b.at(i, j), &p10 = b.at(i + 1, j), &p01 = b.at(i, j + 1),
                    &p11 = b.at(i + 1, j + 1);
        Pixel p;
        for (int c = 0; c < 4; ++c)
          p.c[c] = (1 - fy) * ((1 - fx) * p00.c[c] + fx * p10.c[c]) +
                   fy * ((1 - fx) * p01.c[c] + fx * p11.c[c]);
        drawOver(out.pixel(x, y), p);
      }
    });
    return out;
  } catch (const std::bad_alloc&) {
    return Error{std::string(what) + ": out of memory"};
  }
}

}  // namespace vell::platform
