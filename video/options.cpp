#include "video/options.hpp"

#include <algorithm>

#include "common/numbers.hpp"

namespace vell::video {

std::optional<std::string> opt(std::vector<std::string>& args, const std::string& name) {
  auto found = std::find(args.begin(), args.end(), name);
  if (found == args.end() || found + 1 == args.end())
    return std::nullopt;
  std::string value = *(found + 1);
  args.erase(found, found + 2);
  return value;
}

double secondsOr(const std::optional<std::string>& value, double fallback) {
  if (!value)
    return fallback;
  return parseDouble(*value).value_or(fallback);
}

std::int64_t integerOr(const std::optional<std::string>& value, std::int64_t fallback) {
  if (!value)
    return fallback;
  return parseInt64(*value).value_or(fallback);
}

}  // namespace vell::video
