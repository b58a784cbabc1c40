#include "cover/settings.hpp"

#include <algorithm>
#include <cmath>

#include "common/numbers.hpp"

namespace vell::cover {

namespace {

constexpr std::string_view analyzeFlag = "--analyze";
constexpr std::int64_t defaultWidth = 2400;
constexpr std::int64_t defaultHeight = 1500;
constexpr std::int64_t minimumWidth = 64;
constexpr std::int64_t minimumHeight = 40;
constexpr double defaultQuality = 0.9;
constexpr std::int64_t defaultMaxBytes = 1100000;
constexpr double defaultZoom = 1.35;

bool startsWithDashes(const std::string& argument) {
  return argument.size() >= 2 && argument[0] == '-' && argument[1] == '-';
}

}  // namespace

std::optional<std::string> CommandLine::option(std::string_view name) const {
  auto found = opts.find(std::string(name));
  if (found == opts.end())
    return std::nullopt;
  return found->second;
}

bool CommandLine::analyze() const {
  return flags.count(std::string(analyzeFlag)) > 0;
}

CommandLine scanArguments(const std::vector<std::string>& args) {
  CommandLine scanned;
  const auto count = static_cast<std::int64_t>(args.size());
  for (std::int64_t i = 0; i < count; ++i) {
    const std::string& a = args[static_cast<size_t>(i)];
    if (a == analyzeFlag) {
      scanned.flags.insert(a);
    } else if (startsWithDashes(a) && i + 1 < count) {
      scanned.opts[a] = args[static_cast<size_t>(i + 1)];
      ++i;
    } else {
      scanned.pos.push_back(a);
    }
  }
  return scanned;
}

bool enoughPositionals(const CommandLine& commandLine) {
  if (commandLine.pos.empty())
    return false;
  return commandLine.analyze() || commandLine.pos.size() >= 2;
}

std::vector<std::string_view> piecesOf(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos)
      end = text.size();
    if (end > start)
      pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

std::vector<double> numbersIn(std::string_view text, char separator) {
  std::vector<double> numbers;
  for (std::string_view piece : piecesOf(text, separator))
    if (auto number = parseDouble(piece))
      numbers.push_back(*number);
  return numbers;
}

Settings readSettings(const CommandLine& commandLine) {
  Settings settings;
  if (auto size = commandLine.option("--size")) {
    for (std::string_view piece : piecesOf(*size, 'x'))
      if (auto number = parseInt64(piece))
        settings.wh.push_back(*number);
  }
  if (settings.wh.size() == 2) {
    settings.OW = std::max(settings.wh[0], minimumWidth);
    settings.OH = std::max(settings.wh[1], minimumHeight);
  } else {
    settings.OW = defaultWidth;
    settings.OH = defaultHeight;
  }
  settings.aspect = static_cast<double>(settings.OW) / static_cast<double>(settings.OH);

  settings.quality = defaultQuality;
  if (auto text = commandLine.option("--quality"))
    settings.quality = parseDouble(*text).value_or(defaultQuality);

  settings.maxBytes = defaultMaxBytes;
  if (auto text = commandLine.option("--max-bytes"))
    settings.maxBytes = parseInt64(*text).value_or(defaultMaxBytes);

  double zoom = defaultZoom;
  if (auto text = commandLine.option("--zoom"))
    zoom = parseDouble(*text).value_or(defaultZoom);
  // NaN compares false, so it falls to the floor with everything below 1.
  settings.maxZoom = zoom >= 1.0 ? zoom : 1.0;
  return settings;
}

}  // namespace vell::cover
