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

}  // namespace

Bitmap resample(const Bitmap& bitmap, int width, int height) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  // Premultiplied floats, so transparent pixels lend no colour.
  std::vector<float> source(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < source.size(); i += 4) {
    const float alpha = bitmap.rgba[i + 3] / 255.0f;
    for (int c = 0; c < 3; ++c)
      source[i + c] = bitmap.rgba[i + c] * alpha;
    source[i + 3] = bitmap.rgba[i + 3];
  }

  const std::vector<Taps> across = tapsFor(w, width);
  std::vector<float> rows(static_cast<size_t>(width) * h * 4);
  for (int y = 0; y < h; ++y) {
    const float* in = source.data() + static_cast<size_t>(y) * w * 4;
    float* out = rows.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      const Taps& t = across[x];
      for (size_t k = 0; k < t.index.size(); ++k) {
        const float* p = in + static_cast<size_t>(t.index[k]) * 4;
        for (int c = 0; c < 4; ++c)
          sum[c] += p[c] * t.weight[k];
      }
      std::copy(sum, sum + 4, out + static_cast<size_t>(x) * 4);
    }
  }
  source = {};

  const std::vector<Taps> down = tapsFor(h, height);
  Bitmap result;
  result.width = width;
  result.height = height;
  result.rgba.resize(static_cast<size_t>(width) * height * 4);
  std::vector<float> line(static_cast<size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    std::fill(line.begin(), line.end(), 0.0f);
    const Taps& t = down[y];
    for (size_t k = 0; k < t.index.size(); ++k) {
      const float* in = rows.data() + static_cast<size_t>(t.index[k]) * width * 4;
      const float weight = t.weight[k];
      for (size_t i = 0; i < line.size(); ++i)
        line[i] += in[i] * weight;
    }
    std::uint8_t* out = result.rgba.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      const float* p = line.data() + static_cast<size_t>(x) * 4;
      const float alpha = std::clamp(p[3], 0.0f, 255.0f);
      for (int c = 0; c < 3; ++c) {
        const float value = alpha > 0 ? p[c] * 255.0f / alpha : 0.0f;
        out[x * 4 + c] = static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 255.0f)));
      }
      out[x * 4 + 3] = static_cast<std::uint8_t>(std::lround(alpha));
    }
  }
  return result;
}

}  // namespace vell::platform::lanczos
