#include "common/write_all.hpp"

#include <unistd.h>

#include <cerrno>

namespace vell {

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR)
      continue;
    if (wrote <= 0)
      return false;
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

}  // namespace vell
