#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vell::video {

// The value of option `name`: finds the first argument equal to `name`; if
// it has a successor, removes both from `args` and returns the successor
// (whatever it looks like); otherwise returns nothing and leaves `args` as
// it is.
std::optional<std::string> opt(std::vector<std::string>& args, const std::string& name);

// Option values: a number that does not read gives the default.
double secondsOr(const std::optional<std::string>& value, double fallback);
std::int64_t integerOr(const std::optional<std::string>& value, std::int64_t fallback);

}  // namespace vell::video
