#include "calendar/taken_jobs.hpp"

#include <sys/stat.h>

namespace vell::calendar {

bool TakenJobs::identify(const std::string& path, Identity& identity) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0)
    return false;
  identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
              static_cast<std::int64_t>(status.st_size),
              std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec};
  return true;
}

void TakenJobs::remember(const std::string& name, const std::string& path) {
  Identity identity;
  if (identify(path, identity))
    files_[name] = identity;
}

bool TakenJobs::holds(const std::string& name, const std::string& path) const {
  auto known = files_.find(name);
  Identity identity;
  return known != files_.end() && identify(path, identity) && identity == known->second;
}

void TakenJobs::keepOnly(const std::set<std::string>& listed) {
  std::erase_if(files_, [&](const auto& entry) { return !listed.contains(entry.first); });
}

}  // namespace vell::calendar
