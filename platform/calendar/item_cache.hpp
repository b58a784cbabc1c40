#pragma once

// Parsed items of calendar folders, kept for the life of the store and
// re-read only when a file's size or modification time changes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/calendar/item.hpp"

namespace vell {

class ItemCache {
 public:
  // The items of calendar folder `folder`: its regular files named `*.ics`
  // (not hidden, not symbolic links, at most `maxItemBytes`). A folder that
  // cannot be read gives none. `interrupted` is asked before each item is
  // read: once it answers true, nothing is given (what was read is kept).
  std::optional<std::vector<std::shared_ptr<const calendar_item::Item>>> items(
      const std::filesystem::path& folder, const std::function<bool()>& interrupted);

  // Items parsed since the cache was made; for tests of the caching itself.
  std::int64_t parses() const { return parses_; }

  static constexpr std::int64_t maxItemBytes = 8 << 20;

 private:
  struct Entry {
    std::int64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::shared_ptr<const calendar_item::Item> item;
  };
  using Folder = std::unordered_map<std::string, Entry>;

  std::unordered_map<std::string, Folder> folders_;
  std::int64_t parses_ = 0;
};

}  // namespace vell
