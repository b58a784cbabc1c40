#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vell::cover {

// The command line after the scan: options with their values, stand-alone
// flags, and positional arguments in order.
struct CommandLine {
  std::map<std::string, std::string> opts;
  std::set<std::string> flags;
  std::vector<std::string> pos;

  // The value given to option `name` (with its "--"), if any.
  std::optional<std::string> option(std::string_view name) const;
  bool analyze() const;
};

// Scans `args` (without the program name). Any argument starting with "--"
// that has a successor takes it as its value, whatever it looks like; only
// "--analyze" stands alone. An option name in last place is positional.
CommandLine scanArguments(const std::vector<std::string>& args);

// Whether the positional arguments suffice: the input always, and the output
// too unless analysing only.
bool enoughPositionals(const CommandLine& commandLine);

// The run settings read from the options; malformed values fall back to the
// defaults without a message.
struct Settings {
  std::vector<std::int64_t> wh;
  std::int64_t OW = 2400;
  std::int64_t OH = 1500;
  double aspect = 1.6;
  double quality = 0.9;
  std::int64_t maxBytes = 1100000;
  double maxZoom = 1.35;
};

Settings readSettings(const CommandLine& commandLine);

// `text` split at every `separator`, empty pieces dropped.
std::vector<std::string_view> piecesOf(std::string_view text, char separator);

// The floating-point numbers among the pieces of `text` split at `separator`;
// pieces that are not numbers are dropped.
std::vector<double> numbersIn(std::string_view text, char separator);

}  // namespace vell::cover
