#include "platform/image/lanczos.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace vell::platform::lanczos {

namespace {

constexpr double lobes = 3.0;

double kernel(double x) {
  x = std::abs(x);
  if (x < 1e-9)
    return 1.0;
  if (x >= lobes)
    return 0.0;
  const double px = std::numbers::pi * x;
  return lobes * std::sin(px) * std::sin(px / lobes) / (px * px);
}

// The source samples and weights of one output sample.
struct Taps {
  std::vector<int> index;
  std::vector<float> weight;
};

// Pixel centres are aligned: output sample o sits at source position
// (o + 0.5) / scale - 0.5. Taps beyond the edges read the edge sample.
std::vector<Taps> tapsFor(int in, int out) {
  const double scale = static_cast<double>(out) / in;
  const double stretch = std::max(1.0, 1.0 / scale);
  const double support = lobes * stretch;
  std::vector<Taps> taps(out);
  for (int o = 0; o < out; ++o) {
    const double centre = (o + 0.5) / scale - 0.5;
    const int first = static_cast<int>(std::floor(centre - support)) + 1;
    const int last = static_cast<int>(std::floor(centre + support));
    double sum = 0;
    std::vector<double> weights;
    for (int i = first; i <= last; ++i) {
      const double weight = kernel((i - centre) / stretch);
      weights.push_back(weight);
      sum += weight;
    }
    Taps& t = taps[o];
    for (int i = first; i <= last; ++i) {
      const double weight = weights[i - first] / sum;
      if (weight == 0)
        continue;
      t.index.push_back(std::clamp(i, 0, in - 1));
      t.weight.push_back(static_cast<float>(weight));
    }
  }
  return taps;
}

// A plane of premultiplied RGBA floats, left uninitialised: every element
// is written before it is read, and zero-filling tens of megabytes costs
// more than the filtering.
using Plane = std::unique_ptr<float[]>;

Plane makePlane(size_t pixels) {
  return Plane(new float[pixels * 4]);
}

// One row of `width` samples from a row of `in` samples, through `taps`.
void filterRow(const float* in, const std::vector<Taps>& taps, int width, float* out) {
  for (int x = 0; x < width; ++x) {
    float sum[4] = {0, 0, 0, 0};
    const Taps& t = taps[x];
    for (size_t k = 0; k < t.index.size(); ++k) {
      const float* p = in + static_cast<size_t>(t.index[k]) * 4;
      for (int c = 0; c < 4; ++c)
        sum[c] += p[c] * t.weight[k];
    }
    std::copy(sum, sum + 4, out + static_cast<size_t>(x) * 4);
  }
}

// One row of the vertical pass: the rows of `plane` (`length` floats each)
// named by `taps`, weighted and summed into `out`.
void combineRows(const float* plane, size_t length, const Taps& taps, float* out) {
  std::fill(out, out + length, 0.0f);
  for (size_t k = 0; k < taps.index.size(); ++k) {
    const float* row = plane + length * taps.index[k];
    const float weight = taps.weight[k];
    for (size_t i = 0; i < length; ++i)
      out[i] += row[i] * weight;
  }
}

// Unpremultiplies one row of floats into bytes.
void storeRow(const float* line, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    const float* p = line + static_cast<size_t>(x) * 4;
    const float alpha = std::clamp(p[3], 0.0f, 255.0f);
    for (int c = 0; c < 3; ++c) {
      const float value = alpha > 0 ? p[c] * 255.0f / alpha : 0.0f;
      out[x * 4 + c] = static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
    }
    out[x * 4 + 3] = static_cast<std::uint8_t>(alpha + 0.5f);
  }
}

}  // namespace

Bitmap resample(const Bitmap& bitmap, int width, int height) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  // Premultiplied floats, so transparent pixels lend no colour.
  const Plane source = makePlane(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < static_cast<size_t>(w) * h * 4; i += 4) {
    const float alpha = bitmap.rgba[i + 3] / 255.0f;
    for (int c = 0; c < 3; ++c)
      source[i + c] = bitmap.rgba[i + c] * alpha;
    source[i + 3] = bitmap.rgba[i + 3];
  }
  const std::vector<Taps> across = tapsFor(w, width);
  const std::vector<Taps> down = tapsFor(h, height);

  Bitmap result;
  result.width = width;
  result.height = height;
  result.rgba.resize(static_cast<size_t>(width) * height * 4);
  // Columns first when that is less work: each output row is then made
  // from a few source rows and needs no plane in between. Otherwise the
  // rows are resampled into a plane of `width` x `h` first.
  const double downFirst = static_cast<double>(height) * w * down[0].index.size() +
                           static_cast<double>(height) * width * across[0].index.size();
  const double acrossFirst = static_cast<double>(h) * width * across[0].index.size() +
                             static_cast<double>(height) * width * down[0].index.size();
  std::vector<float> line(static_cast<size_t>(std::max(w, width)) * 4);
  if (downFirst <= acrossFirst) {
    std::vector<float> wide(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
      combineRows(source.get(), static_cast<size_t>(w) * 4, down[y], line.data());
      filterRow(line.data(), across, width, wide.data());
      storeRow(wide.data(), width, result.pixel(0, y));
    }
  } else {
    const Plane rows = makePlane(static_cast<size_t>(width) * h);
    for (int y = 0; y < h; ++y)
      filterRow(source.get() + static_cast<size_t>(y) * w * 4, across, width,
                rows.get() + static_cast<size_t>(y) * width * 4);
    for (int y = 0; y < height; ++y) {
      combineRows(rows.get(), static_cast<size_t>(width) * 4, down[y], line.data());
      storeRow(line.data(), width, result.pixel(0, y));
    }
  }
  return result;
}

}  // namespace vell::platform::lanczos
