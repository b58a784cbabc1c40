#include "place/feature_print.hpp"

#include <algorithm>
#include <cmath>

namespace vell::place {

namespace {

template <typename Real>
std::vector<std::int8_t> quantiseIn(std::span<const Real> values, Real floor) {
  Real m = floor;
  for (Real v : values)
    m = std::max(m, std::abs(v));
  std::vector<std::int8_t> bytes;
  bytes.reserve(values.size());
  for (Real v : values) {
    Real q = std::round(v / m * Real(127));
    // NaN elements would make the cast undefined; they carry no direction.
    if (std::isnan(q))
      q = 0;
    bytes.push_back(std::int8_t(std::clamp(q, Real(-127), Real(127))));
  }
  return bytes;
}

}  // namespace

std::vector<std::int8_t> quantise(std::span<const float> values) {
  return quantiseIn<float>(values, 1e-6f);
}

std::vector<std::int8_t> quantise(std::span<const double> values) {
  return quantiseIn<double>(values, 1e-9);
}

std::string base64(std::span<const std::uint8_t> bytes) {
  static constexpr char alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    std::uint32_t triple = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6)
      text += alphabet[(triple >> shift) & 0x3F];
  }
  size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t triple = bytes[i] << 16;
    if (rest == 2)
      triple |= bytes[i + 1] << 8;
    text += alphabet[(triple >> 18) & 0x3F];
    text += alphabet[(triple >> 12) & 0x3F];
    text += rest == 2 ? alphabet[(triple >> 6) & 0x3F] : '=';
    text += '=';
  }
  return text;
}

std::string quantisedFeaturePrint(std::span<const float> values) {
  auto bytes = quantise(values);
  return base64({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

}  // namespace vell::place
