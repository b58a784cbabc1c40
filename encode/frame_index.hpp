#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell::encode {

// A picture's file name (relative to `dir`) and the moment it is due, in
// seconds from any origin.
struct FrameEntry {
  std::string name;
  double time = 0;

  bool operator==(const FrameEntry&) const = default;
};

// Parses the text of an index: a JSON array whose every element is an array.
// An element whose first item is a string and second item a number (true and
// false count as 1 and 0) gives an entry; other elements are skipped.
// Returns nothing when the text is not such an array, is empty, or gives no
// entry at all.
std::optional<std::vector<FrameEntry>> parseIndex(std::string_view text);

// Reads and parses `dir`/index.json; nothing when it cannot be read or
// parseIndex refuses it.
std::optional<std::vector<FrameEntry>> readIndex(const std::filesystem::path& dir);

}  // namespace vell::encode
