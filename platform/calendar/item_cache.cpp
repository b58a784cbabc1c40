#include "platform/calendar/item_cache.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

namespace vell {

namespace {

struct DirClose {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

bool isItemName(std::string_view name) {
  return name.size() > 4 && name.front() != '.' && name.substr(name.size() - 4) == ".ics";
}

// The whole file, or nothing when it cannot be read or changed its size.
std::optional<std::string> readItem(int folder, const char* name, std::int64_t size) {
  int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  std::string text(static_cast<size_t>(size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    ssize_t got = ::read(fd, text.data() + done, text.size() - done);
    if (got <= 0)
      break;
    done += static_cast<size_t>(got);
  }
  ::close(fd);
  if (done != text.size())
    return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::vector<std::shared_ptr<const calendar_item::Item>>> ItemCache::items(
    const std::filesystem::path& folder, const std::function<bool()>& interrupted) {
  std::vector<std::shared_ptr<const calendar_item::Item>> found;
  std::unique_ptr<DIR, DirClose> dir(::opendir(folder.c_str()));
  if (!dir) {
    folders_.erase(folder.string());
    return found;
  }
  Folder& known = folders_[folder.string()];
  Folder current;
  current.reserve(known.size());
  while (dirent* entry = ::readdir(dir.get())) {
    if (!isItemName(entry->d_name))
      continue;
    struct stat status {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) || status.st_size > maxItemBytes)
      continue;
    const std::int64_t modified =
        std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
    auto cached = known.find(entry->d_name);
    if (cached != known.end() && cached->second.size == status.st_size &&
        cached->second.modified == modified) {
      found.push_back(cached->second.item);
      current.emplace(entry->d_name, std::move(cached->second));
      continue;
    }
    if (interrupted()) {
      for (auto& [name, read] : current)
        known.insert_or_assign(name, std::move(read));
      return std::nullopt;
    }
    auto text = readItem(::dirfd(dir.get()), entry->d_name, status.st_size);
    if (!text)
      continue;
    ++parses_;
    std::shared_ptr<const calendar_item::Item> item = calendar_item::parseItem(*text);
    found.push_back(item);
    current.emplace(entry->d_name, Entry{status.st_size, modified, std::move(item)});
  }
  // Files gone from the folder leave the cache with it.
  known = std::move(current);
  return found;
}

}  // namespace vell
