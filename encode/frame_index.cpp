#include "encode/frame_index.hpp"

#include <nlohmann/json.hpp>

#include "common/json_numbers.hpp"
#include "common/regular_file.hpp"

namespace vell::encode {

namespace {

std::optional<double> timeOf(const nlohmann::json& item) {
  if (item.is_boolean())
    return item.get<bool>() ? 1.0 : 0.0;
  if (item.is_number())
    return item.get<double>();
  return std::nullopt;
}

// Far larger than any index of pictures.
constexpr std::int64_t maxIndexBytes = std::int64_t{1} << 30;

}  // namespace

std::optional<std::vector<FrameEntry>> parseIndex(std::string_view text) {
  auto index = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  // A time beyond a double's range is still a number: as late as can be.
  if (index.is_discarded())
    index = nlohmann::json::parse(boundHugeNumbers(text), nullptr, false);
  if (!index.is_array() || index.empty())
    return std::nullopt;
  for (const auto& element : index)
    if (!element.is_array())
      return std::nullopt;

  std::vector<FrameEntry> frames;
  for (const auto& element : index) {
    if (element.size() < 2 || !element[0].is_string())
      continue;
    auto time = timeOf(element[1]);
    if (!time)
      continue;
    frames.push_back({element[0].get<std::string>(), *time});
  }
  if (frames.empty())
    return std::nullopt;
  return frames;
}

std::optional<std::vector<FrameEntry>> readIndex(const std::filesystem::path& dir) {
  auto text = readRegularFile<std::string>((dir / "index.json").string(), maxIndexBytes);
  if (!text)
    return std::nullopt;
  return parseIndex(*text);
}

}  // namespace vell::encode
