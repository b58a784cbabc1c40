#include "place/list_file.hpp"

#include "common/regular_file.hpp"

namespace vell::place {

std::optional<std::string> readListFile(const std::string& path) {
  auto bytes = readRegularFile<std::string>(path, maxListBytes);
  if (!bytes || !isValidUtf8(*bytes))
    return std::nullopt;
  return std::move(*bytes);
}

std::vector<Job> parseList(std::string_view text) {
  std::vector<Job> jobs;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos)
      end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    // A CR LF list from another system must not merge into one bogus line.
    if (!line.empty() && line.back() == '\r' && end < text.size())
      line.remove_suffix(1);
    size_t keyStart = line.find_first_not_of('\t');
    if (keyStart == std::string_view::npos)
      continue;
    size_t tab = line.find('\t', keyStart);
    if (tab == std::string_view::npos || tab + 1 == line.size())
      continue;
    const std::string_view key = line.substr(keyStart, tab - keyStart);
    const std::string_view path = line.substr(tab + 1);
    if (key.size() > maxKeyBytes)
      continue;
    jobs.push_back({std::string(key), path.size() > maxPathBytes ? "" : std::string(path)});
  }
  return jobs;
}

bool isValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    auto byte = static_cast<unsigned char>(bytes[i]);
    int length;
    char32_t value, smallest;
    if (byte < 0x80) {
      ++i;
      continue;
    } else if ((byte & 0xE0) == 0xC0) {
      length = 2, value = byte & 0x1F, smallest = 0x80;
    } else if ((byte & 0xF0) == 0xE0) {
      length = 3, value = byte & 0x0F, smallest = 0x800;
    } else if ((byte & 0xF8) == 0xF0) {
      length = 4, value = byte & 0x07, smallest = 0x10000;
    } else {
      return false;
    }
    if (i + length > bytes.size())
      return false;
    for (int k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80)
        return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

}  // namespace vell::place
