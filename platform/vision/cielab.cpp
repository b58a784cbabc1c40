#include "platform/vision/cielab.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace vell::platform::vision {

namespace {

// Tables sampled finely enough that linear interpolation between samples
// is off by less than a thousandth of a CIELAB unit.
constexpr int tableSize = 4096;

// A function sampled over [0, top], read with linear interpolation.
class Sampled {
 public:
  template <typename F>
  Sampled(double top, F f) : top_(top) {
    for (int i = 0; i < tableSize; ++i)
      values_[static_cast<size_t>(i)] = static_cast<float>(f(top * i / (tableSize - 1)));
  }
  float operator()(float x) const {
    float at = std::clamp(x / static_cast<float>(top_), 0.0f, 1.0f) * (tableSize - 1);
    int i = std::min(static_cast<int>(at), tableSize - 2);
    float t = at - static_cast<float>(i);
    return values_[static_cast<size_t>(i)] * (1 - t) + values_[static_cast<size_t>(i) + 1] * t;
  }

 private:
  double top_;
  std::array<float, tableSize> values_{};
};

constexpr double labEpsilon = 0.008856;

double linearOf(double v) {
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// f(t) of the CIELAB definition; its straight part starts below labEpsilon.
double labF(double t) {
  return t > labEpsilon ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0;
}

}  // namespace

cv::Mat3f cielabOf(const cv::Mat3f& rgb) {
  // Built on first use; a static local's construction is thread-safe.
  static const Sampled linear(1.0, linearOf);
  // X, Y and Z relative to the white point stay within 0..1 for colours
  // inside the sRGB gamut; a little headroom for rounding.
  static const Sampled f(1.05, labF);
  constexpr float Xn = 0.950456f, Zn = 1.088754f;
  cv::Mat3f lab(rgb.size());
  for (int y = 0; y < rgb.rows; ++y)
    for (int x = 0; x < rgb.cols; ++x) {
      const cv::Vec3f& p = rgb(y, x);
      const float r = linear(p[0]), g = linear(p[1]), b = linear(p[2]);
      const float X = (0.412453f * r + 0.357580f * g + 0.180423f * b) / Xn;
      const float Y = 0.212671f * r + 0.715160f * g + 0.072169f * b;
      const float Z = (0.019334f * r + 0.119193f * g + 0.950227f * b) / Zn;
      const float fx = f(X), fy = f(Y), fz = f(Z);
      lab(y, x) = {116.0f * fy - 16.0f, 500.0f * (fx - fy), 200.0f * (fy - fz)};
    }
  return lab;
}

}  // namespace vell::platform::vision
