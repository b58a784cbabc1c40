#include "encode/frame_index.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <nlohmann/json.hpp>

namespace vell::encode {

namespace {

std::optional<double> timeOf(const nlohmann::json& item) {
  if (item.is_boolean())
    return item.get<bool>() ? 1.0 : 0.0;
  if (item.is_number())
    return item.get<double>();
  return std::nullopt;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
  // Plain system calls: a folder opens fine and fails only on reading, which
  // streams report by throwing.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  std::string text;
  char chunk[65536];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0) {
      ::close(fd);
      if (got < 0)
        return std::nullopt;
      return text;
    }
    text.append(chunk, static_cast<size_t>(got));
  }
}

}  // namespace

std::optional<std::vector<FrameEntry>> parseIndex(std::string_view text) {
  auto index = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
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
  auto text = readWholeFile(dir / "index.json");
  if (!text)
    return std::nullopt;
  return parseIndex(*text);
}

}  // namespace vell::encode
