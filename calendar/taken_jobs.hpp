#pragma once

// Job files that were carried out but could not be deleted, so that they are
// never carried out again (a "create" job would otherwise make an event
// every second).

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace vell::calendar {

class TakenJobs {
 public:
  // Remembers the file at `path`, listed as `name`, as it is now. A file that
  // no longer exists needs no remembering.
  void remember(const std::string& name, const std::string& path);

  // Whether the file at `path` is the very file remembered under `name`
  // (same inode, size and modification time: a rewritten job is a new one).
  bool holds(const std::string& name, const std::string& path) const;

  // Forgets names that are no longer listed, so memory stays bounded.
  void keepOnly(const std::set<std::string>& listed);

  std::size_t size() const { return files_.size(); }

 private:
  struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;
    bool operator==(const Identity&) const = default;
  };
  static bool identify(const std::string& path, Identity& identity);

  std::map<std::string, Identity> files_;
};

}  // namespace vell::calendar
