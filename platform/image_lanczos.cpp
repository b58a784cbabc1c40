#include "platform/image_lanczos.hpp"

#include <algorithm>
#include <cmath>
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

// Resamples the rows of `in` (w x h, 4 floats a pixel) to `width` samples.
std::vector<float> across(const std::vector<float>& in, int w, int h, int width) {
  const std::vector<Taps> taps = tapsFor(w, width);
  std::vector<float> out(static_cast<size_t>(width) * h * 4);
  for (int y = 0; y < h; ++y) {
    const float* row = in.data() + static_cast<size_t>(y) * w * 4;
    float* target = out.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      const Taps& t = taps[x];
      for (size_t k = 0; k < t.index.size(); ++k) {
        const float* p = row + static_cast<size_t>(t.index[k]) * 4;
        for (int c = 0; c < 4; ++c)
          sum[c] += p[c] * t.weight[k];
      }
      std::copy(sum, sum + 4, target + static_cast<size_t>(x) * 4);
    }
  }
  return out;
}

// Resamples the columns of `in` (w x h, 4 floats a pixel) to `height`
// samples, a whole row at a time.
std::vector<float> down(const std::vector<float>& in, int w, int h, int height) {
  const std::vector<Taps> taps = tapsFor(h, height);
  const size_t rowLength = static_cast<size_t>(w) * 4;
  std::vector<float> out(rowLength * height, 0.0f);
  for (int y = 0; y < height; ++y) {
    float* target = out.data() + rowLength * y;
    const Taps& t = taps[y];
    for (size_t k = 0; k < t.index.size(); ++k) {
      const float* row = in.data() + rowLength * t.index[k];
      const float weight = t.weight[k];
      for (size_t i = 0; i < rowLength; ++i)
        target[i] += row[i] * weight;
    }
  }
  return out;
}

}  // namespace

Bitmap resample(const Bitmap& bitmap, int width, int height) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  // Premultiplied floats, so transparent pixels lend no colour.
  std::vector<float> pixels(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    const float alpha = bitmap.rgba[i + 3] / 255.0f;
    for (int c = 0; c < 3; ++c)
      pixels[i + c] = bitmap.rgba[i + c] * alpha;
    pixels[i + 3] = bitmap.rgba[i + 3];
  }
  // The order whose intermediate picture is smaller: a long thin picture
  // must not grow a huge one on the way.
  if (static_cast<long long>(width) * h <= static_cast<long long>(w) * height) {
    pixels = across(pixels, w, h, width);
    pixels = down(pixels, width, h, height);
  } else {
    pixels = down(pixels, w, h, height);
    pixels = across(pixels, w, height, width);
  }

  Bitmap result;
  result.width = width;
  result.height = height;
  result.rgba.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < result.rgba.size(); i += 4) {
    const float* p = pixels.data() + i;
    const float alpha = std::clamp(p[3], 0.0f, 255.0f);
    for (int c = 0; c < 3; ++c) {
      const float value = alpha > 0 ? p[c] * 255.0f / alpha : 0.0f;
      result.rgba[i + c] = static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 255.0f)));
    }
    result.rgba[i + 3] = static_cast<std::uint8_t>(std::lround(alpha));
  }
  return result;
}

}  // namespace vell::platform::lanczos
