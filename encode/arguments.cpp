#include "encode/arguments.hpp"

#include <cmath>

#include "common/numbers.hpp"

namespace vell::encode {

namespace {

// A day of video is far beyond any slideshow the parent makes, and keeps the
// frame count well inside 64 bits.
constexpr double kLongestTotal = 24.0 * 60 * 60;

double readTotal(const std::string& text, double fallback) {
  auto value = parseDouble(text);
  if (!value || !std::isfinite(*value) || *value < 0 || *value > kLongestTotal)
    return fallback;
  return *value;
}

std::int64_t readInteger(std::span<const std::string> args, size_t index, std::int64_t fallback) {
  if (index >= args.size())
    return fallback;
  return parseInt64(args[index]).value_or(fallback);
}

}  // namespace

std::optional<Arguments> readArguments(std::span<const std::string> args) {
  if (args.size() < 3)
    return std::nullopt;
  Arguments arguments;
  arguments.dir = args[0];
  arguments.out = args[1];
  arguments.total = readTotal(args[2], arguments.total);
  arguments.W = readInteger(args, 3, arguments.W);
  arguments.H = readInteger(args, 4, arguments.H);
  arguments.rate = readInteger(args, 5, arguments.rate);
  return arguments;
}

}  // namespace vell::encode
